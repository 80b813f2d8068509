// SPDX-License-Identifier: BSD-3-Clause
#include "GainCodes.h"

#include <algorithm>
#include <cmath>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

double Widened(float fValue) {
    return static_cast<double>(fValue);
}

// The first level whose upper threshold the value does not exceed (the top level otherwise).
int Level(double dValue, const float* afThresholds, int nSteps) {
    int j = 0;
    while (j < nSteps - 1 && dValue > Widened(afThresholds[j])) {
        ++j;
    }
    return j;
}

} // namespace

PitchGainCode QuantizePitchGain(double dGain) {
    const bool bNegative = !(dGain >= 0.0);
    const int e = Level(std::fabs(dGain), kPitchGainThresholds, kPitchGainSteps);
    const double dLevel = Widened(kPitchGainLevels[e]);
    return {bNegative ? kMaxPitchGainIndex - e : e, bNegative ? -dLevel : dLevel};
}

double PitchGainFromIndex(std::int32_t nIndex) {
    const std::int32_t nClamped = std::clamp(nIndex, std::int32_t{0}, kMaxPitchGainIndex);
    if (nClamped < kPitchGainSteps) {
        return Widened(kPitchGainLevels[nClamped]);
    }
    return -Widened(kPitchGainLevels[kMaxPitchGainIndex - nClamped]);
}

double QuantizePulseGain(int nSubframe, double dOptimal, double dPrevGain, std::int32_t* pnIndex) {
    if (nSubframe == 0) {
        *pnIndex = Level(dOptimal, kPulseGainThresholds, kPulseGainSteps);
        return Widened(kPulseGainLevels[*pnIndex]);
    }
    *pnIndex = Level(dOptimal / dPrevGain, kGainRatioThresholds, kGainRatioSteps);
    return Widened(kGainRatioLevels[*pnIndex]) * dPrevGain;
}

double PulseGainFromIndex(int nSubframe, std::int32_t nIndex, double dPrevGain) {
    if (nSubframe == 0) {
        return Widened(kPulseGainLevels[std::clamp(nIndex, 0, kPulseGainSteps - 1)]);
    }
    return Widened(kGainRatioLevels[std::clamp(nIndex, 0, kGainRatioSteps - 1)]) * dPrevGain;
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
