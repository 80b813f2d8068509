#include "PitchSearch.h"

#include "ExcitationFilters.h"
#include "codec/CodecTypes.h"

#include <cmath>

namespace veltrane {

namespace {

constexpr double kFlushLevel = 1e-17;
constexpr int kCoarseLags = kLagBlocks * kLagsPerBlock;

int CoarseStart(int b, int l) {
    return kNewestSegment - kSubframeSamples * b - kCoarseLagStep * l;
}

void RecomputeBlock(const double* adHistory, double dBeta, int b, double* adInvEnergy) {
    for (int l = 0; l < kLagsPerBlock; ++l) {
        adInvEnergy[kLagsPerBlock * b + l] = 1.0 / FastEnergy(&adHistory[CoarseStart(b, l)], dBeta);
    }
}

// The history moves by one subframe per call, so each block's segments become the next
// block's: shift the cache one block older and refresh only the newest block.
void MaintainCache(const double* adHistory, double dBeta, int nSubframe, double* adInvEnergy) {
    if (nSubframe == 3) {
        for (int b = 0; b < kLagBlocks; ++b) {
            RecomputeBlock(adHistory, dBeta, b, adInvEnergy);
        }
        return;
    }
    for (int b = kLagBlocks - 1; b >= 1; --b) {
        for (int l = 0; l < kLagsPerBlock; ++l) {
            adInvEnergy[kLagsPerBlock * b + l] = adInvEnergy[kLagsPerBlock * (b - 1) + l];
        }
    }
    RecomputeBlock(adHistory, dBeta, 0, adInvEnergy);
}

void ScoreCoarseLags(const double* adHistory, const double* adD, const double* adInvEnergy,
                     double* adScore) {
    for (int b = 0; b < kLagBlocks; ++b) {
        for (int l = 0; l < kLagsPerBlock; ++l) {
            const double* adSegment = &adHistory[CoarseStart(b, l)];
            double dC = 0.0;
            for (int n = 0; n < kSubframeSamples; ++n) {
                dC += adD[n] * adSegment[n];
            }
            const int nEntry = kLagsPerBlock * b + l;
            adScore[nEntry] = std::fabs(dC) > kFlushLevel ? dC * adInvEnergy[nEntry] * dC : 0.0;
        }
    }
}

} // namespace

double FastEnergy(const double* adSegment, double dBeta) {
    double dY = 0.0;
    double dEnergy = kTinyEnergy;
    for (int n = 0; n < kSubframeSamples; ++n) {
        const double dM = dBeta * dY + adSegment[n];
        if (std::fabs(dM) > kFlushLevel) {
            dY = dM;
            dEnergy = dEnergy + dM * dM;
        } else {
            dY = 0.0;
        }
    }
    return dEnergy;
}

void PreselectLags(const double* adHistory, const double* adD, double dBeta, int nSubframe,
                   double* adInvEnergy, std::int32_t* anCandidates) {
    MaintainCache(adHistory, dBeta, nSubframe, adInvEnergy);
    double adScore[kCoarseLags];
    ScoreCoarseLags(adHistory, adD, adInvEnergy, adScore);
    for (int i = 0; i < kLagCandidates / 3; ++i) {
        const int nEntry = TakeBest(adScore, kCoarseLags);
        const int nCode =
            kSubframeSamples * (nEntry / kLagsPerBlock) + kCoarseLagStep * (nEntry % kLagsPerBlock);
        const int nStart = nCode == 0 ? 0 : nCode - 1;
        for (int j = 0; j < 3; ++j) {
            anCandidates[3 * i + j] = nStart + j;
        }
    }
}

LagChoice SearchLag(const double* adHistory, const std::int32_t* anCandidates, const double* adH,
                    const double* adX) {
    double dBest = kWorstScore;
    int nBest = 0;
    double dBestGain = 0.0;
    double adY[kSubframeSamples];
    for (int i = 0; i < kLagCandidates; ++i) {
        const double* adSegment = &adHistory[kNewestSegment - anCandidates[i]];
        if (i > 0 && anCandidates[i] == anCandidates[i - 1] + 1) {
            // One sample further back: reuse the previous filtered segment.
            for (int n = kSubframeSamples - 1; n >= 1; --n) {
                adY[n] = adSegment[0] * adH[n] + adY[n - 1];
            }
            adY[0] = adSegment[0] * adH[0];
        } else {
            for (int n = 0; n < kSubframeSamples; ++n) {
                double dSum = 0.0;
                for (int m = 0; m <= n; ++m) {
                    dSum += adSegment[m] * adH[n - m];
                }
                adY[n] = dSum;
            }
        }
        double dR = 0.0;
        double dE = kTinyEnergy;
        for (int n = 0; n < kSubframeSamples; ++n) {
            dR += adX[n] * adY[n];
            dE += adY[n] * adY[n];
        }
        const double dScore = dR * dR / dE;
        if (dScore > dBest) {
            dBest = dScore;
            nBest = i;
            dBestGain = dR / dE;
        }
    }
    const PitchGainCode gain = QuantizePitchGain(dBestGain);
    return {anCandidates[nBest], gain.nGainIndex, gain.dGain};
}

void LagVector(const double* adHistory, std::int32_t nLagCode, double* adV) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adV[n] = adHistory[kNewestSegment - nLagCode + n];
    }
}

} // namespace veltrane
