// SPDX-License-Identifier: BSD-3-Clause
// The gain quantizers of the excitation and their inverses: the signed pitch gain, and the
// pulse gain (absolute in subframe 0, a ratio to the previous subframe's gain after it).
#pragma once

#include "codec/CodecVariant.h"
#include "codec/tables/GainTables.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// 63: the negative gains take the indices 63 - level, down to 32.
inline constexpr std::int32_t kMaxPitchGainIndex = 2 * kPitchGainSteps - 1;

struct PitchGainCode {
    std::int32_t nGainIndex; // level for a gain >= 0, 63 - level for a negative gain
    double dGain;            // the quantized, signed pitch gain
};

// Signed quantization of an optimal pitch gain; a magnitude equal to a threshold takes the lower
// level.
PitchGainCode QuantizePitchGain(double dGain);

// The signed pitch gain of an index: 0..31 the levels, 32..63 the negative levels (63 is level
// 0); an index beyond 0..63 is clamped first.
double PitchGainFromIndex(std::int32_t nIndex);

// Quantized pulse gain of an optimal gain f: absolute in subframe 0, as a ratio to the
// previous subframe's gain after it. The index goes to *pnIndex.
double QuantizePulseGain(int nSubframe, double dOptimal, double dPrevGain, std::int32_t* pnIndex);

// The pulse gain of an index, the inverse of QuantizePulseGain; an index beyond its range is
// clamped first.
double PulseGainFromIndex(int nSubframe, std::int32_t nIndex, double dPrevGain);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
