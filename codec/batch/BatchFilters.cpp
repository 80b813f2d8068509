// SPDX-License-Identifier: BSD-3-Clause
#include "BatchStages.h"

#include "codec/excitation/ExcitationFilters.h"

#include <algorithm>
#include <limits>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

using LaneRun = Lanes[kRunLength]; // a filter run (see LoadMemory) in lanes

// N filters with the same coefficients side by side, each y[n] = x[n] + sum_j y[n-1-j] * a[j]
// summed from the input upward in j; an input that is null is the impulse (1 at n = 0).
template <int N>
void SynthesizeRuns(const Lanes* const (&apInput)[N], const Lanes* aCoeffs, LaneRun (&aaRun)[N]) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        Lanes aY[N];
        for (int f = 0; f < N; ++f) {
            const Lanes input =
                apInput[f] != nullptr ? apInput[f][n] : SplatLanes(n == 0 ? 1.0 : 0.0);
            aY[f] = input + aaRun[f][kLpcOrder + n - 1] * aCoeffs[0];
        }
        for (int j = 1; j < kLpcOrder; ++j) {
            for (int f = 0; f < N; ++f) {
                aY[f] += aaRun[f][kLpcOrder + n - 1 - j] * aCoeffs[j];
            }
        }
        for (int f = 0; f < N; ++f) {
            aaRun[f][kLpcOrder + n] = aY[f];
        }
    }
}

} // namespace

// The weighted speech, the impulse response and the zero-input response, side by side.
void WeightedTargetLanes(const Lanes* aResidual, const Lanes* aWeighted, Lanes* aWgtMem,
                         const Lanes* aSynMem, Lanes* aH, Lanes* aX) {
    const Lanes aSilence[kSubframeSamples] = {};
    LaneRun aaRun[3] = {};
    LoadMemory(aWgtMem, aaRun[0]);
    LoadMemory(aSynMem, aaRun[2]);
    SynthesizeRuns<3>({aResidual, nullptr, aSilence}, aWeighted, aaRun);
    StoreMemory(aaRun[0], aWgtMem);
    for (int n = 0; n < kSubframeSamples; ++n) {
        aH[n] = aaRun[1][kLpcOrder + n];
        aX[n] = aaRun[0][kLpcOrder + n] - aaRun[2][kLpcOrder + n];
    }
}

void UpdateSynMemLanes(const Lanes* aU, const Lanes* aWeighted, Lanes* aMem) {
    LaneRun aaRun[1] = {};
    LoadMemory(aMem, aaRun[0]);
    SynthesizeRuns<1>({aU}, aWeighted, aaRun);
    StoreMemory(aaRun[0], aMem);
}

// Outputs computed a block at a time, their sums side by side in registers.
constexpr int kOutputBlock = 4;
static_assert(kSubframeSamples % kOutputBlock == 0);

// d[i] = sum over n = 39 down to i of t[n] * h[n - i]: the block's outputs take the products
// n = 39 down to i0 + 3 together, then each its own last ones down to n = i.
void BackwardFilterLanes(const Lanes* aTarget, const Lanes* aH, Lanes* aD) {
    for (int i0 = 0; i0 < kSubframeSamples; i0 += kOutputBlock) {
        Lanes aAcc[kOutputBlock] = {};
        for (int n = kSubframeSamples - 1; n >= i0 + kOutputBlock - 1; --n) {
            for (int k = 0; k < kOutputBlock; ++k) {
                aAcc[k] += aTarget[n] * aH[n - i0 - k];
            }
        }
        for (int n = i0 + kOutputBlock - 2; n >= i0; --n) {
            for (int k = 0; k <= n - i0; ++k) {
                aAcc[k] += aTarget[n] * aH[n - i0 - k];
            }
        }
        std::copy_n(aAcc, kOutputBlock, &aD[i0]);
    }
}

// y[n] = sum over m = 0..n of segment[m] * h[n - m], ascending m: the block's outputs take the
// products m = 0..n0 together, then each its own last ones up to m = n.
void ConvolveLanes(const Lanes* aSegment, const Lanes* aH, Lanes* aY) {
    for (int n0 = 0; n0 < kSubframeSamples; n0 += kOutputBlock) {
        Lanes aAcc[kOutputBlock] = {};
        for (int m = 0; m <= n0; ++m) {
            for (int k = 0; k < kOutputBlock; ++k) {
                aAcc[k] += aSegment[m] * aH[n0 + k - m];
            }
        }
        for (int m = n0 + 1; m < n0 + kOutputBlock; ++m) {
            for (int k = m - n0; k < kOutputBlock; ++k) {
                aAcc[k] += aSegment[m] * aH[n0 + k - m];
            }
        }
        std::copy_n(aAcc, kOutputBlock, &aY[n0]);
    }
}

void GatherSegment(const Lanes* aFrom, const std::int32_t* anStart, int nLength, Lanes* aOut) {
    for (int l = 0; l < kBatchLanes; ++l) {
        const Lanes* aLaneFrom = aFrom + anStart[l];
        for (int n = 0; n < nLength; ++n) {
            aOut[n][l] = aLaneFrom[n][l];
        }
    }
}

// SelectBest lane by lane: each pass takes, per lane, the first of its highest remaining
// scores (a score replaces the best only if strictly greater, so a NaN never does and the first
// of equal scores stays; index 0 when none is left) and strikes it out.
void SelectBestLanes(Lanes* aScore, int nCount, int nTake, LaneMask* aChosen) {
    constexpr double kStruck = std::numeric_limits<double>::quiet_NaN();
    for (int r = 0; r < nTake; ++r) {
        Lanes high = SplatLanes(kWorstScore);
        LaneMask at = SplatMask(0);
        for (int i = 0; i < nCount; ++i) {
            const LaneMask better = aScore[i] > high;
            high = SelectLanes(better, aScore[i], high);
            at = SelectMask(better, SplatMask(i), at);
        }
        const LaneMask found = high > kWorstScore;
        for (int l = 0; l < kBatchLanes; ++l) {
            if (found[l] != 0) {
                aScore[at[l]][l] = kStruck;
            }
        }
        aChosen[r] = at;
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
