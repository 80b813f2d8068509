// SPDX-License-Identifier: BSD-3-Clause
#include "LpcAnalysis.h"

#include "CodecTypes.h"
#include "DoublePair.h"
#include "SpeechEncoder.h"

#include <cmath>
#include <cstring>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// Lags computed side by side, a group at a time: one vector lane per lag and one more lag on
// its own. Where a vector holds two doubles, three groups of seven (three pairs and one); where
// it holds four, one group of all 21 (five vectors and one).
constexpr int kLagVecs = kVecLanes == 4 ? 5 : 3;
constexpr int kLagGroup = kLagVecs * kVecLanes + 1;
static_assert((kLpcOrder + 1) % kLagGroup == 0);

} // namespace

// Each group of lags m0..m0+kLagGroup-1 runs j together while every lag has a product, then each
// lag its own last products; every r[m] still sums its products in ascending j.
void Autocorrelate(const double* adX, double* adR) {
    for (int m0 = 0; m0 <= kLpcOrder; m0 += kLagGroup) {
        DoubleVec aVecs[kLagVecs] = {};
        double dLast = 0.0;                                          // lag m0 + kLagGroup - 1
        const int nShared = kLpcWindowLength - (m0 + kLagGroup - 1); // j < nShared: every lag
        for (int j = 0; j < nShared; ++j) {
            const DoubleVec x = SplatVec(adX[j]);
            for (int q = 0; q < kLagVecs; ++q) {
                aVecs[q] += LoadVec(&adX[j + m0 + kVecLanes * q]) * x;
            }
            dLast += adX[j + m0 + kLagGroup - 1] * adX[j];
        }
        double adAcc[kLagGroup];
        for (int k = 0; k < kLagGroup - 1; ++k) {
            adAcc[k] = aVecs[k / kVecLanes][k % kVecLanes];
        }
        adAcc[kLagGroup - 1] = dLast;
        for (int t = 0; t < kLagGroup - 1; ++t) { // j = nShared + t: lags k < kLagGroup - 1 - t
            const int j = nShared + t;
            for (int k = 0; k < kLagGroup - 1 - t; ++k) {
                adAcc[k] += adX[j + m0 + k] * adX[j];
            }
        }
        for (int k = 0; k < kLagGroup; ++k) {
            adR[m0 + k] = adAcc[k];
        }
    }
}

// Squared periodic Hamming window (period 400, not 399).
void MakeLpcWindow(double* adWindow) {
    static_assert(kLpcWindowLength == 400, "0.0025 is 1/400");
    for (int i = 0; i < kLpcWindowLength; ++i) {
        const double dHamming = 0.54 - 0.46 * std::cos(i * 0.0025 * 6.283185307);
        adWindow[i] = dHamming * dHamming;
    }
}

void MakeBwExpand(double* adFactors) {
    adFactors[0] = 0.9883;
    for (int k = 1; k < kLpcOrder; ++k) {
        adFactors[k] = adFactors[k - 1] * 0.9883;
    }
}

std::int16_t Levinson(const double* adR, double* adA, double* adK) {
    for (int i = 0; i < kLpcOrder; ++i) {
        adA[i] = 0.0;
        adK[i] = 0.0;
    }
    if (!(adR[0] > 0.0)) {
        return kLevinsonNoEnergy;
    }
    double adPrev[kLpcOrder] = {};
    double dError = adR[0];
    for (int i = 0; i < kLpcOrder; ++i) {
        double dAcc = 0.0;
        for (int j = 0; j < i; ++j) {
            dAcc += adPrev[j] * adR[i - j];
        }
        const double dK = (adR[i + 1] - dAcc) / dError;
        if (std::fabs(dK) >= 1.0) {
            // a[0..i-1] already hold the last stable order; everything above stays zero.
            return kLevinsonUnstable;
        }
        adK[i] = dK;
        adA[i] = dK;
        for (int j = 0; j < i; ++j) {
            adA[j] = adPrev[j] - dK * adPrev[i - 1 - j];
        }
        dError = dError * (1.0 - dK * dK);
        for (int j = 0; j <= i; ++j) {
            adPrev[j] = adA[j];
        }
    }
    return kLevinsonComplete;
}

// Eight residual samples side by side, two to a vector register, each subtracting its products
// in increasing j.
void InverseFilter(const double* adSpeech, const double* adA, double* adResidual) {
    constexpr int kLanes = 8;
    constexpr int kLanePairs = kLanes / 2;
    static_assert(kSubframeSamples % kLanes == 0);
    for (int i0 = 0; i0 < kSubframeSamples; i0 += kLanes) {
        DoublePair aE[kLanePairs];
        for (int q = 0; q < kLanePairs; ++q) {
            aE[q] = LoadPair(&adSpeech[i0 + 2 * q]);
        }
        for (int j = 0; j < kLpcOrder; ++j) {
            const DoublePair a = SplatPair(adA[j]);
            for (int q = 0; q < kLanePairs; ++q) {
                aE[q] -= a * LoadPair(&adSpeech[i0 + 2 * q - 1 - j]);
            }
        }
        std::memcpy(&adResidual[i0], aE, sizeof aE);
    }
}

void WeightPredictor(const double* adA, double* adWeighted) {
    double dFactor = 0.8;
    for (int k = 0; k < kLpcOrder; ++k) {
        adWeighted[k] = adA[k] * dFactor;
        dFactor = dFactor * 0.8;
    }
}

double CSpeechEncoder::AnalyzeLpc(double* adA) const {
    double adX[kLpcWindowLength];
    for (int i = 0; i < kLpcWindowLength; ++i) {
        adX[i] = m_adLpcWindow[i] * m_adSignal[kLpcWindowStart + i];
    }
    double adR[kLpcOrder + 1];
    Autocorrelate(adX, adR);
    double adK[kLpcOrder];
    Levinson(adR, adA, adK);
    for (int i = 0; i < kLpcOrder; ++i) {
        adA[i] = adA[i] * m_adBwExpand[i];
    }
    return adK[0];
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
