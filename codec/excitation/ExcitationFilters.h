// SPDX-License-Identifier: BSD-3-Clause
// Filters of one subframe's analysis by synthesis in the weighted domain. The weighted
// synthesis filter is y[n] = x[n] + sum_j aw[j] * y[n-1-j]; memories keep the newest output in
// element 0.
#pragma once

#include "codec/CodecTypes.h"
#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// A filter run: the past 20 outputs followed by the 40 new ones, oldest first, so that no sample
// moves while the filter runs. Memories keep the newest output in element 0; a run keeps it
// last. Value is a double, or the batch encoder's lanes of doubles.
inline constexpr int kRunLength = kLpcOrder + kSubframeSamples;

template <typename Value> void LoadMemory(const Value* aMem, Value* aRun) {
    for (int j = 0; j < kLpcOrder; ++j) {
        aRun[kLpcOrder - 1 - j] = aMem[j];
    }
}

template <typename Value> void StoreMemory(const Value* aRun, Value* aMem) {
    for (int j = 0; j < kLpcOrder; ++j) {
        aMem[j] = aRun[kRunLength - 1 - j];
    }
}

// The smallest normal single-precision value; starts every energy sum so it is never zero.
inline constexpr double kTinyEnergy = 1.1754943508222875e-38;
// The largest single-precision magnitude, negated: the start of every best-score search.
inline constexpr double kWorstScore = -3.4028234663852886e38;

inline constexpr int kMaxSelected = 8;
inline constexpr int kMaxScores = 84; // the coarse lags, the longest list SelectBest ranks

// The nTake (at most 8) best of nCount scores, in the order that nTake passes would take them,
// each pass taking the first of the highest remaining scores (a score replaces the best only if
// strictly greater, starting from kWorstScore) and striking it out: higher scores first, equal
// scores in index order. A score that is not greater than kWorstScore (not a number) is never
// taken; a pass that finds nothing takes index 0.
void SelectBest(const double* adScore, int nCount, int nTake, std::int32_t* anChosen);

// 40 samples through the all-pole filter y[n] = x[n] + sum_j a[j] * y[n-1-j], the input first,
// then the memory terms in increasing j; advances the memory by 40 samples. With the plain
// predictor this is the decoder's synthesis filter 1/A(z).
void Synthesize(const double* adInput, const double* adCoeffs, double* adMem, double* adOut);

// Residual through 1/A(z/0.8): the weighted speech; advances the memory by 40 samples.
void WeightResidual(const double* adResidual, const double* adWeighted, double* adMem,
                    double* adOut);

// Response of the weighted synthesis filter, from rest, to a unit impulse.
void ImpulseResponse(const double* adWeighted, double* adH);

// Output of the weighted synthesis filter with zero input from the given memory (unchanged).
void ZeroInputResponse(const double* adWeighted, const double* adMem, double* adZ);

// The target of one subframe: x = w - z, w the residual through the weighting filter (which
// advances adWgtMem) and z the zero-input response from adSynMem (left unchanged); also the
// impulse response h.
void WeightedTarget(const double* adResidual, const double* adWeighted, double* adWgtMem,
                    const double* adSynMem, double* adH, double* adX);

// d[i] = sum over n = i..39 of t[n] * h[n-i], each sum from n = 39 downward.
void BackwardFilter(const double* adTarget, const double* adH, double* adD);

// y[n] = sum over m = 0..n of segment[m] * h[n-m], ascending m: the segment filtered from rest.
void Convolve(const double* adSegment, const double* adH, double* adY);

// x2[i] = x[i] - gp * (h * v)[i]: the target with the scaled, filtered pitch vector removed.
void SubtractPitch(const double* adV, double dGp, const double* adH, const double* adX,
                   double* adX2);

// x2[i] = x[i] - gp * y[i], with y the pitch vector already filtered by h.
void SubtractFilteredPitch(const double* adY, double dGp, const double* adX, double* adX2);

// u[n] = gp * v[n] + gc * c[n].
void MixExcitation(double dGp, const double* adV, double dGc, const double* adC, double* adU);

// Drops the oldest 40 samples of the excitation history and appends u.
void ShiftHistory(const double* adU, double* adHistory);

// Runs u through the weighted synthesis filter to advance its memory; the output is discarded.
void UpdateSynMem(const double* adU, const double* adWeighted, double* adMem);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
