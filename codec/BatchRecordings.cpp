// SPDX-License-Identifier: BSD-3-Clause
#include "FrameEncoder.h"

#include <algorithm>
#include <cstddef>

namespace veltrane {

namespace {

constexpr std::size_t kNoRecording = static_cast<std::size_t>(-1);

// What one lane is encoding: which recording, and how many of its frames are done.
struct LaneTask {
    std::size_t m_nRecording = kNoRecording;
    std::size_t m_nFrame = 0;
};

} // namespace

std::vector<std::vector<std::uint8_t>>
EncodeRecordings(std::span<const std::span<const std::int16_t>> recordings, CodecBuild build) {
    std::vector<std::vector<std::uint8_t>> results(recordings.size());
    const auto framesOf = [&](std::size_t r) { return recordings[r].size() / kFrameSamples; };
    const std::unique_ptr<IBatchEncoder> pEncoder = MakeBatchEncoder(build);
    const auto nLanes = static_cast<std::size_t>(pEncoder->Lanes());
    std::vector<LaneTask> tasks(nLanes);
    std::vector<const std::int16_t*> samples(nLanes);
    std::vector<EncodedFrame> frames(nLanes);
    std::size_t nNext = 0;
    for (;;) {
        bool bAnyBusy = false;
        for (std::size_t l = 0; l < nLanes; ++l) {
            LaneTask& task = tasks[l];
            if (task.m_nRecording == kNoRecording || task.m_nFrame == framesOf(task.m_nRecording)) {
                while (nNext < recordings.size() && framesOf(nNext) == 0) {
                    ++nNext;
                }
                task = {nNext < recordings.size() ? nNext++ : kNoRecording, 0};
                if (task.m_nRecording != kNoRecording) {
                    pEncoder->RestartLane(static_cast<int>(l));
                    results[task.m_nRecording].reserve(framesOf(task.m_nRecording) * kFrameBytes);
                }
            }
            bAnyBusy = bAnyBusy || task.m_nRecording != kNoRecording;
            samples[l] = task.m_nRecording == kNoRecording
                             ? nullptr
                             : &recordings[task.m_nRecording][task.m_nFrame * kFrameSamples];
        }
        if (!bAnyBusy) {
            return results;
        }
        pEncoder->EncodeFrames(samples.data(), frames.data());
        for (std::size_t l = 0; l < nLanes; ++l) {
            if (tasks[l].m_nRecording != kNoRecording) {
                std::vector<std::uint8_t>& result = results[tasks[l].m_nRecording];
                result.insert(result.end(), frames[l].begin(), frames[l].end());
                ++tasks[l].m_nFrame;
            }
        }
    }
}

} // namespace veltrane
