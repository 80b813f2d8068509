// Encodes the samples of one checked WAV file into its 30-byte frames.
#pragma once

#include "convert/WavHeader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace veltrane {

inline constexpr int kChunkFrames = 100; // frames read, encoded and written at a time

// Whether a stop was requested through pbStop, which may be null (never).
bool StopRequested(const std::atomic<bool>* pbStop);

enum class EncodeStatus { Done, Cancelled, ReadFailed, WriteFailed };

struct EncodeHooks {
    // Takes the frames of one chunk, back to back; false when they could not be stored.
    std::function<bool(std::span<const std::uint8_t>)> m_write;
    // Told the number of frames of each chunk once it is written; may be empty.
    std::function<void(std::uint64_t)> m_onFrames;
    // Checked after every chunk; may be null.
    const std::atomic<bool>* m_pbCancel = nullptr;
};

// Encodes every whole frame of the nDataBytes sample bytes that start at format.m_nDataOffset,
// with one encoder, in order. nDataBytes is what the file actually holds (AvailableDataBytes);
// a source that then delivers fewer bytes has failed (ReadFailed).
EncodeStatus EncodeSampleData(CByteSource& source, const WavFormat& format,
                              std::uint64_t nDataBytes, const EncodeHooks& hooks);

// The whole conversion of a WAV file held in memory: its header check and, when accepted, the
// frames of every whole frame that the bytes hold, appended to frames.
WavCheckResult EncodeWavBytes(std::span<const std::uint8_t> fileBytes,
                              std::vector<std::uint8_t>& frames);

} // namespace veltrane
