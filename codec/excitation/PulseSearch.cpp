// SPDX-License-Identifier: BSD-3-Clause
#include "PulseSearch.h"

#include "ExcitationFilters.h"
#include "codec/DoublePair.h"

#include <cmath>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

int Position(int nPhase, int i) {
    return nPhase + kGridSpacing * i;
}

// R = sum of c * d over the five grid positions, in increasing i.
double GridCorrelation(const std::int32_t* anPattern, int nPhase, const double* adD) {
    double dR = 0.0;
    for (int i = 0; i < kPulses; ++i) {
        dR += anPattern[Position(nPhase, i)] * adD[Position(nPhase, i)];
    }
    return dR;
}

// The pattern filtered by the impulse response: only its five grid positions contribute, each
// output taking them in increasing i.
void FilterPattern(const std::int32_t* anPattern, int nPhase, const double* adH, double* adY) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adY[n] = 0.0;
    }
    for (int i = 0; i < kPulses; ++i) {
        const int nAt = Position(nPhase, i);
        const double dAmplitude = anPattern[nAt];
        for (int n = nAt; n < kSubframeSamples; ++n) {
            adY[n] += dAmplitude * adH[n - nAt];
        }
    }
}

} // namespace

int SelectPhase(const double* adD) {
    double dBest = kWorstScore;
    int nBest = 0;
    for (int p = 0; p < kGridSpacing; ++p) {
        double dSum = 0.0;
        for (int i = 0; i < kPulses; ++i) {
            dSum += std::fabs(adD[Position(p, i)]);
        }
        if (dSum > dBest) {
            dBest = dSum;
            nBest = p;
        }
    }
    return nBest;
}

void PulseSigns(const double* adD, int nPhase, std::int32_t* anSigns) {
    for (int i = 0; i < kPulses; ++i) {
        const double dValue = adD[Position(nPhase, i)];
        anSigns[i] = dValue > 0.0 ? 1 : (dValue < 0.0 ? -1 : 0);
    }
}

void StrongestPulse(const double* adD, int nPhase, std::int32_t* anMarks) {
    double dTotal = 0.0;
    for (int i = 0; i < kPulses; ++i) {
        anMarks[i] = 0;
        dTotal += std::fabs(adD[Position(nPhase, i)]);
    }
    int nStrongest = 0;
    if (dTotal != 0.0) {
        double dBest = 0.0;
        for (int i = 0; i < kPulses; ++i) {
            const double dMagnitude = std::fabs(adD[Position(nPhase, i)]);
            if (dMagnitude > dBest) {
                dBest = dMagnitude;
                nStrongest = i;
            }
        }
    }
    anMarks[nStrongest] = 1;
}

void BuildCandidates(int nPhase, const std::int32_t* anSigns, const std::int32_t* anMarks,
                     PulsePatterns& patterns) {
    for (auto& anPattern : patterns) {
        for (std::int32_t& nAmplitude : anPattern) {
            nAmplitude = 0;
        }
    }
    for (int i = 0; i < kPulses; ++i) {
        patterns[0][Position(nPhase, i)] = anSigns[i];
    }
    int nCount = 1;
    for (int i = 0; i < kPulses; ++i) {
        if (anMarks[i] != 0) {
            continue;
        }
        for (int q = 0; q < nCount; ++q) {
            for (int n = 0; n < kSubframeSamples; ++n) {
                patterns[nCount + q][n] = patterns[q][n];
            }
            patterns[nCount + q][Position(nPhase, i)] = 0;
        }
        nCount = 2 * nCount;
    }
}

// The 16 one-pole energy chains run side by side in vector registers, each in its own order.
// Patterns are 0 off the grid: before the first grid position y stays 0 and the energy
// unchanged, and between grid positions the added 0 is left out, which can change only the sign
// of a zero y, never a square or a later sum (the magnitudes stay the same).
void PreselectCandidates(const PulsePatterns& patterns, int nPhase, const double* adD, double dBeta,
                         std::int32_t* anChosen) {
    constexpr int kVecs = kPatternCount / kVecLanes;
    static_assert(kPatternCount % kVecLanes == 0);
    const DoubleVec beta = SplatVec(dBeta);
    DoubleVec aY[kVecs] = {};
    DoubleVec aEnergy[kVecs];
    for (DoubleVec& energy : aEnergy) {
        energy = SplatVec(kTinyEnergy);
    }
    for (int n = nPhase; n < kSubframeSamples; ++n) {
        const bool bGrid = (n - nPhase) % kGridSpacing == 0;
        for (int q = 0; q < kVecs; ++q) {
            aY[q] = aY[q] * beta;
            if (bGrid) {
                DoubleVec amplitude;
                for (int j = 0; j < kVecLanes; ++j) {
                    amplitude[j] = static_cast<double>(patterns[kVecLanes * q + j][n]);
                }
                aY[q] = aY[q] + amplitude;
            }
            aEnergy[q] = aEnergy[q] + aY[q] * aY[q];
        }
    }
    double adScore[kPatternCount];
    for (int m = 0; m < kPatternCount; ++m) {
        const double dR = GridCorrelation(patterns[m], nPhase, adD);
        adScore[m] = dR * dR / aEnergy[m / kVecLanes][m % kVecLanes];
    }
    SelectBest(adScore, kPatternCount, kPreselectedPatterns, anChosen);
}

// The five patterns are filtered first and their correlations and energies summed side by side;
// the choice then runs in the order of the preselection.
PulseChoice SelectCandidate(const PulsePatterns& patterns, int nPhase, const std::int32_t* anChosen,
                            const double* adH, const double* adX2, int nSubframe,
                            double dPrevGain) {
    double aadY[kPreselectedPatterns][kSubframeSamples];
    for (int r = 0; r < kPreselectedPatterns; ++r) {
        FilterPattern(patterns[anChosen[r]], nPhase, adH, aadY[r]);
    }
    double adR[kPreselectedPatterns] = {};
    double adE[kPreselectedPatterns];
    for (double& dE : adE) {
        dE = kTinyEnergy;
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        for (int r = 0; r < kPreselectedPatterns; ++r) {
            adR[r] += adX2[n] * aadY[r][n];
            adE[r] += aadY[r][n] * aadY[r][n];
        }
    }
    double dBest = kWorstScore;
    int nBestPattern = anChosen[0];
    PulseChoice choice{0.0, 0, {}};
    for (int r = 0; r < kPreselectedPatterns; ++r) {
        std::int32_t nIndex = 0;
        const double dGain = QuantizePulseGain(nSubframe, adR[r] / adE[r], dPrevGain, &nIndex);
        const double dScore = 2.0 * dGain * adR[r] - dGain * dGain * adE[r];
        if (dScore > dBest) {
            dBest = dScore;
            nBestPattern = anChosen[r];
            choice.dGain = dGain;
            choice.nGainIndex = nIndex;
        }
    }
    for (int i = 0; i < kPulses; ++i) {
        choice.anAmplitudes[i] = patterns[nBestPattern][Position(nPhase, i)];
    }
    return choice;
}

PulseChoice FindPulses(const double* adD, const double* adH, const double* adX2, int nSubframe,
                       double dBeta, double dPrevGain, PulsePatterns& patterns, int* pnPhase) {
    const int nPhase = SelectPhase(adD);
    std::int32_t anSigns[kPulses];
    std::int32_t anMarks[kPulses];
    PulseSigns(adD, nPhase, anSigns);
    StrongestPulse(adD, nPhase, anMarks);
    BuildCandidates(nPhase, anSigns, anMarks, patterns);
    std::int32_t anChosen[kPreselectedPatterns];
    PreselectCandidates(patterns, nPhase, adD, dBeta, anChosen);
    *pnPhase = nPhase;
    return SelectCandidate(patterns, nPhase, anChosen, adH, adX2, nSubframe, dPrevGain);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
