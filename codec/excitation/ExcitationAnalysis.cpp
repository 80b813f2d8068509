// One subframe's analysis by synthesis: weighted target, pitch search, pulse search, and the
// update of the excitation state with the chosen excitation.
#include "codec/SpeechEncoder.h"

#include "ExcitationFilters.h"
#include "PitchSearch.h"
#include "PulseSearch.h"

namespace veltrane {

void CSpeechEncoder::AnalyzeExcitation(const double* adResidual, const double* adWeighted, int k,
                                       double dTilt) {
    double adW[kSubframeSamples];
    WeightResidual(adResidual, adWeighted, m_adWgtMem, adW);
    double adH[kSubframeSamples];
    ImpulseResponse(adWeighted, adH);
    double adZ[kSubframeSamples];
    ZeroInputResponse(adWeighted, m_adSynMem, adZ);
    double adX[kSubframeSamples];
    for (int n = 0; n < kSubframeSamples; ++n) {
        adX[n] = adW[n] - adZ[n];
    }
    m_dTilt = dTilt;

    // Pitch predictor.
    double adD[kSubframeSamples];
    BackwardFilter(adX, adH, adD);
    std::int32_t anCandidates[kLagCandidates];
    PreselectLags(m_adExcHistory, adD, m_dTilt, k, m_adInvEnergy, anCandidates);
    const LagChoice lag = SearchLag(m_adExcHistory, anCandidates, adH, adX);
    m_excIndices[LagSlot(k)] = lag.nLagCode;
    m_excIndices[PitchGainSlot(k)] = lag.nGainIndex;
    double adV[kSubframeSamples];
    LagVector(m_adExcHistory, lag.nLagCode, adV);

    // Pulses on what the pitch predictor leaves.
    double adX2[kSubframeSamples];
    SubtractPitch(adV, lag.dGain, adH, adX, adX2);
    BackwardFilter(adX2, adH, adD);
    const int nPhase = SelectPhase(adD);
    std::int32_t anSigns[kPulses];
    std::int32_t anMarks[kPulses];
    PulseSigns(adD, nPhase, anSigns);
    StrongestPulse(adD, nPhase, anMarks);
    BuildCandidates(nPhase, anSigns, anMarks, m_anPatterns);
    std::int32_t anChosen[kPreselectedPatterns];
    PreselectCandidates(m_anPatterns, nPhase, adD, m_dTilt, anChosen);
    const PulseChoice pulses =
        SelectCandidate(m_anPatterns, nPhase, anChosen, adH, adX2, k, m_dPrevFixedGain);
    m_excIndices[PulseGainSlot(k)] = pulses.nGainIndex;
    m_dPrevFixedGain = pulses.dGain;
    m_excIndices[PulseCodeSlot(k)] = EncodePulses(pulses.anAmplitudes, nPhase);
    double adC[kSubframeSamples];
    PulseVector(pulses.anAmplitudes, nPhase, adC);

    // The chosen excitation drives the encoder's own state.
    double adU[kSubframeSamples];
    MixExcitation(lag.dGain, adV, pulses.dGain, adC, adU);
    ShiftHistory(adU, m_adExcHistory);
    UpdateSynMem(adU, adWeighted, m_adSynMem);
}

} // namespace veltrane
