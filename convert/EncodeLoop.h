// SPDX-License-Identifier: BSD-3-Clause
// The encode loop: the whole frames of a sample source, cut into chunks by a plan, encoded with
// one encoder and handed to the hooks chunk by chunk. Every encoding of the programs runs here.
#pragma once

#include "convert/ChunkEncoder.h"
#include "convert/SampleSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>

namespace veltrane {

inline constexpr std::uint64_t kChunkFrames = 100; // frames of a chunk of the command line

// How a source's whole frames are cut: m_nChunks chunks of m_nChunk frames, then m_nRest frames.
struct ChunkPlan {
    static constexpr std::uint64_t kUntilEnd = std::numeric_limits<std::uint64_t>::max();

    std::uint64_t m_nTotal = 0; // frames; kUntilEnd when not known before the source ends
    std::uint64_t m_nChunk = kChunkFrames;
    std::uint64_t m_nChunks = kUntilEnd;
    std::uint64_t m_nRest = 0;
};

// Chunks of kChunkFrames until the source ends: a source whose length is not known beforehand,
// or one whose end the source itself marks.
ChunkPlan StreamChunks();

enum class EncodeStatus { Done, Cancelled, ReadFailed, WriteFailed };

// What a stop request does.
enum class StopRule {
    // The run ends before the next chunk is encoded; a source that has nothing more is done.
    EndBeforeMore,
    // Checked after each whole chunk, and after the rest, which is encoded after a stop too;
    // a stop seen anywhere leaves the run cancelled.
    FinishTheRest,
};

struct EncodeHooks {
    // Takes the frames of one chunk, back to back; false when they could not be stored.
    std::function<bool(std::span<const std::uint8_t>)> m_write;
    // Told the frames of each chunk once they are written, and whether it was the plan's rest;
    // may be empty.
    std::function<void(std::uint64_t nFrames, bool bRest)> m_onChunk;
    // Told the frames of the plan's rest before they are read; may be empty.
    std::function<void(std::uint64_t nFrames)> m_onRestStart;
    const std::atomic<bool>* m_pbStop = nullptr; // may be null
    StopRule m_stopRule = StopRule::EndBeforeMore;
    // Makes the run's encoder; empty: a new encoder of the chosen build. The encoder lives
    // while the run does.
    FrameEncoderMaker m_makeEncoder;
};

// Encodes the source's whole frames as plan cuts them, with one encoder, in order. A source that
// fails, or ends before a planned chunk is whole, gives ReadFailed; with kUntilEnd, the source's
// end ends the run, and the samples after its last whole frame are not encoded.
EncodeStatus EncodeChunks(CSampleSource& source, const ChunkPlan& plan, const EncodeHooks& hooks);

} // namespace veltrane
