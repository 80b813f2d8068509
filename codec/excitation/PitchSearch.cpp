// SPDX-License-Identifier: BSD-3-Clause
#include "PitchSearch.h"

#include "ExcitationFilters.h"
#include "codec/CodecTypes.h"
#include "codec/DoublePair.h"

#include <cmath>
#include <cstring>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// The history split into its three phases modulo 3, each reversed, so that element n of the 14
// segments of a block (which start 3 apart) lies at 14 consecutive addresses: the block's sums
// then run side by side.
class CPhasedHistory {
  public:
    explicit CPhasedHistory(const double* adHistory) : m_aadPhase{} {
        for (int q = 0; q < kRows; ++q) {
            for (int r = 0; r < kCoarseLagStep; ++r) {
                const int nAt = kCoarseLagStep * q + r; // past the history's end: never read
                m_aadPhase[r][kRows - 1 - q] = nAt < kExcHistoryLength ? adHistory[nAt] : 0.0;
            }
        }
    }
    // Calls visit(n, adRow) for n = 0..39 in order, where adRow[l] is
    // history[CoarseStart(b, l) + n] for l = 0..13 (the row goes on to a whole number of
    // vectors). Rows n and n + 3 lie in the same phase, one apart: three running pointers.
    template <typename Visit> void ForEachRow(int b, Visit&& visit) const {
        const double* apPhase[kCoarseLagStep];
        for (int r = 0; r < kCoarseLagStep; ++r) {
            apPhase[r] = At(CoarseStart(b, 0) + r);
        }
        for (int n0 = 0; n0 < kSubframeSamples; n0 += kCoarseLagStep) {
            for (int r = 0; r < kCoarseLagStep && n0 + r < kSubframeSamples; ++r) {
                visit(n0 + r, apPhase[r] - n0 / kCoarseLagStep);
            }
        }
    }

  private:
    // Where history element nAt lies.
    const double* At(int nAt) const {
        return &m_aadPhase[nAt % kCoarseLagStep][kRows - 1 - nAt / kCoarseLagStep];
    }

    static constexpr int kRows = (kExcHistoryLength + kCoarseLagStep - 1) / kCoarseLagStep;
    // Zeros after the last row, read by the lanes that round a block up to whole vectors.
    static constexpr int kPadding = kVecLanes * WholeVecs(kLagsPerBlock) - kLagsPerBlock;
    double m_aadPhase[kCoarseLagStep][kRows + kPadding];
};

// One step of the fast energy estimate. Adding 0 where a tiny value is flushed leaves the
// energy as it was: it is never below kTinyEnergy.
inline void EnergyStep(double dBeta, double dSample, double& dY, double& dEnergy) {
    const double dM = dBeta * dY + dSample;
    const bool bKeep = std::fabs(dM) > kFlushLevel;
    dY = bKeep ? dM : 0.0;
    dEnergy = dEnergy + (bKeep ? dM * dM : 0.0);
}

// The lanes of a block, rounded up to whole vectors; the extra lanes' sums are dropped.
constexpr int kBlockVecs = WholeVecs(kLagsPerBlock);

// EnergyStep for a vector of segments at once. A flushed value is 0, so adding its square
// leaves the energy as it was.
void EnergyStepLanes(DoubleVec beta, DoubleVec sample, DoubleVec& y, DoubleVec& energy) {
    const DoubleVec m = beta * y + sample;
    const DoubleVec zero = {};
    y = AbsVec(m) > kFlushLevel ? m : zero; // a NaN is flushed
    energy = energy + y * y;
}

// The 14 energy chains of a block run side by side, each in its own order.
void RecomputeBlock(const CPhasedHistory& history, double dBeta, int b, double* adInvEnergy) {
    const DoubleVec beta = SplatVec(dBeta);
    DoubleVec aY[kBlockVecs] = {};
    DoubleVec aEnergy[kBlockVecs];
    for (DoubleVec& energy : aEnergy) {
        energy = SplatVec(kTinyEnergy);
    }
    history.ForEachRow(b, [&](int, const double* adRow) {
        for (int q = 0; q < kBlockVecs; ++q) {
            EnergyStepLanes(beta, LoadVec(&adRow[kVecLanes * q]), aY[q], aEnergy[q]);
        }
    });
    for (int l = 0; l < kLagsPerBlock; ++l) {
        adInvEnergy[kLagsPerBlock * b + l] = 1.0 / aEnergy[l / kVecLanes][l % kVecLanes];
    }
}

// The history moves by one subframe per call, so each block's segments become the next
// block's: shift the cache one block older and refresh block 0. At subframe 3 the frame's tilt
// must hold everywhere: blocks 1..3 are then what subframes 2, 1 and 0 of this frame computed
// with it for the same segments, so only blocks 4 and 5 (from the previous frame) are redone.
void MaintainCache(const CPhasedHistory& history, double dBeta, int nSubframe,
                   double* adInvEnergy) {
    for (int b = kLagBlocks - 1; b >= 1; --b) {
        for (int l = 0; l < kLagsPerBlock; ++l) {
            adInvEnergy[kLagsPerBlock * b + l] = adInvEnergy[kLagsPerBlock * (b - 1) + l];
        }
    }
    RecomputeBlock(history, dBeta, 0, adInvEnergy);
    if (nSubframe == kTiltRefreshSubframe) {
        for (int b = kTiltRefreshSubframe + 1; b < kLagBlocks; ++b) {
            RecomputeBlock(history, dBeta, b, adInvEnergy);
        }
    }
}

// The 14 correlations of a block side by side, each summed in ascending n.
void CorrelateBlock(const CPhasedHistory& history, int b, const double* adD, double* adC) {
    DoubleVec aAcc[kBlockVecs] = {};
    history.ForEachRow(b, [&](int n, const double* adRow) {
        const DoubleVec d = SplatVec(adD[n]);
        for (int q = 0; q < kBlockVecs; ++q) {
            aAcc[q] += d * LoadVec(&adRow[kVecLanes * q]);
        }
    });
    for (int l = 0; l < kLagsPerBlock; ++l) {
        adC[l] = aAcc[l / kVecLanes][l % kVecLanes];
    }
}

void ScoreCoarseLags(const CPhasedHistory& history, const double* adD, const double* adInvEnergy,
                     double* adScore) {
    for (int b = 0; b < kLagBlocks; ++b) {
        double adC[kLagsPerBlock];
        CorrelateBlock(history, b, adD, adC);
        for (int l = 0; l < kLagsPerBlock; ++l) {
            const int nEntry = kLagsPerBlock * b + l;
            const double dC = adC[l];
            adScore[nEntry] = std::fabs(dC) > kFlushLevel ? dC * adInvEnergy[nEntry] * dC : 0.0;
        }
    }
}

} // namespace

double FastEnergy(const double* adSegment, double dBeta) {
    double dY = 0.0;
    double dEnergy = kTinyEnergy;
    for (int n = 0; n < kSubframeSamples; ++n) {
        EnergyStep(dBeta, adSegment[n], dY, dEnergy);
    }
    return dEnergy;
}

void PreselectLags(const double* adHistory, const double* adD, double dBeta, int nSubframe,
                   double* adInvEnergy, std::int32_t* anCandidates) {
    const CPhasedHistory history(adHistory);
    MaintainCache(history, dBeta, nSubframe, adInvEnergy);
    double adScore[kCoarseLags];
    ScoreCoarseLags(history, adD, adInvEnergy, adScore);
    std::int32_t anBest[kLagCandidates / 3];
    SelectBest(adScore, kCoarseLags, kLagCandidates / 3, anBest);
    for (int i = 0; i < kLagCandidates / 3; ++i) {
        const int nEntry = anBest[i];
        const int nCode =
            kSubframeSamples * (nEntry / kLagsPerBlock) + kCoarseLagStep * (nEntry % kLagsPerBlock);
        const int nStart = nCode == 0 ? 0 : nCode - 1;
        for (int j = 0; j < 3; ++j) {
            anCandidates[3 * i + j] = nStart + j;
        }
    }
}

// The 15 filtered segments are made first (each from the one before where the codes are
// consecutive); their correlations and energies then run side by side, and the choice is made
// in list order.
LagChoice SearchLag(const double* adHistory, const std::int32_t* anCandidates, const double* adH,
                    const double* adX) {
    double aadY[kLagCandidates][kSubframeSamples];
    bool abFromNeighbour[kLagCandidates];
    for (int i = 0; i < kLagCandidates; ++i) {
        const double* adSegment = &adHistory[kNewestSegment - anCandidates[i]];
        double* adY = aadY[i];
        abFromNeighbour[i] = i > 0 && anCandidates[i] == anCandidates[i - 1] + 1;
        if (abFromNeighbour[i]) {
            // One sample further back: reuse the previous filtered segment.
            const double* adPrev = aadY[i - 1];
            adY[0] = adSegment[0] * adH[0];
            for (int n = 1; n < kSubframeSamples; ++n) {
                adY[n] = adSegment[0] * adH[n] + adPrev[n - 1];
            }
        } else {
            Convolve(adSegment, adH, adY);
        }
    }
    // Correlations and energies of the candidates side by side; the last vector is filled up
    // with silent partners.
    constexpr int kVecs = WholeVecs(kLagCandidates);
    const double adSilence[kSubframeSamples] = {};
    const double* apY[kVecs * kVecLanes];
    for (int i = 0; i < kVecs * kVecLanes; ++i) {
        apY[i] = i < kLagCandidates ? aadY[i] : adSilence;
    }
    DoubleVec aR[kVecs] = {};
    DoubleVec aE[kVecs];
    for (DoubleVec& energy : aE) {
        energy = SplatVec(kTinyEnergy);
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        const DoubleVec x = SplatVec(adX[n]);
        for (int q = 0; q < kVecs; ++q) {
            DoubleVec y;
            for (int j = 0; j < kVecLanes; ++j) {
                y[j] = apY[kVecLanes * q + j][n];
            }
            aR[q] += x * y;
            aE[q] += y * y;
        }
    }
    double dBest = kWorstScore;
    int nBest = 0;
    double dBestGain = 0.0;
    for (int i = 0; i < kLagCandidates; ++i) {
        const double dR = aR[i / kVecLanes][i % kVecLanes];
        const double dE = aE[i / kVecLanes][i % kVecLanes];
        const double dScore = dR * dR / dE;
        if (dScore > dBest) {
            dBest = dScore;
            nBest = i;
            dBestGain = dR / dE;
        }
    }
    const PitchGainCode gain = QuantizePitchGain(dBestGain);
    LagChoice choice;
    choice.nLagCode = anCandidates[nBest];
    choice.nGainIndex = gain.nGainIndex;
    choice.dGain = gain.dGain;
    choice.bConvolved = !abFromNeighbour[nBest];
    std::memcpy(choice.adFiltered, aadY[nBest], sizeof choice.adFiltered);
    return choice;
}

void LagVector(const double* adHistory, std::int32_t nLagCode, double* adV) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adV[n] = adHistory[kNewestSegment - nLagCode + n];
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
