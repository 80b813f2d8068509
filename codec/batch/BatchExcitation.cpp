// SPDX-License-Identifier: BSD-3-Clause
// One subframe's analysis by synthesis in every lane: the weighted target, the pitch search,
// the pulse search on what the pitch predictor leaves, and the update of the excitation state.
#include "BatchEncoder.h"
#include "BatchStages.h"

#include "codec/excitation/ExcitationFilters.h"

#include <algorithm>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

void CBatchEncoder::AnalyzeExcitation(const Lanes* aResidual, const Lanes* aWeighted, int k,
                                      BatchFrame& frame) {
    BatchTarget target;
    WeightedTargetLanes(aResidual, aWeighted, m_aWgtMem, m_aSynMem, target.m_aH, target.m_aX);
    BatchContribution chosen;
    SearchPitch(target, k, frame, chosen);
    SearchPulses(target, k, frame, chosen);
    UpdateExcitationState(chosen, aWeighted);
}

// Lag and pitch gain: writes slots k and 6 + k of every lane.
void CBatchEncoder::SearchPitch(const BatchTarget& target, int k, BatchFrame& frame,
                                BatchContribution& chosen) {
    Lanes aD[kSubframeSamples];
    BackwardFilterLanes(target.m_aX, target.m_aH, aD);
    LaneCandidates aanCandidates;
    PreselectLagsLanes(m_aExcHistory, aD, frame.m_tilt, k, m_aInvEnergy, aanCandidates);
    const LaneLagChoice lag =
        SearchLagLanes(m_aExcHistory, aanCandidates, target.m_aH, target.m_aX);
    std::int32_t anStart[kBatchLanes];
    for (int l = 0; l < kBatchLanes; ++l) {
        frame.m_aExcIndices[l][LagSlot(k)] = lag.anLagCode[l];
        frame.m_aExcIndices[l][PitchGainSlot(k)] = lag.anGainIndex[l];
        anStart[l] = kNewestSegment - lag.anLagCode[l];
    }
    GatherSegment(m_aExcHistory, anStart, kSubframeSamples, chosen.m_aV);
    chosen.m_pitchGain = lag.gain;
}

// Pulses and pulse gain: writes slots 18 + k and 12 + k of every lane. The segment of a chosen
// lag is convolved here, which gives what the lag search's full convolution of it gave.
void CBatchEncoder::SearchPulses(const BatchTarget& target, int k, BatchFrame& frame,
                                 BatchContribution& chosen) {
    Lanes aY[kSubframeSamples];
    ConvolveLanes(chosen.m_aV, target.m_aH, aY);
    Lanes aX2[kSubframeSamples];
    for (int i = 0; i < kSubframeSamples; ++i) {
        aX2[i] = target.m_aX[i] - chosen.m_pitchGain * aY[i];
    }
    Lanes aD[kSubframeSamples];
    BackwardFilterLanes(aX2, target.m_aH, aD);
    LanePulseChoice pulses;
    SearchPulsesLanes(aD, target.m_aH, aX2, k, frame.m_tilt, m_prevFixedGain, pulses);
    for (int l = 0; l < kBatchLanes; ++l) {
        frame.m_aExcIndices[l][PulseGainSlot(k)] = pulses.anGainIndex[l];
        frame.m_aExcIndices[l][PulseCodeSlot(k)] = pulses.anCode[l];
    }
    m_prevFixedGain = pulses.gain;
    chosen.m_pulseGain = pulses.gain;
    std::copy_n(pulses.aC, kSubframeSamples, chosen.m_aC);
}

void CBatchEncoder::UpdateExcitationState(const BatchContribution& chosen, const Lanes* aWeighted) {
    Lanes aU[kSubframeSamples];
    for (int n = 0; n < kSubframeSamples; ++n) {
        aU[n] = chosen.m_pitchGain * chosen.m_aV[n] + chosen.m_pulseGain * chosen.m_aC[n];
    }
    std::copy(m_aExcHistory + kSubframeSamples, m_aExcHistory + kExcHistoryLength, m_aExcHistory);
    std::copy_n(aU, kSubframeSamples, m_aExcHistory + (kExcHistoryLength - kSubframeSamples));
    UpdateSynMemLanes(aU, aWeighted, m_aSynMem);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
