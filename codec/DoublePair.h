// Two doubles in one vector register, for independent chains run side by side where the
// compiler does not pair them itself. Element-wise operations round exactly as their scalar
// forms do (the codec is built without contraction, so no multiply-add is fused).
#pragma once

#include <cstring>

namespace veltrane {

using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

inline DoublePair LoadPair(const double* adFrom) {
    DoublePair pair;
    std::memcpy(&pair, adFrom, sizeof pair);
    return pair;
}

inline DoublePair SplatPair(double dValue) {
    return DoublePair{dValue, dValue};
}

} // namespace veltrane
