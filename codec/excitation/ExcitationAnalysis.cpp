// SPDX-License-Identifier: BSD-3-Clause
// One subframe's analysis by synthesis: the weighted target, the pitch search, the pulse search
// on what the pitch predictor leaves, and the update of the excitation state with the choice.
#include "codec/SpeechEncoder.h"

#include "ExcitationFilters.h"
#include "PitchSearch.h"
#include "PulseSearch.h"

#include <algorithm>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// The subframe in the weighted domain, as both searches see it.
struct SubframeTarget {
    double m_adH[kSubframeSamples]; // impulse response of the weighted synthesis filter, h[0] = 1
    double m_adX[kSubframeSamples]; // target: weighted speech minus the zero-input response
};

// The chosen pitch vector and its quantized gain.
struct PitchContribution {
    double m_adV[kSubframeSamples]; // the past-excitation segment of the chosen lag
    double m_dGain;                 // quantized, signed pitch gain
    bool m_bFiltered;               // m_adFiltered holds h * v, as the full convolution gives it
    double m_adFiltered[kSubframeSamples];
};

// The chosen pulse vector and its quantized gain.
struct PulseContribution {
    double m_adC[kSubframeSamples]; // -1, 0 or +1 at the five grid positions, 0 elsewhere
    double m_dGain;                 // quantized pulse gain, > 0
};

void CSpeechEncoder::AnalyzeExcitation(const double* adResidual, const double* adWeighted, int k,
                                       EncoderFrame& frame) {
    SubframeTarget target;
    WeightedTarget(adResidual, adWeighted, m_adWgtMem, m_adSynMem, target.m_adH, target.m_adX);
    const PitchContribution pitch = SearchPitch(target, k, frame);
    const PulseContribution pulses = SearchPulses(target, pitch, k, frame);
    UpdateExcitationState(pitch, pulses, adWeighted);
}

// Lag and pitch gain: writes slots k and 6 + k.
PitchContribution CSpeechEncoder::SearchPitch(const SubframeTarget& target, int k,
                                              EncoderFrame& frame) {
    double adD[kSubframeSamples];
    BackwardFilter(target.m_adX, target.m_adH, adD);
    std::int32_t anCandidates[kLagCandidates];
    PreselectLags(m_adExcHistory, adD, frame.m_dTilt, k, m_adInvEnergy, anCandidates);
    const LagChoice lag = SearchLag(m_adExcHistory, anCandidates, target.m_adH, target.m_adX);
    frame.m_excIndices[LagSlot(k)] = lag.nLagCode;
    frame.m_excIndices[PitchGainSlot(k)] = lag.nGainIndex;
    PitchContribution pitch;
    LagVector(m_adExcHistory, lag.nLagCode, pitch.m_adV);
    pitch.m_dGain = lag.dGain;
    pitch.m_bFiltered = lag.bConvolved;
    std::copy_n(lag.adFiltered, kSubframeSamples, pitch.m_adFiltered);
    return pitch;
}

// Pulses and pulse gain on the target without the pitch contribution: writes slots 18 + k and
// 12 + k and the pulse gain that the next subframe's ratio refers to.
PulseContribution CSpeechEncoder::SearchPulses(const SubframeTarget& target,
                                               const PitchContribution& pitch, int k,
                                               EncoderFrame& frame) {
    double adX2[kSubframeSamples];
    if (pitch.m_bFiltered) { // the lag search convolved this segment already
        SubtractFilteredPitch(pitch.m_adFiltered, pitch.m_dGain, target.m_adX, adX2);
    } else {
        SubtractPitch(pitch.m_adV, pitch.m_dGain, target.m_adH, target.m_adX, adX2);
    }
    double adD[kSubframeSamples];
    BackwardFilter(adX2, target.m_adH, adD);
    int nPhase = 0;
    const PulseChoice choice = FindPulses(adD, target.m_adH, adX2, k, frame.m_dTilt,
                                          m_dPrevFixedGain, m_anPatterns, &nPhase);
    frame.m_excIndices[PulseGainSlot(k)] = choice.nGainIndex;
    m_dPrevFixedGain = choice.dGain;
    frame.m_excIndices[PulseCodeSlot(k)] = EncodePulses(choice.anAmplitudes, nPhase);
    PulseContribution pulses;
    PulseVector(choice.anAmplitudes, nPhase, pulses.m_adC);
    pulses.m_dGain = choice.dGain;
    return pulses;
}

// The chosen total excitation drives the encoder's own state: the history the next pitch
// search draws on and the memory of the weighted synthesis filter.
void CSpeechEncoder::UpdateExcitationState(const PitchContribution& pitch,
                                           const PulseContribution& pulses,
                                           const double* adWeighted) {
    double adU[kSubframeSamples];
    MixExcitation(pitch.m_dGain, pitch.m_adV, pulses.m_dGain, pulses.m_adC, adU);
    ShiftHistory(adU, m_adExcHistory);
    UpdateSynMem(adU, adWeighted, m_adSynMem);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
