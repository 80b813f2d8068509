// SPDX-License-Identifier: BSD-3-Clause
// kBatchLanes files encoded in lock-step, one per lane: lane l of every value is what the
// single-file encoder (CSpeechEncoder) holds for file l, so each lane writes exactly that
// encoder's bytes. Each lane starts a new file independently of the others.
#pragma once

#include "Lanes.h"
#include "codec/CodecTypes.h"
#include "codec/CodecVariant.h"
#include "codec/LpcAnalysis.h"
#include "codec/SpeechEncoder.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// What one EncodeFrames call works out for every lane and hands from stage to stage.
struct BatchFrame {
    Lanes m_aaInterp[kSubframes][kLpcOrder]; // predictor of subframe c, row c
    Lanes m_tilt;                            // 0.8 x k1 of the previous call
    LpcParamWords m_aWords[kBatchLanes];
    ExcitationIndices m_aExcIndices[kBatchLanes];
};

// One subframe's weighted-domain signals in every lane.
struct BatchTarget {
    Lanes m_aH[kSubframeSamples]; // impulse response of the weighted synthesis filter
    Lanes m_aX[kSubframeSamples]; // weighted speech minus the zero-input response
};

// The chosen pitch and pulse contributions of one subframe in every lane.
struct BatchContribution {
    Lanes m_aV[kSubframeSamples]; // past-excitation segment of the chosen lag
    Lanes m_pitchGain;
    Lanes m_aC[kSubframeSamples]; // the pulses: -1, 0 or +1 at the five grid positions
    Lanes m_pulseGain;
};

class CBatchEncoder {
  public:
    CBatchEncoder();

    // Lane nLane starts a new file: its state becomes a new CSpeechEncoder's.
    void RestartLane(int nLane);

    // One frame for every lane: 240 samples of lane l's file at apnSamples[l], its frame to
    // aFrames[l]. A lane without a file is given silence and its frame ignored.
    void EncodeFrames(const std::int16_t* const* apnSamples, EncodedFrame* aFrames);

    // Lane nLane's pre-filtered speech history, as CSpeechEncoder::Signal holds it.
    void CopyLaneSignal(int nLane, double* adSignal) const;

  private:
    void ShiftSignal();
    void PreFilter(const std::int16_t* const* apnSamples);
    Lanes AnalyzeLpc(Lanes* aA) const;
    void QuantizeLpc(const Lanes* aA, BatchFrame& frame);
    void AnalyzeExcitation(const Lanes* aResidual, const Lanes* aWeighted, int nSubframe,
                           BatchFrame& frame);
    void SearchPitch(const BatchTarget& target, int nSubframe, BatchFrame& frame,
                     BatchContribution& chosen);
    void SearchPulses(const BatchTarget& target, int nSubframe, BatchFrame& frame,
                      BatchContribution& chosen);
    void UpdateExcitationState(const BatchContribution& chosen, const Lanes* aWeighted);

    Lanes m_aSignal[kSignalLength]; // pre-filtered speech, oldest first
    Lanes m_aInvEnergy[kInvEnergyEntries];
    Lanes m_aSynMem[kLpcOrder]; // newest first
    Lanes m_aWgtMem[kLpcOrder]; // newest first
    Lanes m_aExcHistory[kExcHistoryLength];
    Lanes m_prevIn;
    Lanes m_prevOut;
    Lanes m_prevRc1;
    Lanes m_prevFixedGain;
    std::int32_t m_aanRcIndex[kBatchLanes][kLpcOrder];
    std::int32_t m_aanRcIndexPrev[kBatchLanes][kLpcOrder];
    double m_adLpcWindow[kLpcWindowLength];
    double m_adBwExpand[kLpcOrder];
};

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
