// SPDX-License-Identifier: BSD-3-Clause
#include "ExcitationFilters.h"

#include "codec/CodecTypes.h"
#include "codec/DoublePair.h"
#include "codec/SpeechEncoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

using FilterRun = double[kRunLength];

// N filters with the same coefficients side by side, each y[n] = x[n] + sum_j y[n-1-j] * a[j]
// summed from the input upward in j. The filters are independent, so running them together
// lets their dependent chains overlap; each keeps its own order of operations. The newest
// output, which every next output needs first, stays in a register: read back from the run
// (paired with its neighbour by the compiler) it waited for its own store each sample.
template <int N>
void SynthesizeRuns(const double* const (&apInput)[N], const double* adCoeffs,
                    FilterRun (&aadRun)[N]) {
    double adNewest[N];
    for (int f = 0; f < N; ++f) {
        adNewest[f] = aadRun[f][kLpcOrder - 1];
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        double adY[N];
        for (int f = 0; f < N; ++f) {
            adY[f] = apInput[f][n] + adNewest[f] * adCoeffs[0];
        }
        for (int j = 1; j < kLpcOrder; ++j) {
            for (int f = 0; f < N; ++f) {
                adY[f] += aadRun[f][kLpcOrder + n - 1 - j] * adCoeffs[j];
            }
        }
        for (int f = 0; f < N; ++f) {
            aadRun[f][kLpcOrder + n] = adY[f];
            adNewest[f] = adY[f];
        }
    }
}

constexpr double kImpulse[kSubframeSamples] = {1.0};
constexpr double kSilence[kSubframeSamples] = {};

// One filter over 40 samples, started from adFrom (from rest when null); the new memory goes to
// adMem and the output to adOut where they are not null.
void SynthesizeOne(const double* adInput, const double* adCoeffs, const double* adFrom,
                   double* adMem, double* adOut) {
    FilterRun aadRun[1] = {};
    if (adFrom != nullptr) {
        LoadMemory(adFrom, aadRun[0]);
    }
    SynthesizeRuns<1>({adInput}, adCoeffs, aadRun);
    if (adMem != nullptr) {
        StoreMemory(aadRun[0], adMem);
    }
    if (adOut != nullptr) {
        for (int n = 0; n < kSubframeSamples; ++n) {
            adOut[n] = aadRun[0][kLpcOrder + n];
        }
    }
}

} // namespace

void Synthesize(const double* adInput, const double* adCoeffs, double* adMem, double* adOut) {
    SynthesizeOne(adInput, adCoeffs, adMem, adMem, adOut);
}

void WeightResidual(const double* adResidual, const double* adWeighted, double* adMem,
                    double* adOut) {
    SynthesizeOne(adResidual, adWeighted, adMem, adMem, adOut);
}

void ImpulseResponse(const double* adWeighted, double* adH) {
    SynthesizeOne(kImpulse, adWeighted, nullptr, nullptr, adH);
}

void ZeroInputResponse(const double* adWeighted, const double* adMem, double* adZ) {
    SynthesizeOne(kSilence, adWeighted, adMem, nullptr, adZ);
}

// The weighted speech, the impulse response and the zero-input response, side by side.
void WeightedTarget(const double* adResidual, const double* adWeighted, double* adWgtMem,
                    const double* adSynMem, double* adH, double* adX) {
    FilterRun aadRun[3] = {};
    LoadMemory(adWgtMem, aadRun[0]);
    LoadMemory(adSynMem, aadRun[2]);
    SynthesizeRuns<3>({adResidual, kImpulse, kSilence}, adWeighted, aadRun);
    StoreMemory(aadRun[0], adWgtMem);
    for (int n = 0; n < kSubframeSamples; ++n) {
        adH[n] = aadRun[1][kLpcOrder + n];
        adX[n] = aadRun[0][kLpcOrder + n] - aadRun[2][kLpcOrder + n];
    }
}

// Outputs are computed eight at a time, side by side in registers, two to a vector register
// (written out: left to itself the compiler pairs the products of consecutive terms instead and
// reorders them back with shuffles); each sum still runs over its own products in its own order.
constexpr int kLanes = 8;
constexpr int kLanePairs = kLanes / 2;
static_assert(kSubframeSamples % kLanes == 0);

// acc[k] += dFactor * adTerms[k] for the eight lanes.
inline void AccumulateLanes(double dFactor, const double* adTerms, DoublePair (&aAcc)[kLanePairs]) {
    const DoublePair factor = SplatPair(dFactor);
    for (int q = 0; q < kLanePairs; ++q) {
        aAcc[q] += factor * LoadPair(&adTerms[2 * q]);
    }
}

// d[i] for i = i0..i0+7 take the products n = 39 down to i0 + 7 together, then each its own
// last ones down to n = i.
void BackwardFilter(const double* adTarget, const double* adH, double* adD) {
    double adReversed[kSubframeSamples]; // h[39 - k]: h[n - i] runs forward in i
    for (int k = 0; k < kSubframeSamples; ++k) {
        adReversed[k] = adH[kSubframeSamples - 1 - k];
    }
    for (int i0 = 0; i0 < kSubframeSamples; i0 += kLanes) {
        DoublePair aAcc[kLanePairs] = {};
        for (int n = kSubframeSamples - 1; n >= i0 + kLanes - 1; --n) {
            // [k] = h[n - i0 - k]
            AccumulateLanes(adTarget[n], &adReversed[kSubframeSamples - 1 - n + i0], aAcc);
        }
        std::memcpy(&adD[i0], aAcc, sizeof aAcc);
    }
    for (int i0 = 0; i0 < kSubframeSamples; i0 += kLanes) {
        for (int k = 0; k < kLanes - 1; ++k) {
            double dSum = adD[i0 + k];
            for (int j = kLanes - 2; j >= k; --j) { // n = i0 + j
                dSum += adTarget[i0 + j] * adH[j - k];
            }
            adD[i0 + k] = dSum;
        }
    }
}

// y[n] for n = n0..n0+7 take the products m = 0..n0 together, then each its own last ones up
// to m = n.
void Convolve(const double* adSegment, const double* adH, double* adY) {
    for (int n0 = 0; n0 < kSubframeSamples; n0 += kLanes) {
        DoublePair aAcc[kLanePairs] = {};
        for (int m = 0; m <= n0; ++m) {
            AccumulateLanes(adSegment[m], &adH[n0 - m], aAcc); // [k] = h[n0 + k - m]
        }
        std::memcpy(&adY[n0], aAcc, sizeof aAcc);
    }
    for (int n0 = 0; n0 < kSubframeSamples; n0 += kLanes) {
        for (int k = 1; k < kLanes; ++k) {
            double dSum = adY[n0 + k];
            for (int j = 1; j <= k; ++j) { // m = n0 + j
                dSum += adSegment[n0 + j] * adH[k - j];
            }
            adY[n0 + k] = dSum;
        }
    }
}

void SubtractPitch(const double* adV, double dGp, const double* adH, const double* adX,
                   double* adX2) {
    double adY[kSubframeSamples];
    Convolve(adV, adH, adY);
    SubtractFilteredPitch(adY, dGp, adX, adX2);
}

void SubtractFilteredPitch(const double* adY, double dGp, const double* adX, double* adX2) {
    for (int i = 0; i < kSubframeSamples; ++i) {
        adX2[i] = adX[i] - dGp * adY[i];
    }
}

void MixExcitation(double dGp, const double* adV, double dGc, const double* adC, double* adU) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adU[n] = dGp * adV[n] + dGc * adC[n];
    }
}

void ShiftHistory(const double* adU, double* adHistory) {
    constexpr int nKeep = kExcHistoryLength - kSubframeSamples;
    for (int i = 0; i < nKeep; ++i) {
        adHistory[i] = adHistory[i + kSubframeSamples];
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        adHistory[nKeep + n] = adU[n];
    }
}

void UpdateSynMem(const double* adU, const double* adWeighted, double* adMem) {
    SynthesizeOne(adU, adWeighted, adMem, adMem, nullptr);
}

namespace {

// The highest of the scores by the rule `s > best ? s : best` from kWorstScore, so that a
// number is never passed over for a NaN. Two vectors of running maxima side by side; which lane
// saw the maximum does not matter, only its value.
constexpr int kScoreStride = 2 * kVecLanes;

double HighestScore(const double* adScore, int nPaddedCount) {
    DoubleVec aHigh[2] = {SplatVec(kWorstScore), SplatVec(kWorstScore)};
    for (int i = 0; i < nPaddedCount; i += kScoreStride) {
        for (int h = 0; h < 2; ++h) {
            const DoubleVec score = LoadVec(&adScore[i + kVecLanes * h]);
            aHigh[h] = score > aHigh[h] ? score : aHigh[h];
        }
    }
    double dHigh = kWorstScore;
    for (const DoubleVec& high : aHigh) {
        for (int j = 0; j < kVecLanes; ++j) {
            dHigh = high[j] > dHigh ? high[j] : dHigh;
        }
    }
    return dHigh;
}

} // namespace

// nTake passes, each finding the highest remaining value and taking its first index, then
// striking it out with a NaN, which no later pass can take. Scores that tie compare equal
// (+0 and -0 too), so the first of them goes first.
void SelectBest(const double* adScore, int nCount, int nTake, std::int32_t* anChosen) {
    assert(nCount <= kMaxScores && nTake <= kMaxSelected);
    constexpr double kStruck = std::numeric_limits<double>::quiet_NaN();
    double adLeft[kMaxScores + kScoreStride - 1];
    const int nPaddedCount = (nCount + kScoreStride - 1) / kScoreStride * kScoreStride;
    std::copy_n(adScore, nCount, adLeft);
    std::fill(adLeft + nCount, adLeft + nPaddedCount, kStruck);
    for (int r = 0; r < nTake; ++r) {
        const double dHigh = HighestScore(adLeft, nPaddedCount);
        int nAt = 0; // a pass that finds nothing takes index 0
        if (dHigh > kWorstScore) {
            while (!(adLeft[nAt] == dHigh)) {
                ++nAt;
            }
            adLeft[nAt] = kStruck;
        }
        anChosen[r] = nAt;
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
