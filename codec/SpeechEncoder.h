// SPDX-License-Identifier: BSD-3-Clause
// The encoder state of one file and its frame pipeline.
#pragma once

#include "CodecTypes.h"
#include "LpcAnalysis.h"
#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kSignalLength = 740; // 500 samples of history + the newest frame
inline constexpr int kNewFrameStart = kSignalLength - kFrameSamples; // 500: the newest frame
// The frame that the subframes encode, two calls old: history elements 20..259.
inline constexpr int kCodedFrameStart = kSignalLength - 3 * kFrameSamples;
inline constexpr int kLpcLookahead = 60; // newest samples after the analysis window
// 280: the analysis window ends kLpcLookahead samples before the newest sample.
inline constexpr int kLpcWindowStart = kSignalLength - kLpcLookahead - kLpcWindowLength;
inline constexpr int kInvEnergyEntries = 84; // 6 blocks of 14 coarse pitch lags
inline constexpr int kPulsePatterns = 16;
inline constexpr double kPreFilterPole = 0.99;
inline constexpr double kTiltFactor = 0.8;              // energy models' pole: 0.8 x k1
inline constexpr double kInitialInvEnergy = 3.40282e38; // the cache before any history

// What one EncodeFrame call works out and hands from stage to stage; nothing of it outlives
// the call.
struct EncoderFrame {
    SubframePredictors m_aadInterp; // predictor a[0..19] of subframe c in row c, interpolated
    LpcParamWords m_words;          // P0..P8: the indices of the previous call's analysis
    ExcitationIndices m_excIndices; // the 24 excitation slots, four written by each subframe
    double m_dTilt; // one-pole coefficient of the energy models: 0.8 x k1 of the previous call
};

// One subframe's signals in the weighted domain and the two chosen contributions, defined
// with the excitation analysis.
struct SubframeTarget;
struct PitchContribution;
struct PulseContribution;

class CSpeechEncoder {
  public:
    CSpeechEncoder();

    // Consumes 240 samples and writes one 30-byte frame. The frame describes the input
    // received two calls earlier; the first two frames of a file describe silence.
    void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame);

    // Stages of the pipeline, in the order EncodeFrame calls them.
    double AnalyzeLpc(double* adA) const;
    void QuantizeLpc(const double* adA, EncoderFrame& frame);
    LpcParamWords MakeParamWords() const;
    void AnalyzeExcitation(const double* adResidual, const double* adWeighted, int nSubframe,
                           EncoderFrame& frame);
    void PackFrame(EncodedFrame* pFrame, const EncoderFrame& frame) const;

    // Read-only views used by the decoder's tests and by diagnostics.
    const double* ExcitationHistory() const { return m_adExcHistory; }
    const double* InvEnergyCache() const { return m_adInvEnergy; }
    const double* Signal() const { return m_adSignal; }

  private:
    void ShiftSignal();
    void PreFilter(const std::int16_t* pnSamples);
    // The three parts of AnalyzeExcitation.
    PitchContribution SearchPitch(const SubframeTarget& target, int nSubframe, EncoderFrame& frame);
    PulseContribution SearchPulses(const SubframeTarget& target, const PitchContribution& pitch,
                                   int nSubframe, EncoderFrame& frame);
    void UpdateExcitationState(const PitchContribution& pitch, const PulseContribution& pulses,
                               const double* adWeighted);

    double m_adSignal[kSignalLength];        // pre-filtered speech, oldest first; [500..739] newest
    double m_adInvEnergy[kInvEnergyEntries]; // 1/energy of coarse lag 14*b + l, tilt of its time
    double m_adSynMem[kLpcOrder]; // weighted synthesis of the chosen excitation, newest first
    double m_adWgtMem[kLpcOrder]; // weighting filter's past outputs (weighted speech), newest first
    double m_adExcHistory[kExcHistoryLength]; // past total excitation, oldest first
    std::int32_t m_anRcIndex[kLpcOrder];      // indices of the latest analysis, 0..kRcLevels[n]-1
    std::int32_t m_anRcIndexPrev[kLpcOrder];  // indices of the analysis before it; the quantized
                                              // log-area ratios of both follow from the indices
    double m_adLpcWindow[kLpcWindowLength];   // squared periodic Hamming window, 0.0064 .. 1.0
    double m_adBwExpand[kLpcOrder];           // bandwidth expansion 0.9883^(k+1)
    double m_dPrevIn;                         // pre-filter: previous input sample (16-bit scale)
    double m_dPrevOut;                        // pre-filter: previous output sample
    double m_dPrevRc1;       // first reflection coefficient k1 of the latest analysis, |k1| < 1
    double m_dPrevFixedGain; // quantized pulse gain of the previous subframe, always > 0
    // Workspace of one subframe's pulse search: the 16 candidate patterns (-1, 0, +1). Kept
    // inside the encoder so that a subframe never allocates and has no failure path.
    std::int32_t m_anPatterns[kPulsePatterns][kSubframeSamples];
};

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
