// SPDX-License-Identifier: BSD-3-Clause
#include "PulseCode.h"

#include "codec/CodecTypes.h"

#include <algorithm>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

constexpr int kBase = 3;

std::int32_t Digit(std::int32_t nAmplitude) {
    return nAmplitude < 0 ? 0 : (nAmplitude > 0 ? 1 : 2);
}

std::int32_t Amplitude(std::int32_t nDigit) {
    return nDigit == 0 ? -1 : (nDigit == 1 ? 1 : 0);
}

} // namespace

std::int32_t EncodePulses(const std::int32_t* anAmplitudes, int nPhase) {
    std::int32_t nT = 0;
    for (int i = 0; i < kPulses; ++i) {
        nT = kBase * nT + Digit(anAmplitudes[i]);
    }
    return nPhase + kGridSpacing * nT;
}

int DecodePulses(std::int32_t nCode, std::int32_t* anAmplitudes) {
    const std::int32_t nClamped = std::clamp(nCode, std::int32_t{0}, kMaxPulseCode);
    std::int32_t nT = nClamped / kGridSpacing;
    for (int i = kPulses - 1; i >= 0; --i) {
        anAmplitudes[i] = Amplitude(nT % kBase);
        nT /= kBase;
    }
    return nClamped % kGridSpacing;
}

void PulseVector(const std::int32_t* anAmplitudes, int nPhase, double* adC) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adC[n] = 0.0;
    }
    for (int i = 0; i < kPulses; ++i) {
        adC[nPhase + kGridSpacing * i] = anAmplitudes[i];
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
