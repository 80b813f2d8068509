// SPDX-License-Identifier: BSD-3-Clause
// The decoder of ".wrm" frames: rebuilds each subframe's predictor and excitation from the
// carried indices exactly as the encoder formed them, and synthesizes the speech through 1/A(z).
// A frame that never arrived is concealed from what the last good frame left.
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

// Concealment of a lost frame: the factors by which each lost subframe scales the gains of the
// subframe before it, the highest pitch gain that concealment starts from, the pitch gain from
// which a subframe is not taken as periodic, and the most energy a concealed frame may carry
// as a share of the frame before it. The fixed gain falls much faster than the pitch gain: in
// voiced speech the pitch vector carries the sound on, and random pulses at a lasting gain
// would only add noise.
inline constexpr double kConcealPitchGainDecay = 0.95; // 0.735 per frame
inline constexpr double kConcealFixedGainDecay = 0.6;  // 0.047 per frame
inline constexpr double kConcealMaxPitchGain = 0.9;
inline constexpr double kConcealPeriodicPitchGain = 2.0;
inline constexpr double kConcealMaxEnergyRatio = 0.8; // -0.97 dB

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

    // Writes 240 samples in place of a frame that was lost, and advances the decoder as if that
    // frame had been decoded, so that the frames after it decode from a history close to the
    // intact stream's. Before any frame has been decoded it writes silence and leaves the
    // decoder as it is. Otherwise the six subframes of the lost frame take:
    // - the spectral envelope of the last frame decoded: its newest reflection-coefficient
    //   indices, for every subframe; they stay the older set of the frame that follows, as if
    //   the lost frame had carried them again;
    // - the lag code and pitch gain of the latest subframe of the last frame decoded whose
    //   pitch gain lies above 0 and below kConcealPeriodicPitchGain (none: pitch gain 0 and the
    //   lag of its subframe 5), the gain limited to kConcealMaxPitchGain and multiplied by
    //   kConcealPitchGainDecay before each lost subframe;
    // - five pulses of a pseudo-random pulse code (a linear congruential generator of the
    //   decoder's own, from the same seed in every decoder, so the output is reproducible), at
    //   the last fixed-codebook gain multiplied by kConcealFixedGainDecay before each lost
    //   subframe.
    // If the frame so made holds more than kConcealMaxEnergyRatio of the energy of the frame
    // before it (decoded or concealed), its samples, the excitation history, the synthesis
    // memory and the fixed gain are scaled down to that share. Consecutive lost frames go on
    // from the state the previous one left, so they fade toward silence; the next decoded frame
    // starts from the history the lost frames left.
    void ConcealFrame(std::int16_t* pnSamples);

    // Read-only views for tests and diagnostics: the 295 samples of past total excitation
    // (the last 40 are the latest subframe's) and the six predictors of the latest frame.
    const double* ExcitationHistory() const { return m_adExcHistory; }
    const SubframePredictors& Predictors() const { return m_aadPredictors; }

  private:
    void DecodeLpc(const LpcParamWords& words);
    void DecodeExcitation(const ExcitationIndices& slots, int nSubframe, double* adU);
    void KeepForConcealment(const ExcitationIndices& slots);
    void ConcealExcitation(double* adU);
    void SynthesizeSubframe(int nSubframe, const double* adU, double* adY);
    void WriteSamples(const double* adY, std::int16_t* pnSamples);
    void RestartSignal();

    std::int32_t m_anRcIndexPrev[kLpcOrder]; // reflection-coefficient indices of the previous frame
    double m_adExcHistory[kExcHistoryLength];
    double m_adSynMem[kLpcOrder];       // past outputs of 1/A(z), newest in element 0
    SubframePredictors m_aadPredictors; // the current frame's six predictors
    double m_dPrevFixedGain;
    // What the concealment of a lost frame starts from, set by each decoded frame.
    bool m_bFrameDecoded;              // a frame has been decoded since the start of the stream
    double m_dFrameEnergy;             // the sum of squares of the latest frame's outputs
    std::int32_t m_nConcealLagCode;    // the lag code of the last subframe
    double m_dConcealPitchGain;        // the pitch gain of the next concealed subframe, undecayed
    double m_dConcealFixedGain;        // the fixed-codebook gain likewise
    std::uint32_t m_nConcealNoiseSeed; // the state of the pulse code generator
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
