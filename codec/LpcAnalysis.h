// SPDX-License-Identifier: BSD-3-Clause
// Linear-prediction analysis: autocorrelation, Levinson-Durbin recursion, weighting.
// Sign convention: a[0..19] predict x[n] as a[0]*x[n-1] + ... + a[19]*x[n-20].
#pragma once

#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kLpcWindowLength = 400;

enum LevinsonStatus : std::int16_t {
    kLevinsonComplete = 0, // all 20 orders computed
    kLevinsonUnstable = 1, // stopped at an order whose reflection coefficient reached |k| >= 1
    kLevinsonNoEnergy = 2, // r[0] <= 0
};

// The analysis window: the squared periodic Hamming window, 0.0064 .. 1.0.
void MakeLpcWindow(double* adWindow);

// Bandwidth-expansion factors 0.9883^(k+1), by repeated multiplication.
void MakeBwExpand(double* adFactors);

// r[m] = sum over j = 0..399-m of x[j+m]*x[j], ascending j, for m = 0..20.
void Autocorrelate(const double* adX, double* adR);

// Order-20 recursion; a and k are valid whatever the status.
std::int16_t Levinson(const double* adR, double* adA, double* adK);

// The residual of 40 samples: e[i] = s[i] - a[0]*s[i-1] - ... - a[19]*s[i-20], the products
// subtracted in that order. The 20 samples before adSpeech[0] are the filter's memory, so
// adSpeech must point at least 20 samples into its buffer.
void InverseFilter(const double* adSpeech, const double* adA, double* adResidual);

// aw[k] = a[k] * 0.8^(k+1), the factor built by repeated multiplication.
void WeightPredictor(const double* adA, double* adWeighted);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
