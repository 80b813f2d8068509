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
    : m_anRcIndexPrev{}, m_adExcHistory{}, m_adSynMem{}, m_aadPredictors{}, m_dPrevFixedGain(0.0) {
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
    for (int c = 0; c < kSubframes; ++c) {
        double adU[kSubframeSamples];
        DecodeExcitation(slots, c, adU);
        double adY[kSubframeSamples];
        Synthesize(adU, m_aadPredictors[c].data(), m_adSynMem, adY);
        for (int n = 0; n < kSubframeSamples; ++n) {
            pnSamples[kSubframeSamples * c + n] = ToSample(adY[n]);
        }
        if (!AllFinite(adU, kSubframeSamples) || !AllFinite(adY, kSubframeSamples)) {
            RestartSignal();
        }
    }
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
