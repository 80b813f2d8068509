// SPDX-License-Identifier: BSD-3-Clause
#include "BatchStages.h"

#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/GainCodes.h"

#include <algorithm>
#include <limits>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// Coarse lag l of block b starts at CoarseStart(b, l) in every lane's history.

// The 14 energy chains of a block, each y = beta y + s with values of 1e-17 or less flushed; a
// few chains at a time, so that their state stays in registers.
constexpr int kEnergyChains = 2;
static_assert(kLagsPerBlock % kEnergyChains == 0);

void RecomputeBlock(const Lanes* aHistory, const Lanes& beta, int b, Lanes* aInvEnergy) {
    for (int l0 = 0; l0 < kLagsPerBlock; l0 += kEnergyChains) {
        Lanes aY[kEnergyChains] = {};
        Lanes aEnergy[kEnergyChains];
        for (Lanes& energy : aEnergy) {
            energy = SplatLanes(kTinyEnergy);
        }
        for (int n = 0; n < kSubframeSamples; ++n) {
            for (int q = 0; q < kEnergyChains; ++q) {
                const Lanes m = beta * aY[q] + aHistory[CoarseStart(b, l0 + q) + n];
                aY[q] = SelectLanes(AbsLanes(m) > kFlushLevel, m, Lanes{});
                aEnergy[q] = aEnergy[q] + aY[q] * aY[q];
            }
        }
        for (int q = 0; q < kEnergyChains; ++q) {
            aInvEnergy[kLagsPerBlock * b + l0 + q] = 1.0 / aEnergy[q];
        }
    }
}

// The cache moves one block older with the history; block 0 is new, and at subframe 3 blocks
// 4 and 5 take the frame's tilt (see MaintainCache of the single-file search).
void MaintainCache(const Lanes* aHistory, const Lanes& beta, int nSubframe, Lanes* aInvEnergy) {
    for (int b = kLagBlocks - 1; b >= 1; --b) {
        for (int l = 0; l < kLagsPerBlock; ++l) {
            aInvEnergy[kLagsPerBlock * b + l] = aInvEnergy[kLagsPerBlock * (b - 1) + l];
        }
    }
    RecomputeBlock(aHistory, beta, 0, aInvEnergy);
    if (nSubframe == kTiltRefreshSubframe) {
        for (int b = kTiltRefreshSubframe + 1; b < kLagBlocks; ++b) {
            RecomputeBlock(aHistory, beta, b, aInvEnergy);
        }
    }
}

// Correlations with d summed in ascending n, a few lags side by side in registers.
constexpr int kCorrelations = 6;
static_assert(kCoarseLags % kCorrelations == 0);

void ScoreCoarseLags(const Lanes* aHistory, const Lanes* aD, const Lanes* aInvEnergy,
                     Lanes* aScore) {
    for (int e0 = 0; e0 < kCoarseLags; e0 += kCorrelations) {
        const Lanes* apSegment[kCorrelations];
        for (int q = 0; q < kCorrelations; ++q) {
            const int e = e0 + q;
            apSegment[q] = &aHistory[CoarseStart(e / kLagsPerBlock, e % kLagsPerBlock)];
        }
        Lanes aC[kCorrelations] = {};
        for (int n = 0; n < kSubframeSamples; ++n) {
            for (int q = 0; q < kCorrelations; ++q) {
                aC[q] += aD[n] * apSegment[q][n];
            }
        }
        for (int q = 0; q < kCorrelations; ++q) {
            const Lanes& c = aC[q];
            aScore[e0 + q] =
                SelectLanes(AbsLanes(c) > kFlushLevel, c * aInvEnergy[e0 + q] * c, Lanes{});
        }
    }
}

} // namespace

void PreselectLagsLanes(const Lanes* aHistory, const Lanes* aD, const Lanes& beta, int nSubframe,
                        Lanes* aInvEnergy, LaneCandidates& aanCandidates) {
    MaintainCache(aHistory, beta, nSubframe, aInvEnergy);
    Lanes aScore[kCoarseLags];
    ScoreCoarseLags(aHistory, aD, aInvEnergy, aScore);
    constexpr int kCoarseChoices = kLagCandidates / 3;
    LaneMask aBest[kCoarseChoices];
    SelectBestLanes(aScore, kCoarseLags, kCoarseChoices, aBest);
    for (int l = 0; l < kBatchLanes; ++l) {
        for (int i = 0; i < kCoarseChoices; ++i) {
            const int nEntry = static_cast<int>(aBest[i][l]);
            const int nCode = kSubframeSamples * (nEntry / kLagsPerBlock) +
                              kCoarseLagStep * (nEntry % kLagsPerBlock);
            const int nStart = nCode == 0 ? 0 : nCode - 1;
            for (int j = 0; j < 3; ++j) {
                aanCandidates[l][3 * i + j] = nStart + j;
            }
        }
    }
}

namespace {

// Candidate i's segment filtered by h: from its neighbour's where the codes are consecutive
// (one sample further back), by the full convolution elsewhere, lane by lane.
void FilterCandidate(const LaneCandidates& aanCandidates, int i, const Lanes* aSegment,
                     const Lanes* aH, const Lanes* aPrev, Lanes* aY) {
    bool abFromNeighbour[kBatchLanes];
    for (int l = 0; l < kBatchLanes; ++l) {
        abFromNeighbour[l] = i > 0 && aanCandidates[l][i] == aanCandidates[l][i - 1] + 1;
    }
    const LaneMask fromNeighbour = MaskOf(abFromNeighbour);
    Lanes aConvolved[kSubframeSamples];
    const bool bAnyConvolved = !AllLanes(fromNeighbour);
    if (bAnyConvolved) {
        ConvolveLanes(aSegment, aH, aConvolved);
    }
    if (!AnyLane(fromNeighbour)) {
        std::copy_n(aConvolved, kSubframeSamples, aY);
        return;
    }
    Lanes y = aSegment[0] * aH[0];
    aY[0] = bAnyConvolved ? SelectLanes(fromNeighbour, y, aConvolved[0]) : y;
    for (int n = 1; n < kSubframeSamples; ++n) {
        y = aSegment[0] * aH[n] + aPrev[n - 1];
        aY[n] = bAnyConvolved ? SelectLanes(fromNeighbour, y, aConvolved[n]) : y;
    }
}

} // namespace

// The 15 candidates filtered, their correlations and energies summed in ascending n, and the
// choice made in list order by score, lane by lane.
LaneLagChoice SearchLagLanes(const Lanes* aHistory, const LaneCandidates& aanCandidates,
                             const Lanes* aH, const Lanes* aX) {
    // The three candidates of a coarse choice are one sample apart: one segment of 42 samples
    // per lane holds them all, candidate 3t + j starting 2 - j samples into it.
    constexpr int kTripleLength = kSubframeSamples + 2;
    Lanes aaY[kLagCandidates][kSubframeSamples];
    for (int t = 0; t < kLagCandidates / 3; ++t) {
        std::int32_t anStart[kBatchLanes];
        for (int l = 0; l < kBatchLanes; ++l) {
            anStart[l] = kNewestSegment - aanCandidates[l][3 * t + 2];
        }
        Lanes aTriple[kTripleLength];
        GatherSegment(aHistory, anStart, kTripleLength, aTriple);
        for (int j = 0; j < 3; ++j) {
            const int i = 3 * t + j;
            FilterCandidate(aanCandidates, i, &aTriple[2 - j], aH, i > 0 ? aaY[i - 1] : nullptr,
                            aaY[i]);
        }
    }
    Lanes aR[kLagCandidates] = {};
    Lanes aE[kLagCandidates];
    for (Lanes& energy : aE) {
        energy = SplatLanes(kTinyEnergy);
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        for (int i = 0; i < kLagCandidates; ++i) {
            aR[i] += aX[n] * aaY[i][n];
            aE[i] += aaY[i][n] * aaY[i][n];
        }
    }
    Lanes best = SplatLanes(kWorstScore);
    LaneMask chosen = SplatMask(0);
    Lanes bestGain{};
    for (int i = 0; i < kLagCandidates; ++i) {
        const Lanes score = aR[i] * aR[i] / aE[i];
        const LaneMask better = score > best;
        best = SelectLanes(better, score, best);
        chosen = SelectMask(better, SplatMask(i), chosen);
        bestGain = SelectLanes(better, aR[i] / aE[i], bestGain);
    }
    LaneLagChoice choice;
    for (int l = 0; l < kBatchLanes; ++l) {
        const PitchGainCode gain = QuantizePitchGain(bestGain[l]);
        choice.anLagCode[l] = aanCandidates[l][chosen[l]];
        choice.anGainIndex[l] = gain.nGainIndex;
        choice.gain[l] = gain.dGain;
    }
    return choice;
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
