// SPDX-License-Identifier: BSD-3-Clause
// The decoder of ".wrm" frames: rebuilds each subframe's predictor and excitation from the
// carried indices exactly as the encoder formed them, and synthesizes the speech through 1/A(z).
#pragma once

#include "CodecTypes.h"
#include "codec/CodecVariant.h"
#include "excitation/GainCodes.h"
#include "excitation/PulseCode.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// The encoder describes each input frame two frames late; the first two decoded frames stand
// for its start-up silence.
inline constexpr int kDecoderDelayFrames = 2;

// Puts every index back into its range: the 20 reflection-coefficient indices, and the lag
// code (0..240), pitch-gain index (0..63), pulse code (0..1943) and pulse-gain index (0..30 in
// subframe 0, 0..7 after it) of each subframe. Valid frames are left as they are.
void ClampReflectionIndices(std::int32_t* anIndex);
void ClampExcitationIndices(ExcitationIndices& slots);

class CSpeechDecoder {
  public:
    CSpeechDecoder();

    // Decodes one frame into 240 samples, rounded and clipped to 16 bits. Any 30 bytes are
    // accepted; out-of-range indices are clamped first.
    void DecodeFrame(const EncodedFrame& frame, std::int16_t* pnSamples);

    // Read-only views for tests and diagnostics: the 295 samples of past total excitation
    // (the last 40 are the latest subframe's) and the six predictors of the latest frame.
    const double* ExcitationHistory() const { return m_adExcHistory; }
    const SubframePredictors& Predictors() const { return m_aadPredictors; }

  private:
    void DecodeLpc(const LpcParamWords& words);
    void DecodeExcitation(const ExcitationIndices& slots, int nSubframe, double* adU);
    void RestartSignal();

    std::int32_t m_anRcIndexPrev[kLpcOrder]; // reflection-coefficient indices of the previous frame
    double m_adExcHistory[kExcHistoryLength];
    double m_adSynMem[kLpcOrder];       // past outputs of 1/A(z), newest in element 0
    SubframePredictors m_aadPredictors; // the current frame's six predictors
    double m_dPrevFixedGain;
};

// What a buffer of frames decodes to.
struct DecodedFrames {
    std::vector<std::int16_t> m_anSamples; // aligned with the encoder's input
    std::size_t m_nFrames = 0;             // whole frames decoded
    std::size_t m_nTrailingBytes = 0;      // bytes after the last whole frame, not decoded
};

// Decodes every whole 30-byte frame of the buffer with one decoder and drops the first two
// decoded frames, so that sample i answers input sample i: N frames give 240 * (N - 2) samples
// (none for N <= 2). A torn last frame is left to the caller to report.
DecodedFrames DecodeFrames(std::span<const std::uint8_t> bytes);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
