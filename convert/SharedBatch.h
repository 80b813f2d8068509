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
    explicit CSharedBatch(CodecBuild build = ChosenCodecBuild());
    ~CSharedBatch();
    CSharedBatch(const CSharedBatch&) = delete;
    CSharedBatch& operator=(const CSharedBatch&) = delete;

    // How many files the batch encodes at once.
    int Lanes() const;

    // An encoder for a new file in lane nLane, which no other live encoder of this batch holds.
    // While it lives, the other lanes' frames are encoded only when its thread has handed its
    // own (it waits for them): its thread must keep encoding, or destroy it, without waiting
    // for anything unbounded in between.
    std::unique_ptr<IFrameEncoder> JoinLane(int nLane);

  private:
    class CLaneEncoder;

    // What one lane has handed to be encoded and not yet had back.
    struct LaneWork {
        bool m_bJoined = false;
        const std::int16_t* m_pnSamples = nullptr;
        EncodedFrame* m_pFrames = nullptr;
        std::size_t m_nLeft = 0;
    };

    void Leave(int nLane);
    // Returns once the nFrames frames of pnSamples are in aFrames.
    void Encode(int nLane, const std::int16_t* pnSamples, std::size_t nFrames,
                EncodedFrame* aFrames);
    void CopySignal(int nLane, double* adSignal);
    // Every lane that holds a file has frames waiting (and one lane at least holds a file).
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
