// SPDX-License-Identifier: BSD-3-Clause
// Bit layout of the 30-byte frame: seven little-endian 32-bit words W0..W6 and one 16-bit W7.
#pragma once

#include "CodecTypes.h"
#include "codec/CodecVariant.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// Field widths of the parameter words P0..P8 and of the four kinds of excitation slot.
inline constexpr int kParamWordBits[kParamWords] = {9, 15, 11, 6, 3, 3, 3, 8, 8};
inline constexpr int kLagCodeBits = 8;
inline constexpr int kPitchGainBits = 6;
inline constexpr int kPulseCodeBits = 11;
inline constexpr int kFirstPulseGainBits = 5;
inline constexpr int kPulseGainRatioBits = 3;

// Width in bits of excitation slot n.
int ExcitationSlotBits(int nSlot);

// Writes all 30 bytes. Debug builds assert that every value lies inside its field.
void PackFields(const LpcParamWords& words, const ExcitationIndices& slots, EncodedFrame& frame);

// The exact inverse of PackFields.
void UnpackFields(const EncodedFrame& frame, LpcParamWords& words, ExcitationIndices& slots);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
