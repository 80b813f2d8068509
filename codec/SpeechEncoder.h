// The encoder state of one file and its frame pipeline.
#pragma once

#include "CodecTypes.h"

#include <cstdint>

namespace veltrane {

inline constexpr int kSignalLength = 740;     // 500 samples of history + the newest frame
inline constexpr int kExcHistoryLength = 295; // past total excitation, oldest first
inline constexpr int kInvEnergyEntries = 84;  // 6 blocks of 14 coarse pitch lags
inline constexpr int kPulsePatterns = 16;

class CSpeechEncoder {
  public:
    CSpeechEncoder();

    // Consumes 240 samples and writes one 30-byte frame. The frame describes the input
    // received two calls earlier; the first two frames of a file describe silence.
    void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame);

    // Stages of the pipeline, in the order EncodeFrame calls them.
    double AnalyzeLpc(double* adA) const;
    void QuantizeLpc(const double* adA, SubframePredictors& aadInterp, LpcParamWords& words);
    LpcParamWords MakeParamWords() const;
    void AnalyzeExcitation(const double* adResidual, const double* adWeighted, int nSubframe,
                           double dTilt);
    void PackFrame(EncodedFrame* pFrame, const LpcParamWords& words) const;

    // Read-only views used by the decoder's tests and by diagnostics.
    const ExcitationIndices& Indices() const { return m_excIndices; }
    const double* ExcitationHistory() const { return m_adExcHistory; }
    const double* InvEnergyCache() const { return m_adInvEnergy; }
    const double* Signal() const { return m_adSignal; }

  private:
    void ShiftSignal();
    void PreFilter(const std::int16_t* pnSamples);

    double m_adSignal[kSignalLength];
    double m_adInvEnergy[kInvEnergyEntries];
    double m_adSynMem[kLpcOrder];
    double m_adWgtMem[kLpcOrder];
    double m_adExcHistory[kExcHistoryLength];
    double m_adLarPrev[kLpcOrder];
    double m_adLarPrev2[kLpcOrder];
    std::int32_t m_anRcIndex[kLpcOrder];
    double m_adLpcWindow[400];
    double m_adBwExpand[kLpcOrder];
    ExcitationIndices m_excIndices;
    double m_dPrevIn;
    double m_dPrevOut;
    double m_dTilt;
    double m_dPrevRc1;
    double m_dPrevFixedGain;
    // Workspace of one subframe's pulse search: the 16 candidate patterns. Kept inside the
    // encoder so that a subframe never allocates and has no failure path.
    std::int32_t m_anPatterns[kPulsePatterns][kSubframeSamples];
};

} // namespace veltrane
