// SPDX-License-Identifier: BSD-3-Clause
// The pulse code of a subframe and its inverse: five ternary pulses on a grid of spacing 8.
#pragma once

#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kPulses = 5;
inline constexpr int kGridSpacing = 8;
// 1943: phase 7 and all five base-3 digits 2 (every pulse off).
inline constexpr std::int32_t kMaxPulseCode =
    (kGridSpacing - 1) + kGridSpacing * (3 * 3 * 3 * 3 * 3 - 1);

// phase + 8 * T, T the base-3 number of the amplitudes (digits -1 -> 0, +1 -> 1, 0 -> 2), pulse 0
// the most significant digit.
std::int32_t EncodePulses(const std::int32_t* anAmplitudes, int nPhase);

// Phase and amplitudes of a pulse code; a code beyond 0..1943 is clamped first. Returns the
// phase.
int DecodePulses(std::int32_t nCode, std::int32_t* anAmplitudes);

// The 40-sample pulse vector: the amplitudes at phase + 8i, zero elsewhere.
void PulseVector(const std::int32_t* anAmplitudes, int nPhase, double* adC);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
