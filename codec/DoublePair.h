// Two doubles in one vector register, for independent chains run side by side where the
// compiler does not pair them itself. Element-wise operations round exactly as their scalar
// forms do (the codec is built without contraction, so no multiply-add is fused).
#pragma once

#include "codec/CodecVariant.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

inline DoublePair LoadPair(const double* adFrom) {
    DoublePair pair;
    std::memcpy(&pair, adFrom, sizeof pair);
    return pair;
}

inline DoublePair SplatPair(double dValue) {
    return DoublePair{dValue, dValue};
}

// |v| element-wise: the sign bits cleared.
inline DoublePair AbsPair(DoublePair value) {
    using BitsPair = std::uint64_t __attribute__((vector_size(sizeof(DoublePair))));
    constexpr std::uint64_t kMagnitudeBits = ~(std::uint64_t{1} << 63);
    return std::bit_cast<DoublePair>(std::bit_cast<BitsPair>(value) & kMagnitudeBits);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
