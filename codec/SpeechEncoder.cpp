// SPDX-License-Identifier: BSD-3-Clause
#include "SpeechEncoder.h"

#include "LpcAnalysis.h"
#include "LpcQuantizer.h"
#include "tables/RcTables.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

CSpeechEncoder::CSpeechEncoder()
    : m_adSignal{}, m_adInvEnergy{}, m_adSynMem{}, m_adWgtMem{}, m_adExcHistory{}, m_anRcIndex{},
      m_anRcIndexPrev{}, m_adLpcWindow{}, m_adBwExpand{}, m_dPrevIn(0.0), m_dPrevOut(0.0),
      m_dPrevRc1(0.0), m_dPrevFixedGain(0.0), m_anPatterns{} {
    for (double& dEntry : m_adInvEnergy) {
        dEntry = kInitialInvEnergy;
    }
    for (int n = 0; n < kLpcOrder; ++n) {
        m_anRcIndex[n] = kRcZeroLevel - kRcBase[n];
        m_anRcIndexPrev[n] = m_anRcIndex[n];
    }
    MakeLpcWindow(m_adLpcWindow);
    MakeBwExpand(m_adBwExpand);
}

void CSpeechEncoder::EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame) {
    ShiftSignal();
    PreFilter(pnSamples);

    double adA[kLpcOrder];
    const double dRc1 = AnalyzeLpc(adA);
    EncoderFrame frame;
    frame.m_dTilt = kTiltFactor * m_dPrevRc1;
    QuantizeLpc(adA, frame);

    for (int c = 0; c < kSubframes; ++c) {
        // The residual filter's memory is the 20 samples before the subframe in the history:
        // across subframes and frames they are exactly the samples it consumed last.
        const double* adSpeech = &m_adSignal[kCodedFrameStart + kSubframeSamples * c];
        double adResidual[kSubframeSamples];
        InverseFilter(adSpeech, frame.m_aadInterp[c].data(), adResidual);
        double adWeighted[kLpcOrder];
        WeightPredictor(frame.m_aadInterp[c].data(), adWeighted);
        AnalyzeExcitation(adResidual, adWeighted, c, frame);
    }

    m_dPrevRc1 = dRc1;
    PackFrame(pFrame, frame);
}

void CSpeechEncoder::QuantizeLpc(const double* adA, EncoderFrame& frame) {
    QuantizeFrameLpc(adA, m_anRcIndex, m_anRcIndexPrev, frame.m_words, frame.m_aadInterp);
}

void CSpeechEncoder::ShiftSignal() {
    for (int i = 0; i < kNewFrameStart; ++i) {
        m_adSignal[i] = m_adSignal[i + kFrameSamples];
    }
}

// DC removal H(z) = (1 - z^-1) / (1 - 0.99 z^-1) into the top of the history.
void CSpeechEncoder::PreFilter(const std::int16_t* pnSamples) {
    for (int i = 0; i < kFrameSamples; ++i) {
        const double dX = pnSamples[i];
        const double dY = kPreFilterPole * m_dPrevOut + (dX - m_dPrevIn);
        m_dPrevIn = dX;
        m_dPrevOut = dY;
        m_adSignal[kNewFrameStart + i] = dY;
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
