#include "PulseSearch.h"

#include "ExcitationFilters.h"

#include <cmath>

namespace veltrane {

namespace {

int Position(int nPhase, int i) {
    return nPhase + kGridSpacing * i;
}

double PatternScore(const std::int32_t* anPattern, int nPhase, const double* adD, double dBeta) {
    double dY = 0.0;
    double dEnergy = kTinyEnergy;
    for (int n = 0; n < kSubframeSamples; ++n) {
        dY = dY * dBeta + anPattern[n];
        dEnergy = dEnergy + dY * dY;
    }
    double dR = 0.0;
    for (int i = 0; i < kPulses; ++i) {
        dR += anPattern[Position(nPhase, i)] * adD[Position(nPhase, i)];
    }
    return dR * dR / dEnergy;
}

// The pattern filtered by the impulse response: only its five grid positions contribute.
void FilterPattern(const std::int32_t* anPattern, int nPhase, const double* adH, double* adY) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        double dSum = 0.0;
        for (int i = 0; i < kPulses && Position(nPhase, i) <= n; ++i) {
            dSum += anPattern[Position(nPhase, i)] * adH[n - Position(nPhase, i)];
        }
        adY[n] = n < nPhase ? 0.0 : dSum;
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

void PreselectCandidates(const PulsePatterns& patterns, int nPhase, const double* adD, double dBeta,
                         std::int32_t* anChosen) {
    double adScore[kPatternCount];
    for (int m = 0; m < kPatternCount; ++m) {
        adScore[m] = PatternScore(patterns[m], nPhase, adD, dBeta);
    }
    SelectBest(adScore, kPatternCount, kPreselectedPatterns, anChosen);
}

PulseChoice SelectCandidate(const PulsePatterns& patterns, int nPhase, const std::int32_t* anChosen,
                            const double* adH, const double* adX2, int nSubframe,
                            double dPrevGain) {
    double dBest = kWorstScore;
    int nBestPattern = anChosen[0];
    PulseChoice choice{0.0, 0, {}};
    for (int r = 0; r < kPreselectedPatterns; ++r) {
        double adY[kSubframeSamples];
        FilterPattern(patterns[anChosen[r]], nPhase, adH, adY);
        double dR = 0.0;
        double dE = kTinyEnergy;
        for (int n = 0; n < kSubframeSamples; ++n) {
            dR += adX2[n] * adY[n];
            dE += adY[n] * adY[n];
        }
        std::int32_t nIndex = 0;
        const double dGain = QuantizePulseGain(nSubframe, dR / dE, dPrevGain, &nIndex);
        const double dScore = 2.0 * dGain * dR - dGain * dGain * dE;
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

} // namespace veltrane
