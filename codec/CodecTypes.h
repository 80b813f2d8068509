// SPDX-License-Identifier: BSD-3-Clause
// Sizes and value types shared by the encoder, the decoder and the file conversion.
#pragma once

#include "codec/CodecVariant.h"

#include <array>
#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kSampleRate = 16000;
inline constexpr int kFrameSamples = 240;   // 15 ms at 16 kHz
inline constexpr int kSubframeSamples = 40; // six subframes per frame
inline constexpr int kSubframes = 6;
inline constexpr int kLpcOrder = 20;
inline constexpr int kFrameBytes = 30; // 240 bits: 16 kbit/s
// Past total excitation that the pitch predictor draws on, oldest first: the longest lag's
// segment starts 280 samples before the subframe, and the newest 40 are the latest subframe.
inline constexpr int kExcHistoryLength = 295;

// One compressed frame: seven little-endian 32-bit words and one 16-bit word.
using EncodedFrame = std::array<std::uint8_t, kFrameBytes>;

// The nine mixed-radix words P0..P8 that carry the 20 reflection-coefficient indices.
inline constexpr int kParamWords = 9;
using LpcParamWords = std::array<std::int32_t, kParamWords>;

// 24 excitation slots per frame; for subframe c: c lag code, 6+c pitch-gain index,
// 12+c pulse code, 18+c pulse-gain index.
inline constexpr int kExcitationSlots = 24;
using ExcitationIndices = std::array<std::int32_t, kExcitationSlots>;

inline constexpr int LagSlot(int c) {
    return c;
}
inline constexpr int PitchGainSlot(int c) {
    return 6 + c;
}
inline constexpr int PulseCodeSlot(int c) {
    return 12 + c;
}
inline constexpr int PulseGainSlot(int c) {
    return 18 + c;
}

// Subframe predictors of one frame, row c for subframe c.
using SubframePredictors = std::array<std::array<double, kLpcOrder>, kSubframes>;

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
