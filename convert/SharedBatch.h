// SPDX-License-Identifier: BSD-3-Clause
// One batch encoder shared by the threads of a group, one file per lane: each thread encodes its
// file through an IFrameEncoder that is a lane of the batch, and the frames of all lanes are
// encoded together, on whichever thread completes the group's request. Each file gets exactly
// the bytes a single encoder gives it.
#pragma once

#include "codec/FrameEncoder.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace veltrane {

class CSharedBatch {
  public:
    explicit CSharedBatch(CodecBuild build = ChosenBatchBuild());
    ~CSharedBatch();
    CSharedBatch(const CSharedBatch&) = delete;
    CSharedBatch& operator=(const CSharedBatch&) = delete;

    // How many files the batch encodes at once.
    int Lanes() const;

    // Lane nLane is held by one thread from Reserve to Release, for the files it encodes one
    // after another. While it is held, the other lanes' frames are encoded only once this lane
    // has handed its own too (they wait for it): the holding thread must go on to its next
    // frames, or release the lane, without waiting for anything unbounded in between (a
    // stream, say). A lane not held is left out (given silence).
    void Reserve(int nLane);
    void Release(int nLane);

    // An encoder for a new file in lane nLane (reserved with it where it was not), which no
    // other live encoder of this batch holds; the lane stays held when it is destroyed.
    std::unique_ptr<IFrameEncoder> JoinLane(int nLane);

  private:
    class CLaneEncoder;

    // What one lane has handed to be encoded and not yet had back.
    struct LaneWork {
        bool m_bHeld = false;
        const std::int16_t* m_pnSamples = nullptr;
        EncodedFrame* m_pFrames = nullptr;
        std::size_t m_nLeft = 0;
    };

    void EndFile(int nLane);
    // Returns once the nFrames frames of pnSamples are in aFrames.
    void Encode(int nLane, const std::int16_t* pnSamples, std::size_t nFrames,
                EncodedFrame* aFrames);
    void CopySignal(int nLane, double* adSignal);
    // Every lane that is held has frames waiting (and one lane at least is held).
    bool AllWaiting() const;
    // With the lock held: encodes frames of every lane until a lane has none left.
    void RunStep();

    std::mutex m_mutex;
    std::condition_variable m_encoded;
    std::unique_ptr<IBatchEncoder> m_pEncoder;
    std::vector<LaneWork> m_lanes;
    std::vector<const std::int16_t*> m_apnStep;
    std::vector<EncodedFrame> m_stepFrames;
};

} // namespace veltrane
