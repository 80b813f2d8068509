// SPDX-License-Identifier: BSD-3-Clause
// Doubles side by side in one vector register, for independent chains run together where the
// compiler does not pair them itself. Element-wise operations round exactly as their scalar
// forms do (the codec is built without contraction, so no multiply-add is fused), so the width
// changes the speed, never a result.
#pragma once

#include "codec/CodecVariant.h"

#include <cstdint>
#include <cstring>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// Two doubles: a 128-bit register, which every x86-64 processor has.
using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

// As many doubles as the build's widest register holds: four where the codec is built for AVX,
// two otherwise.
#if defined(__AVX__)
inline constexpr int kVecLanes = 4;
#else
inline constexpr int kVecLanes = 2;
#endif
using DoubleVec = double __attribute__((vector_size(kVecLanes * sizeof(double))));

// n rounded up to whole vectors.
constexpr int WholeVecs(int n) {
    return (n + kVecLanes - 1) / kVecLanes;
}

template <typename V> inline V LoadLanes(const double* adFrom) {
    V lanes;
    std::memcpy(&lanes, adFrom, sizeof lanes);
    return lanes;
}

template <typename V> inline V SplatLanes(double dValue) {
    V lanes;
    for (int i = 0; i < static_cast<int>(sizeof(V) / sizeof(double)); ++i) {
        lanes[i] = dValue;
    }
    return lanes;
}

inline DoublePair LoadPair(const double* adFrom) {
    return LoadLanes<DoublePair>(adFrom);
}
inline DoublePair SplatPair(double dValue) {
    return SplatLanes<DoublePair>(dValue);
}
inline DoubleVec LoadVec(const double* adFrom) {
    return LoadLanes<DoubleVec>(adFrom);
}
inline DoubleVec SplatVec(double dValue) {
    return SplatLanes<DoubleVec>(dValue);
}

// |v| element-wise: the sign bits cleared.
inline DoubleVec AbsVec(DoubleVec value) {
    using BitsVec = std::uint64_t __attribute__((vector_size(sizeof(DoubleVec))));
    constexpr std::uint64_t kMagnitudeBits = ~(std::uint64_t{1} << 63);
    // The builtin, not std::bit_cast: a template over a vector type would be instantiated alike
    // by every build and only one copy kept, whatever instructions it holds.
    return __builtin_bit_cast(DoubleVec, __builtin_bit_cast(BitsVec, value) & kMagnitudeBits);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
