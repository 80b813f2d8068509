// SPDX-License-Identifier: BSD-3-Clause
#include "convert/EncodeLoop.h"

#include "codec/CodecTypes.h"
#include "convert/ChunkEncoder.h"

#include <algorithm>
#include <vector>

namespace veltrane {

namespace {

// One chunk at a time: read from the source, encoded, written.
class CChunkStage {
  public:
    CChunkStage(const ChunkPlan& plan, const EncodeHooks& hooks)
        : m_nLargest(std::max(plan.m_nChunk, plan.m_nRest)), m_hooks(hooks),
          m_samples(m_nLargest * kFrameSamples),
          m_encoder(static_cast<int>(sizeof(std::int16_t)), m_nLargest,
                    hooks.m_makeEncoder ? hooks.m_makeEncoder() : MakeFrameEncoder()) {}

    // Reads up to nFrames whole frames; the frames read.
    std::uint64_t Read(CSampleSource& source, std::uint64_t nFrames) {
        m_nFrames =
            source.Read(std::span(m_samples).first(nFrames * kFrameSamples)) / kFrameSamples;
        return m_nFrames;
    }
    // Encodes and writes the frames read last; false when the write failed.
    bool Write() {
        return m_hooks.m_write(
            m_encoder.EncodeSamples(std::span(m_samples).first(m_nFrames * kFrameSamples)));
    }
    // Tells the hooks that the frames read last are written.
    void Tell(bool bRest) const {
        if (m_hooks.m_onChunk) {
            m_hooks.m_onChunk(m_nFrames, bRest);
        }
    }

  private:
    std::size_t m_nLargest;
    const EncodeHooks& m_hooks;
    std::vector<std::int16_t> m_samples;
    CChunkEncoder m_encoder;
    std::uint64_t m_nFrames = 0;
};

bool Stopped(const EncodeHooks& hooks, StopRule rule) {
    return hooks.m_stopRule == rule && StopRequested(hooks.m_pbStop);
}

// The plan's rest, after its whole chunks: encoded whatever the stop says. True when a stop was
// seen while it was encoded; *pStatus tells a failure.
bool EncodeRest(CSampleSource& source, const ChunkPlan& plan, CChunkStage& stage,
                const EncodeHooks& hooks, EncodeStatus* pStatus) {
    if (hooks.m_onRestStart) {
        hooks.m_onRestStart(plan.m_nRest);
    }
    if (stage.Read(source, plan.m_nRest) != plan.m_nRest) {
        *pStatus = EncodeStatus::ReadFailed;
        return false;
    }
    if (!stage.Write()) {
        *pStatus = EncodeStatus::WriteFailed;
        return false;
    }
    // The stop is read before the hooks are told: a stop that comes once every frame is
    // encoded cuts nothing short.
    const bool bStopped = Stopped(hooks, StopRule::FinishTheRest);
    stage.Tell(true);
    return bStopped;
}

} // namespace

ChunkPlan StreamChunks() {
    return ChunkPlan{ChunkPlan::kUntilEnd, kChunkFrames, ChunkPlan::kUntilEnd, 0};
}

EncodeStatus EncodeChunks(CSampleSource& source, const ChunkPlan& plan, const EncodeHooks& hooks) {
    CChunkStage stage(plan, hooks);
    const bool bUntilEnd = plan.m_nChunks == ChunkPlan::kUntilEnd;
    bool bStopped = false;
    for (std::uint64_t c = 0; c < plan.m_nChunks && !bStopped; ++c) {
        const std::uint64_t nFrames = stage.Read(source, plan.m_nChunk);
        // The next chunk is read before the stop is honoured, so that a source whose frames are
        // all written is done rather than cancelled.
        if (c > 0 && (nFrames > 0 || source.Failed()) && Stopped(hooks, StopRule::EndBeforeMore)) {
            return EncodeStatus::Cancelled;
        }
        if (source.Failed() || (!bUntilEnd && nFrames != plan.m_nChunk)) {
            return EncodeStatus::ReadFailed;
        }
        if (nFrames == 0) {
            break;
        }
        if (!stage.Write()) {
            return EncodeStatus::WriteFailed;
        }
        stage.Tell(false);
        bStopped = Stopped(hooks, StopRule::FinishTheRest);
    }
    if (plan.m_nRest > 0) {
        EncodeStatus status = EncodeStatus::Done;
        bStopped = EncodeRest(source, plan, stage, hooks, &status) || bStopped;
        if (status != EncodeStatus::Done) {
            return status;
        }
    }
    return bStopped ? EncodeStatus::Cancelled : EncodeStatus::Done;
}

} // namespace veltrane
