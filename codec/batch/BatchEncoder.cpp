// SPDX-License-Identifier: BSD-3-Clause
#include "BatchEncoder.h"

#include "BatchStages.h"

#include "codec/FramePacker.h"
#include "codec/tables/RcTables.h"

#include <algorithm>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// Lane nLane of every element of an array of lanes.
template <std::size_t N> void SetLane(Lanes (&aValues)[N], int nLane, double dValue) {
    for (Lanes& value : aValues) {
        value[nLane] = dValue;
    }
}

} // namespace

CBatchEncoder::CBatchEncoder()
    : m_aSignal{}, m_aInvEnergy{}, m_aSynMem{}, m_aWgtMem{},
      m_aExcHistory{}, m_prevIn{}, m_prevOut{}, m_prevRc1{}, m_prevFixedGain{}, m_aanRcIndex{},
      m_aanRcIndexPrev{}, m_adLpcWindow{}, m_adBwExpand{} {
    MakeLpcWindow(m_adLpcWindow);
    MakeBwExpand(m_adBwExpand);
    for (int l = 0; l < kBatchLanes; ++l) {
        RestartLane(l);
    }
}

void CBatchEncoder::RestartLane(int nLane) {
    SetLane(m_aSignal, nLane, 0.0);
    SetLane(m_aInvEnergy, nLane, kInitialInvEnergy);
    SetLane(m_aSynMem, nLane, 0.0);
    SetLane(m_aWgtMem, nLane, 0.0);
    SetLane(m_aExcHistory, nLane, 0.0);
    m_prevIn[nLane] = 0.0;
    m_prevOut[nLane] = 0.0;
    m_prevRc1[nLane] = 0.0;
    m_prevFixedGain[nLane] = 0.0;
    for (int n = 0; n < kLpcOrder; ++n) {
        m_aanRcIndex[nLane][n] = kRcZeroLevel - kRcBase[n];
        m_aanRcIndexPrev[nLane][n] = m_aanRcIndex[nLane][n];
    }
}

void CBatchEncoder::EncodeFrames(const std::int16_t* const* apnSamples, EncodedFrame* aFrames) {
    ShiftSignal();
    PreFilter(apnSamples);

    Lanes aA[kLpcOrder];
    const Lanes rc1 = AnalyzeLpc(aA);
    BatchFrame frame;
    frame.m_tilt = kTiltFactor * m_prevRc1;
    QuantizeLpc(aA, frame);

    for (int c = 0; c < kSubframes; ++c) {
        // As in the single-file encoder, the residual filter's memory is the 20 samples before
        // the subframe in the history.
        Lanes aResidual[kSubframeSamples];
        InverseFilterLanes(&m_aSignal[kCodedFrameStart + kSubframeSamples * c], frame.m_aaInterp[c],
                           aResidual);
        Lanes aWeighted[kLpcOrder];
        WeightPredictorLanes(frame.m_aaInterp[c], aWeighted);
        AnalyzeExcitation(aResidual, aWeighted, c, frame);
    }

    m_prevRc1 = rc1;
    for (int l = 0; l < kBatchLanes; ++l) {
        PackFields(frame.m_aWords[l], frame.m_aExcIndices[l], aFrames[l]);
    }
}

void CBatchEncoder::CopyLaneSignal(int nLane, double* adSignal) const {
    for (int i = 0; i < kSignalLength; ++i) {
        adSignal[i] = m_aSignal[i][nLane];
    }
}

void CBatchEncoder::ShiftSignal() {
    std::copy(m_aSignal + kFrameSamples, m_aSignal + kSignalLength, m_aSignal);
}

void CBatchEncoder::PreFilter(const std::int16_t* const* apnSamples) {
    Lanes aX[kFrameSamples] = {};
    for (int l = 0; l < kBatchLanes; ++l) {
        if (apnSamples[l] != nullptr) {
            for (int i = 0; i < kFrameSamples; ++i) {
                aX[i][l] = apnSamples[l][i];
            }
        }
    }
    for (int i = 0; i < kFrameSamples; ++i) {
        const Lanes& x = aX[i];
        const Lanes y = kPreFilterPole * m_prevOut + (x - m_prevIn);
        m_prevIn = x;
        m_prevOut = y;
        m_aSignal[kNewFrameStart + i] = y;
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
