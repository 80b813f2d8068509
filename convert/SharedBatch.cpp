// SPDX-License-Identifier: BSD-3-Clause
#include "convert/SharedBatch.h"

#include "codec/SpeechEncoder.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace veltrane {

// One lane of the batch as one file's encoder.
class CSharedBatch::CLaneEncoder final : public IFrameEncoder {
  public:
    CLaneEncoder(CSharedBatch& batch, int nLane) : m_batch(batch), m_nLane(nLane) {}
    ~CLaneEncoder() override { m_batch.EndFile(m_nLane); }
    CLaneEncoder(const CLaneEncoder&) = delete;
    CLaneEncoder& operator=(const CLaneEncoder&) = delete;

    void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame) override {
        m_batch.Encode(m_nLane, pnSamples, 1, pFrame);
    }
    void EncodeFrames(const std::int16_t* pnSamples, std::size_t nFrames,
                      EncodedFrame* aFrames) override {
        m_batch.Encode(m_nLane, pnSamples, nFrames, aFrames);
    }
    const double* Signal() const override {
        m_batch.CopySignal(m_nLane, m_adSignal);
        return m_adSignal;
    }

  private:
    CSharedBatch& m_batch;
    int m_nLane;
    mutable double m_adSignal[kSignalLength];
};

CSharedBatch::CSharedBatch(CodecBuild build)
    : m_pEncoder(MakeBatchEncoder(build)), m_lanes(static_cast<std::size_t>(m_pEncoder->Lanes())),
      m_apnStep(m_lanes.size()), m_stepFrames(m_lanes.size()) {}

CSharedBatch::~CSharedBatch() = default;

int CSharedBatch::Lanes() const {
    return m_pEncoder->Lanes();
}

void CSharedBatch::Reserve(int nLane) {
    const std::lock_guard lock(m_mutex);
    m_lanes.at(static_cast<std::size_t>(nLane)).m_bHeld = true;
}

void CSharedBatch::Release(int nLane) {
    const std::lock_guard lock(m_mutex);
    m_lanes.at(static_cast<std::size_t>(nLane)) = LaneWork{};
    // The lanes that waited for this one go on without it.
    if (AllWaiting()) {
        RunStep();
    }
}

std::unique_ptr<IFrameEncoder> CSharedBatch::JoinLane(int nLane) {
    const std::lock_guard lock(m_mutex);
    LaneWork& lane = m_lanes.at(static_cast<std::size_t>(nLane));
    assert(lane.m_nLeft == 0);
    m_pEncoder->RestartLane(nLane);
    lane = LaneWork{true, nullptr, nullptr, 0};
    return std::make_unique<CLaneEncoder>(*this, nLane);
}

void CSharedBatch::EndFile(int nLane) {
    const std::lock_guard lock(m_mutex);
    LaneWork& lane = m_lanes[static_cast<std::size_t>(nLane)];
    lane = LaneWork{lane.m_bHeld, nullptr, nullptr, 0};
}

void CSharedBatch::Encode(int nLane, const std::int16_t* pnSamples, std::size_t nFrames,
                          EncodedFrame* aFrames) {
    if (nFrames == 0) {
        return;
    }
    std::unique_lock lock(m_mutex);
    LaneWork& lane = m_lanes[static_cast<std::size_t>(nLane)];
    lane.m_pnSamples = pnSamples;
    lane.m_pFrames = aFrames;
    lane.m_nLeft = nFrames;
    while (lane.m_nLeft > 0) {
        if (AllWaiting()) {
            RunStep();
        } else {
            m_encoded.wait(lock);
        }
    }
}

void CSharedBatch::CopySignal(int nLane, double* adSignal) {
    const std::lock_guard lock(m_mutex);
    m_pEncoder->CopyLaneSignal(nLane, adSignal);
}

bool CSharedBatch::AllWaiting() const {
    bool bAnyHeld = false;
    for (const LaneWork& lane : m_lanes) {
        if (lane.m_bHeld && lane.m_nLeft == 0) {
            return false;
        }
        bAnyHeld = bAnyHeld || lane.m_bHeld;
    }
    return bAnyHeld;
}

void CSharedBatch::RunStep() {
    std::size_t nStep = std::numeric_limits<std::size_t>::max();
    for (const LaneWork& lane : m_lanes) {
        if (lane.m_bHeld) {
            nStep = std::min(nStep, lane.m_nLeft);
        }
    }
    for (std::size_t f = 0; f < nStep; ++f) {
        for (std::size_t l = 0; l < m_lanes.size(); ++l) {
            const LaneWork& lane = m_lanes[l];
            m_apnStep[l] = lane.m_bHeld ? lane.m_pnSamples + f * kFrameSamples : nullptr;
        }
        m_pEncoder->EncodeFrames(m_apnStep.data(), m_stepFrames.data());
        for (std::size_t l = 0; l < m_lanes.size(); ++l) {
            if (m_lanes[l].m_bHeld) {
                m_lanes[l].m_pFrames[f] = m_stepFrames[l];
            }
        }
    }
    for (LaneWork& lane : m_lanes) {
        if (lane.m_bHeld) {
            lane.m_pnSamples += nStep * kFrameSamples;
            lane.m_pFrames += nStep;
            lane.m_nLeft -= nStep;
        }
    }
    m_encoded.notify_all();
}

} // namespace veltrane
