// SPDX-License-Identifier: BSD-3-Clause
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

// A stream of 16 kHz mono samples, as the encoder takes them.
class CSampleSource {
  public:
    virtual ~CSampleSource();
    // Fills the start of samples; fewer than asked only at the end of the stream or on a
    // failure (Failed() then tells which).
    virtual std::size_t Read(std::span<std::int16_t> samples) = 0;
    virtual bool Failed() const = 0;
};

// Encodes every whole frame of the stream with one encoder, in order, chunk by chunk; the
// samples after the last whole frame are not encoded. Stops when cancelled with more frames to
// come.
EncodeStatus EncodeSamples(CSampleSource& source, const EncodeHooks& hooks);

// The whole frames of a checked WAV file's nDataBytes sample bytes (what the file actually
// holds), converted as the encoder takes them; a source that delivers fewer bytes has failed.
class CWavSampleSource : public CSampleSource {
  public:
    CWavSampleSource(CByteSource& source, const WavFormat& format, std::uint64_t nDataBytes);
    std::size_t Read(std::span<std::int16_t> samples) override;
    bool Failed() const override { return m_bFailed; }

  private:
    CByteSource& m_source;
    int m_nAlign;
    std::uint64_t m_nOffset;
    std::uint64_t m_nSamplesLeft;
    std::vector<std::uint8_t> m_bytes;
    bool m_bFailed = false;
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
