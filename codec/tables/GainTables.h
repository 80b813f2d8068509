// SPDX-License-Identifier: BSD-3-Clause
// Quantizer tables of the excitation gains (single precision, as stored; widened at each use).
#pragma once

#include "codec/CodecVariant.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kPitchGainSteps = 32;
extern const float kPitchGainThresholds[kPitchGainSteps - 1];
extern const float kPitchGainLevels[kPitchGainSteps];

// Absolute pulse gain, subframe 0 of each frame.
inline constexpr int kPulseGainSteps = 31;
extern const float kPulseGainThresholds[kPulseGainSteps - 1];
extern const float kPulseGainLevels[kPulseGainSteps];

// Pulse gain of subframes 1..5 as a ratio to the previous subframe's pulse gain.
inline constexpr int kGainRatioSteps = 8;
extern const float kGainRatioThresholds[kGainRatioSteps - 1];
extern const float kGainRatioLevels[kGainRatioSteps];

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
