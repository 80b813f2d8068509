// SPDX-License-Identifier: BSD-3-Clause
// Reflection-coefficient quantizer: one 49-level scale shared by the 20 coefficients, each
// coefficient restricted to its own range of levels.
#pragma once

#include "codec/CodecVariant.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kRcScaleLevels = 49;
inline constexpr int kRcZeroLevel = 21; // output 0.0, inside every coefficient's range

extern const int kRcBase[20];   // first level of each coefficient's range
extern const int kRcLevels[20]; // number of levels of each coefficient's range
// Threshold j separates level j from level j + 1 (single precision, as stored).
extern const float kRcThresholds[kRcScaleLevels];
extern const float kRcOutputs[kRcScaleLevels];

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
