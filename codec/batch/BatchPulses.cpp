// SPDX-License-Identifier: BSD-3-Clause
// The pulse search in lanes. Each lane has its own phase, so the grid positions differ between
// lanes: the search works on the five grid values of each lane (picked out of d by phase) and
// on signals shifted by the lane's phase, computing in every lane exactly the sums the
// single-file search computes.
#include "BatchStages.h"

#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PulseSearch.h"
#include "codec/tables/GainTables.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

using PatternAmplitudes = Lanes[kPatternCount][kPulses]; // pattern m's amplitude at pulse i

// The phase whose five grid magnitudes sum highest, the lowest on a tie (SelectPhase).
LaneMask SelectPhaseLanes(const Lanes* aD) {
    Lanes best = SplatLanes(kWorstScore);
    LaneMask phase = SplatMask(0);
    for (int p = 0; p < kGridSpacing; ++p) {
        Lanes sum{};
        for (int i = 0; i < kPulses; ++i) {
            sum += AbsLanes(aD[p + kGridSpacing * i]);
        }
        const LaneMask better = sum > best;
        best = SelectLanes(better, sum, best);
        phase = SelectMask(better, SplatMask(p), phase);
    }
    return phase;
}

// d at each lane's five grid positions.
void GridValues(const Lanes* aD, const LaneMask& phase, Lanes* aGrid) {
    for (int i = 0; i < kPulses; ++i) {
        Lanes value{};
        for (int p = 0; p < kGridSpacing; ++p) {
            value = SelectLanes(phase == p, aD[p + kGridSpacing * i], value);
        }
        aGrid[i] = value;
    }
}

// The first pulse of largest magnitude, pulse 0 when all are zero (StrongestPulse).
LaneMask StrongestPulseLanes(const Lanes* aGrid) {
    Lanes total{};
    for (int i = 0; i < kPulses; ++i) {
        total += AbsLanes(aGrid[i]);
    }
    Lanes best{};
    LaneMask strongest = SplatMask(0);
    for (int i = 0; i < kPulses; ++i) {
        const Lanes magnitude = AbsLanes(aGrid[i]);
        const LaneMask better = magnitude > best;
        best = SelectLanes(better, magnitude, best);
        strongest = SelectMask(better, SplatMask(i), strongest);
    }
    return SelectMask(total == 0.0, SplatMask(0), strongest);
}

// The 16 patterns of BuildCandidates: the signs, with the unmarked pulse of rank b (0..3, in
// pulse order) switched off in the patterns whose bit b is set.
void BuildCandidatesLanes(const Lanes* aGrid, const LaneMask& strongest,
                          PatternAmplitudes& aaAmplitude) {
    for (int i = 0; i < kPulses; ++i) {
        const Lanes sign = SelectLanes(aGrid[i] > 0.0, SplatLanes(1.0),
                                       SelectLanes(0.0 > aGrid[i], SplatLanes(-1.0), Lanes{}));
        const LaneMask marked = strongest == i;
        const LaneMask afterMark = strongest < i; // its rank is i - 1, otherwise i
        for (int m = 0; m < kPatternCount; ++m) {
            const bool bOffAfter = i > 0 && ((m >> (i - 1)) & 1) != 0;
            const bool bOffBefore = ((m >> i) & 1) != 0;
            const LaneMask off = ~marked & ((afterMark & SplatMask(bOffAfter ? -1 : 0)) |
                                            (~afterMark & SplatMask(bOffBefore ? -1 : 0)));
            aaAmplitude[m][i] = SelectLanes(off, Lanes{}, sign);
        }
    }
}

// The one-pole energy model of each pattern from its lane's phase on, and the five best
// (PreselectCandidates): step t is sample phase + t, a grid position where t is a multiple of 8.
void PreselectCandidatesLanes(const PatternAmplitudes& aaAmplitude, const LaneMask& phase,
                              const Lanes* aGrid, const Lanes& beta, LaneMask* aChosen) {
    Lanes aY[kPatternCount] = {};
    Lanes aEnergy[kPatternCount];
    for (Lanes& energy : aEnergy) {
        energy = SplatLanes(kTinyEnergy);
    }
    for (int t = 0; t < kSubframeSamples; ++t) {
        const bool bGrid = t % kGridSpacing == 0;
        const LaneMask inside = phase < kSubframeSamples - t; // phase + t <= 39
        for (int m = 0; m < kPatternCount; ++m) {
            aY[m] = aY[m] * beta;
            if (bGrid) {
                aY[m] = aY[m] + aaAmplitude[m][t / kGridSpacing];
            }
            aEnergy[m] = SelectLanes(inside, aEnergy[m] + aY[m] * aY[m], aEnergy[m]);
        }
    }
    Lanes aScore[kPatternCount];
    for (int m = 0; m < kPatternCount; ++m) {
        Lanes r{};
        for (int i = 0; i < kPulses; ++i) {
            r += aaAmplitude[m][i] * aGrid[i];
        }
        aScore[m] = r * r / aEnergy[m];
    }
    SelectBestLanes(aScore, kPatternCount, kPreselectedPatterns, aChosen);
}

// Lane l's pattern number anPattern[l], at its five pulses.
void PatternOfLanes(const PatternAmplitudes& aaAmplitude, const LaneMask& pattern, Lanes* aPulse) {
    for (int i = 0; i < kPulses; ++i) {
        for (int l = 0; l < kBatchLanes; ++l) {
            aPulse[i][l] = aaAmplitude[pattern[l]][i][l];
        }
    }
}

// Correlation with the target and energy of a pattern filtered by h (FilterPattern and the sums
// of SelectCandidate). The filtered pattern is 0 before the lane's phase and z[n - phase] from
// it; the products of those zeros with the target are summed too, as they may be NaN.
struct PatternSums {
    Lanes r;
    Lanes e;
};

PatternSums FilteredPatternSums(const Lanes* aPulse, const Lanes* aH, const Lanes* aX2,
                                const Lanes* aX2Shifted, const LaneMask& phase) {
    Lanes aZ[kSubframeSamples] = {};
    for (int i = 0; i < kPulses; ++i) {
        for (int t = kGridSpacing * i; t < kSubframeSamples; ++t) {
            aZ[t] += aPulse[i] * aH[t - kGridSpacing * i];
        }
    }
    PatternSums sums{Lanes{}, SplatLanes(kTinyEnergy)};
    for (int n = 0; n < kGridSpacing - 1; ++n) {
        sums.r = SelectLanes(phase > n, sums.r + aX2[n] * 0.0, sums.r);
    }
    for (int t = 0; t < kSubframeSamples; ++t) {
        const LaneMask inside = phase < kSubframeSamples - t;
        sums.r = SelectLanes(inside, sums.r + aX2Shifted[t] * aZ[t], sums.r);
        sums.e = SelectLanes(inside, sums.e + aZ[t] * aZ[t], sums.e);
    }
    return sums;
}

// The level of each lane's value by Level's rule: the first whose upper threshold the value
// does not exceed, the top level otherwise.
LaneMask LevelLanes(const Lanes& value, const float* afThresholds, int nSteps) {
    LaneMask going = SplatMask(-1);
    LaneMask level = SplatMask(0);
    for (int j = 0; j < nSteps - 1; ++j) {
        going &= value > static_cast<double>(afThresholds[j]);
        level = level - going;
    }
    return level;
}

// QuantizePulseGain in every lane: the absolute levels in subframe 0, the levels of the ratio
// to the previous gain after it.
Lanes QuantizePulseGainLanes(int k, const Lanes& optimal, const Lanes& prevGain, LaneMask* pIndex) {
    const bool bFirst = k == 0;
    const float* afLevels = bFirst ? kPulseGainLevels : kGainRatioLevels;
    *pIndex = bFirst ? LevelLanes(optimal, kPulseGainThresholds, kPulseGainSteps)
                     : LevelLanes(optimal / prevGain, kGainRatioThresholds, kGainRatioSteps);
    Lanes level;
    for (int l = 0; l < kBatchLanes; ++l) {
        level[l] = static_cast<double>(afLevels[(*pIndex)[l]]);
    }
    return bFirst ? level : level * prevGain;
}

// x2 from each lane's phase on: element t is x2[phase + t], 0 past the subframe.
void ShiftByPhase(const Lanes* aX2, const LaneMask& phase, Lanes* aShifted) {
    for (int l = 0; l < kBatchLanes; ++l) {
        const auto nPhase = static_cast<int>(phase[l]);
        for (int t = 0; t < kSubframeSamples; ++t) {
            aShifted[t][l] = t + nPhase < kSubframeSamples ? aX2[t + nPhase][l] : 0.0;
        }
    }
}

} // namespace

void SearchPulsesLanes(const Lanes* aD, const Lanes* aH, const Lanes* aX2, int k, const Lanes& beta,
                       const Lanes& prevGain, LanePulseChoice& choice) {
    const LaneMask phase = SelectPhaseLanes(aD);
    Lanes aGrid[kPulses];
    GridValues(aD, phase, aGrid);
    PatternAmplitudes aaAmplitude;
    BuildCandidatesLanes(aGrid, StrongestPulseLanes(aGrid), aaAmplitude);
    LaneMask aChosen[kPreselectedPatterns];
    PreselectCandidatesLanes(aaAmplitude, phase, aGrid, beta, aChosen);

    // The exact choice in the order of the preselection (SelectCandidate).
    Lanes aX2Shifted[kSubframeSamples];
    ShiftByPhase(aX2, phase, aX2Shifted);
    Lanes best = SplatLanes(kWorstScore);
    LaneMask bestPattern = aChosen[0];
    choice.gain = Lanes{};
    for (int l = 0; l < kBatchLanes; ++l) {
        choice.anGainIndex[l] = 0;
    }
    for (const LaneMask& pattern : aChosen) {
        Lanes aPulse[kPulses];
        PatternOfLanes(aaAmplitude, pattern, aPulse);
        const PatternSums sums = FilteredPatternSums(aPulse, aH, aX2, aX2Shifted, phase);
        LaneMask index;
        const Lanes gain = QuantizePulseGainLanes(k, sums.r / sums.e, prevGain, &index);
        const Lanes score = 2.0 * gain * sums.r - gain * gain * sums.e;
        const LaneMask better = score > best;
        best = SelectLanes(better, score, best);
        bestPattern = SelectMask(better, pattern, bestPattern);
        choice.gain = SelectLanes(better, gain, choice.gain);
        for (int l = 0; l < kBatchLanes; ++l) {
            if (better[l] != 0) {
                choice.anGainIndex[l] = static_cast<std::int32_t>(index[l]);
            }
        }
    }

    Lanes aPulse[kPulses];
    PatternOfLanes(aaAmplitude, bestPattern, aPulse);
    for (int l = 0; l < kBatchLanes; ++l) {
        const auto nPhase = static_cast<int>(phase[l]);
        std::int32_t anAmplitudes[kPulses];
        for (int i = 0; i < kPulses; ++i) {
            anAmplitudes[i] = static_cast<std::int32_t>(aPulse[i][l]);
        }
        choice.anCode[l] = EncodePulses(anAmplitudes, nPhase);
        double adC[kSubframeSamples];
        PulseVector(anAmplitudes, nPhase, adC);
        for (int n = 0; n < kSubframeSamples; ++n) {
            choice.aC[n][l] = adC[n];
        }
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
