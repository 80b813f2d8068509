// SPDX-License-Identifier: BSD-3-Clause
#include "SpeechDecoder.h"

#include "FramePacker.h"
#include "LpcQuantizer.h"
#include "excitation/ExcitationFilters.h"
#include "excitation/PitchSearch.h"
#include "excitation/PulseSearch.h"
#include "tables/GainTables.h"
#include "tables/RcTables.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

std::int32_t Clamp(std::int32_t nValue, std::int32_t nHighest) {
    return std::clamp(nValue, std::int32_t{0}, nHighest);
}

// Rounds to the nearest 16-bit sample, saturating; a value that is not a number gives 0.
std::int16_t ToSample(double dValue) {
    if (std::isnan(dValue)) {
        return 0;
    }
    return static_cast<std::int16_t>(std::lround(std::clamp(dValue, -32768.0, 32767.0)));
}

bool AllFinite(const double* adValues, int nCount) {
    return std::all_of(adValues, adValues + nCount, [](double d) { return std::isfinite(d); });
}

// The pulse codes of concealed subframes: x <- 1664525 x + 1013904223 (mod 2^32) from a fixed
// seed, the code taken from bits 8..31 of x (the low bits of such a generator repeat with short
// periods) as a value in 0..1943.
constexpr std::uint32_t kNoiseSeed = 0x2545F491u;
constexpr std::uint32_t kNoiseMultiplier = 1664525u;
constexpr std::uint32_t kNoiseIncrement = 1013904223u;
constexpr std::uint32_t kPulseCodes = static_cast<std::uint32_t>(kMaxPulseCode) + 1u;

double Energy(const double* adValues, int nCount) {
    double dSum = 0.0;
    for (int n = 0; n < nCount; ++n) {
        dSum += adValues[n] * adValues[n];
    }
    return dSum;
}

void Scale(double dFactor, double* adValues, int nCount) {
    for (int n = 0; n < nCount; ++n) {
        adValues[n] *= dFactor;
    }
}

} // namespace

void ClampReflectionIndices(std::int32_t* anIndex) {
    for (int n = 0; n < kLpcOrder; ++n) {
        anIndex[n] = Clamp(anIndex[n], kRcLevels[n] - 1);
    }
}

void ClampExcitationIndices(ExcitationIndices& slots) {
    for (int c = 0; c < kSubframes; ++c) {
        slots[LagSlot(c)] = Clamp(slots[LagSlot(c)], kMaxLagCode);
        slots[PitchGainSlot(c)] = Clamp(slots[PitchGainSlot(c)], kMaxPitchGainIndex);
        slots[PulseCodeSlot(c)] = Clamp(slots[PulseCodeSlot(c)], kMaxPulseCode);
        const int nGainSteps = c == 0 ? kPulseGainSteps : kGainRatioSteps;
        slots[PulseGainSlot(c)] = Clamp(slots[PulseGainSlot(c)], nGainSteps - 1);
    }
}

CSpeechDecoder::CSpeechDecoder()
    : m_anRcIndexPrev{}, m_adExcHistory{}, m_adSynMem{}, m_aadPredictors{}, m_dPrevFixedGain(0.0),
      m_bFrameDecoded(false), m_dFrameEnergy(0.0), m_nConcealLagCode(0), m_dConcealPitchGain(0.0),
      m_dConcealFixedGain(0.0), m_nConcealNoiseSeed(kNoiseSeed) {
    for (int n = 0; n < kLpcOrder; ++n) {
        m_anRcIndexPrev[n] = kRcZeroLevel - kRcBase[n]; // all-zero reflection coefficients
    }
}

void CSpeechDecoder::DecodeFrame(const EncodedFrame& frame, std::int16_t* pnSamples) {
    LpcParamWords words;
    ExcitationIndices slots;
    UnpackFields(frame, words, slots);
    ClampExcitationIndices(slots);
    DecodeLpc(words);
    double adY[kFrameSamples];
    for (int c = 0; c < kSubframes; ++c) {
        double adU[kSubframeSamples];
        DecodeExcitation(slots, c, adU);
        SynthesizeSubframe(c, adU, adY);
    }
    WriteSamples(adY, pnSamples);
    KeepForConcealment(slots);
}

// The pitch of the latest subframe whose gain is that of a periodic signal (above 0, below 2:
// the larger gains start a sound out of a quiet history, and repeated they would only grow it),
// and the latest fixed-codebook gain.
void CSpeechDecoder::KeepForConcealment(const ExcitationIndices& slots) {
    m_bFrameDecoded = true;
    m_nConcealLagCode = slots[LagSlot(kSubframes - 1)];
    m_dConcealPitchGain = 0.0;
    for (int c = kSubframes - 1; c >= 0; --c) {
        const double dGp = PitchGainFromIndex(slots[PitchGainSlot(c)]);
        if (dGp > 0.0 && dGp < kConcealPeriodicPitchGain) {
            m_nConcealLagCode = slots[LagSlot(c)];
            m_dConcealPitchGain = std::min(dGp, kConcealMaxPitchGain);
            break;
        }
    }
    m_dConcealFixedGain = m_dPrevFixedGain;
}

void CSpeechDecoder::ConcealFrame(std::int16_t* pnSamples) {
    if (!m_bFrameDecoded) {
        std::fill_n(pnSamples, kFrameSamples, std::int16_t{0});
        return;
    }
    // Both stored sets are the last frame's newest: every subframe gets that envelope, and
    // m_anRcIndexPrev stays as the older set of the next frame.
    InterpolatePredictors(m_anRcIndexPrev, m_anRcIndexPrev, m_aadPredictors);
    double adY[kFrameSamples];
    for (int c = 0; c < kSubframes; ++c) {
        double adU[kSubframeSamples];
        ConcealExcitation(adU);
        SynthesizeSubframe(c, adU, adY);
    }
    // The frame and everything that it leaves behind are linear in the signal state it started
    // from and in the fixed gain, so scaling the output, the history, the filter memory and the
    // fixed gain by one factor gives exactly the frame that a quieter past would have given.
    const double dEnergy = Energy(adY, kFrameSamples);
    const double dLimit = kConcealMaxEnergyRatio * m_dFrameEnergy;
    if (dEnergy > dLimit) {
        const double dScale = std::sqrt(dLimit / dEnergy);
        Scale(dScale, adY, kFrameSamples);
        Scale(dScale, m_adExcHistory, kExcHistoryLength);
        Scale(dScale, m_adSynMem, kLpcOrder);
        m_dConcealFixedGain *= dScale;
        m_dPrevFixedGain = m_dConcealFixedGain;
    }
    WriteSamples(adY, pnSamples);
}

// The 40 outputs of subframe c from its total excitation u, through 1/A(z), into adY[40c..].
void CSpeechDecoder::SynthesizeSubframe(int c, const double* adU, double* adY) {
    double* adOut = adY + kSubframeSamples * c;
    Synthesize(adU, m_aadPredictors[c].data(), m_adSynMem, adOut);
    if (!AllFinite(adU, kSubframeSamples) || !AllFinite(adOut, kSubframeSamples)) {
        RestartSignal();
    }
}

// The frame's samples, rounded and clipped, and its energy for the concealment of the next.
void CSpeechDecoder::WriteSamples(const double* adY, std::int16_t* pnSamples) {
    for (int n = 0; n < kFrameSamples; ++n) {
        pnSamples[n] = ToSample(adY[n]);
    }
    const double dEnergy = Energy(adY, kFrameSamples);
    m_dFrameEnergy = std::isfinite(dEnergy) ? dEnergy : 0.0;
}

// Only a corrupt stream can drive the excitation beyond the range of a double (pitch gains up
// to 173 fed back through the history); from then on every sample would be infinite or not a
// number. The signal state starts again from silence instead, so that the stream can recover.
void CSpeechDecoder::RestartSignal() {
    std::fill(std::begin(m_adExcHistory), std::end(m_adExcHistory), 0.0);
    std::fill(std::begin(m_adSynMem), std::end(m_adSynMem), 0.0);
}

// The frame carries the indices of the newer analysis; the previous frame's set is the older
// one. The subframes interpolate between the two exactly as the encoder did.
void CSpeechDecoder::DecodeLpc(const LpcParamWords& words) {
    std::int32_t anIndex[kLpcOrder];
    SplitParamWords(words, anIndex);
    ClampReflectionIndices(anIndex);
    InterpolatePredictors(anIndex, m_anRcIndexPrev, m_aadPredictors);
    std::copy(anIndex, anIndex + kLpcOrder, m_anRcIndexPrev);
}

// u = gp * v + gc * c, with v from the decoder's own excitation history.
void CSpeechDecoder::DecodeExcitation(const ExcitationIndices& slots, int c, double* adU) {
    double adV[kSubframeSamples];
    LagVector(m_adExcHistory, slots[LagSlot(c)], adV);
    const double dGp = PitchGainFromIndex(slots[PitchGainSlot(c)]);
    std::int32_t anAmplitudes[kPulses];
    const int nPhase = DecodePulses(slots[PulseCodeSlot(c)], anAmplitudes);
    double adC[kSubframeSamples];
    PulseVector(anAmplitudes, nPhase, adC);
    const double dGc = PulseGainFromIndex(c, slots[PulseGainSlot(c)], m_dPrevFixedGain);
    m_dPrevFixedGain = dGc;
    MixExcitation(dGp, adV, dGc, adC, adU);
    ShiftHistory(adU, m_adExcHistory);
}

// u = gp * v + gc * c of a lost subframe: v from the history at the last lag, c random pulses,
// both gains one decay step below the previous subframe's.
void CSpeechDecoder::ConcealExcitation(double* adU) {
    m_dConcealPitchGain *= kConcealPitchGainDecay;
    m_dConcealFixedGain *= kConcealFixedGainDecay;
    double adV[kSubframeSamples];
    LagVector(m_adExcHistory, m_nConcealLagCode, adV);
    m_nConcealNoiseSeed = m_nConcealNoiseSeed * kNoiseMultiplier + kNoiseIncrement;
    const auto nCode = static_cast<std::int32_t>((m_nConcealNoiseSeed >> 8) % kPulseCodes);
    std::int32_t anAmplitudes[kPulses];
    const int nPhase = DecodePulses(nCode, anAmplitudes);
    double adC[kSubframeSamples];
    PulseVector(anAmplitudes, nPhase, adC);
    m_dPrevFixedGain = m_dConcealFixedGain;
    MixExcitation(m_dConcealPitchGain, adV, m_dConcealFixedGain, adC, adU);
    ShiftHistory(adU, m_adExcHistory);
}

DecodedFrames DecodeFrames(std::span<const std::uint8_t> bytes) {
    DecodedFrames result;
    result.m_nFrames = bytes.size() / kFrameBytes;
    result.m_nTrailingBytes = bytes.size() % kFrameBytes;
    if (result.m_nFrames > kDecoderDelayFrames) {
        result.m_anSamples.resize((result.m_nFrames - kDecoderDelayFrames) * kFrameSamples);
    }
    CSpeechDecoder decoder;
    for (std::size_t t = 0; t < result.m_nFrames; ++t) {
        EncodedFrame frame;
        std::copy_n(bytes.begin() + t * kFrameBytes, kFrameBytes, frame.begin());
        std::int16_t anSamples[kFrameSamples];
        decoder.DecodeFrame(frame, anSamples);
        if (t >= kDecoderDelayFrames) {
            std::copy_n(anSamples, kFrameSamples,
                        result.m_anSamples.begin() + (t - kDecoderDelayFrames) * kFrameSamples);
        }
    }
    return result;
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
