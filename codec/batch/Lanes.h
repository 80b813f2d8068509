// SPDX-License-Identifier: BSD-3-Clause
// One double per file, side by side: the value type of the batch encoder, which runs several
// files' encoders in lock-step, lane l of every value belonging to file l. Element-wise add,
// subtract, multiply, divide and compare round exactly as their scalar forms (the codec is built
// without contraction, so no multiply-add is fused), so each lane computes what the single-file
// encoder computes for its file; choices are made per lane with a compare and a select.
//
// A value is kLaneGroups of the build's widest vector registers, written out as such so that
// every operation is one instruction per group.
#pragma once

#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// Doubles per register, and registers per value: two of the widest registers the build has
// (eight doubles each with AVX-512, four with AVX, two without), so that every recursive chain
// has a second, independent one beside it.
#if defined(__AVX512F__)
inline constexpr int kGroupLanes = 8;
inline constexpr int kLaneGroups = 2;
#elif defined(__AVX__)
inline constexpr int kGroupLanes = 4;
inline constexpr int kLaneGroups = 2;
#else
inline constexpr int kGroupLanes = 2;
inline constexpr int kLaneGroups = 2;
#endif
inline constexpr int kBatchLanes = kGroupLanes * kLaneGroups; // files per batch

using GroupLanes = double __attribute__((vector_size(kGroupLanes * sizeof(double))));
using GroupMask = std::int64_t __attribute__((vector_size(kGroupLanes * sizeof(double))));

namespace lanes_detail {

// Element l of an array of vectors (vector types alias their element type).
template <typename V, typename E> E* Element(V* aGroups, int l) {
    return reinterpret_cast<E*>(aGroups) + l;
}

} // namespace lanes_detail

// A comparison's result: all bits set in the lanes where it holds, none elsewhere.
struct LaneMask {
    GroupMask m_a[kLaneGroups];

    std::int64_t operator[](int l) const {
        return *lanes_detail::Element<const GroupMask, const std::int64_t>(m_a, l);
    }
    LaneMask& operator&=(const LaneMask& other) {
        for (int g = 0; g < kLaneGroups; ++g) {
            m_a[g] &= other.m_a[g];
        }
        return *this;
    }
};

inline LaneMask operator&(LaneMask a, const LaneMask& b) {
    return a &= b;
}

// Lane-wise difference of lane numbers (a mask's all-ones lanes count as -1).
inline LaneMask operator-(const LaneMask& a, const LaneMask& b) {
    LaneMask r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = a.m_a[g] - b.m_a[g];
    }
    return r;
}

inline LaneMask operator|(const LaneMask& a, const LaneMask& b) {
    LaneMask r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = a.m_a[g] | b.m_a[g];
    }
    return r;
}

inline LaneMask operator~(const LaneMask& a) {
    LaneMask r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = ~a.m_a[g];
    }
    return r;
}

struct Lanes {
    GroupLanes m_a[kLaneGroups];

    double operator[](int l) const {
        return *lanes_detail::Element<const GroupLanes, const double>(m_a, l);
    }
    double& operator[](int l) { return *lanes_detail::Element<GroupLanes, double>(m_a, l); }
};

inline Lanes SplatLanes(double dValue) {
    Lanes r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = GroupLanes{} + dValue;
    }
    return r;
}

inline LaneMask SplatMask(std::int64_t nValue) {
    LaneMask r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = GroupMask{} + nValue;
    }
    return r;
}

// The arithmetic, group by group.
#define VELTRANE_LANES_OPERATOR(op)                                                                \
    inline Lanes operator op(const Lanes& a, const Lanes& b) {                                     \
        Lanes r;                                                                                   \
        for (int g = 0; g < kLaneGroups; ++g) {                                                    \
            r.m_a[g] = a.m_a[g] op b.m_a[g];                                                       \
        }                                                                                          \
        return r;                                                                                  \
    }                                                                                              \
    inline Lanes operator op(double a, const Lanes& b) {                                           \
        return SplatLanes(a) op b;                                                                 \
    }                                                                                              \
    inline Lanes operator op(const Lanes& a, double b) {                                           \
        return a op SplatLanes(b);                                                                 \
    }                                                                                              \
    inline Lanes& operator op##=(Lanes& a, const Lanes& b) {                                       \
        return a = a op b;                                                                         \
    }
VELTRANE_LANES_OPERATOR(+)
VELTRANE_LANES_OPERATOR(-)
VELTRANE_LANES_OPERATOR(*)
VELTRANE_LANES_OPERATOR(/)
#undef VELTRANE_LANES_OPERATOR

#define VELTRANE_LANES_COMPARISON(op)                                                              \
    inline LaneMask operator op(const Lanes& a, const Lanes& b) {                                  \
        LaneMask r;                                                                                \
        for (int g = 0; g < kLaneGroups; ++g) {                                                    \
            r.m_a[g] = a.m_a[g] op b.m_a[g];                                                       \
        }                                                                                          \
        return r;                                                                                  \
    }                                                                                              \
    inline LaneMask operator op(const Lanes& a, double b) {                                        \
        return a op SplatLanes(b);                                                                 \
    }
VELTRANE_LANES_COMPARISON(>)
VELTRANE_LANES_COMPARISON(>=)
VELTRANE_LANES_COMPARISON(==)
#undef VELTRANE_LANES_COMPARISON

inline LaneMask operator>(double a, const Lanes& b) {
    return SplatLanes(a) > b;
}

// Lane indices compared with a number.
#define VELTRANE_MASK_COMPARISON(op)                                                               \
    inline LaneMask operator op(const LaneMask& a, std::int64_t b) {                               \
        LaneMask r;                                                                                \
        for (int g = 0; g < kLaneGroups; ++g) {                                                    \
            r.m_a[g] = a.m_a[g] op b;                                                              \
        }                                                                                          \
        return r;                                                                                  \
    }
VELTRANE_MASK_COMPARISON(==)
VELTRANE_MASK_COMPARISON(<)
VELTRANE_MASK_COMPARISON(>)
#undef VELTRANE_MASK_COMPARISON

// mask ? a : b lane by lane.
inline Lanes SelectLanes(const LaneMask& mask, const Lanes& a, const Lanes& b) {
    Lanes r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = mask.m_a[g] ? a.m_a[g] : b.m_a[g];
    }
    return r;
}

inline LaneMask SelectMask(const LaneMask& mask, const LaneMask& a, const LaneMask& b) {
    LaneMask r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = mask.m_a[g] ? a.m_a[g] : b.m_a[g];
    }
    return r;
}

// |v| lane by lane: the sign bits cleared, as std::fabs does. (The builtin, not std::bit_cast,
// whose instances over vector types every build would share.)
inline Lanes AbsLanes(const Lanes& value) {
    constexpr std::int64_t kMagnitudeBits = ~(std::int64_t{1} << 63);
    Lanes r;
    for (int g = 0; g < kLaneGroups; ++g) {
        r.m_a[g] = __builtin_bit_cast(GroupLanes,
                                      __builtin_bit_cast(GroupMask, value.m_a[g]) & kMagnitudeBits);
    }
    return r;
}

inline bool AnyLane(const LaneMask& mask) {
    std::int64_t nAny = 0;
    for (int l = 0; l < kBatchLanes; ++l) {
        nAny |= mask[l];
    }
    return nAny != 0;
}

inline bool AllLanes(const LaneMask& mask) {
    std::int64_t nAll = -1;
    for (int l = 0; l < kBatchLanes; ++l) {
        nAll &= mask[l];
    }
    return nAll != 0;
}

// A mask from one condition per lane.
inline LaneMask MaskOf(const bool (&abLane)[kBatchLanes]) {
    LaneMask mask;
    for (int l = 0; l < kBatchLanes; ++l) {
        *lanes_detail::Element<GroupMask, std::int64_t>(mask.m_a, l) = abLane[l] ? -1 : 0;
    }
    return mask;
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
