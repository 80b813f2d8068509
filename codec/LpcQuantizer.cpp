// SPDX-License-Identifier: BSD-3-Clause
#include "LpcQuantizer.h"

#include "SpeechEncoder.h"
#include "tables/LarExpTable.h"
#include "tables/RcTables.h"

#include <cmath>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {
// Number of levels of each coefficient, in the order the words combine them.
inline int Radix(int n) {
    return kRcLevels[n];
}
} // namespace

void PredictorToReflection(const double* adA, double* adK) {
    double adB[kLpcOrder];
    for (int i = 0; i < kLpcOrder; ++i) {
        adB[i] = adA[i];
    }
    for (int m = kLpcOrder - 1; m >= 0; --m) {
        adK[m] = adB[m];
        if (std::fabs(adB[m]) >= 1.0) {
            adK[m] = 0.98; // B is not reduced at this order
            continue;
        }
        if (m == 0) {
            continue;
        }
        const double dK = adK[m];
        const double dDenominator = 1.0 - dK * dK;
        double adNext[kLpcOrder];
        for (int j = 0; j < m; ++j) {
            adNext[j] = (adB[j] + dK * adB[m - 1 - j]) / dDenominator;
        }
        for (int j = 0; j < m; ++j) {
            adB[j] = adNext[j];
        }
    }
}

std::int32_t QuantizeReflection(int n, double dK) {
    const int nBase = kRcBase[n];
    int j = nBase;
    while (j < nBase + kRcLevels[n] - 1 && dK > static_cast<double>(kRcThresholds[j])) {
        ++j;
    }
    return j - nBase;
}

double ReflectionLevel(int n, std::int32_t nIndex) {
    return static_cast<double>(kRcOutputs[kRcBase[n] + nIndex]);
}

LpcParamWords CombineParamWords(const std::int32_t* i) {
    LpcParamWords p;
    p[0] = i[0] * Radix(3) + i[3];
    p[1] = ((i[1] * Radix(2) + i[2]) * Radix(7) + i[7]) * Radix(11) + i[11];
    p[2] = (i[4] * Radix(5) + i[5]) * Radix(6) + i[6];
    p[3] = i[8] * Radix(12) + i[12];
    p[4] = i[9];
    p[5] = i[10];
    p[6] = i[13];
    p[7] = (i[14] * Radix(15) + i[15]) * Radix(16) + i[16];
    p[8] = (i[17] * Radix(18) + i[18]) * Radix(19) + i[19];
    return p;
}

void SplitParamWords(const LpcParamWords& p, std::int32_t* i) {
    i[3] = p[0] % Radix(3);
    i[0] = p[0] / Radix(3);
    i[11] = p[1] % Radix(11);
    i[7] = (p[1] / Radix(11)) % Radix(7);
    i[2] = (p[1] / (Radix(11) * Radix(7))) % Radix(2);
    i[1] = p[1] / (Radix(11) * Radix(7) * Radix(2));
    i[6] = p[2] % Radix(6);
    i[5] = (p[2] / Radix(6)) % Radix(5);
    i[4] = p[2] / (Radix(6) * Radix(5));
    i[12] = p[3] % Radix(12);
    i[8] = p[3] / Radix(12);
    i[9] = p[4];
    i[10] = p[5];
    i[13] = p[6];
    i[16] = p[7] % Radix(16);
    i[15] = (p[7] / Radix(16)) % Radix(15);
    i[14] = p[7] / (Radix(16) * Radix(15));
    i[19] = p[8] % Radix(19);
    i[18] = (p[8] / Radix(19)) % Radix(18);
    i[17] = p[8] / (Radix(19) * Radix(18));
}

void ReflectionToLar(const double* adK, double* adLar) {
    for (int n = 0; n < kLpcOrder; ++n) {
        adLar[n] = adK[n] == 0.0 ? 0.0 : std::log((1.0 - adK[n]) / (1.0 + adK[n]));
    }
}

void LarToReflection(const double* adLar, double* adK) {
    for (int n = 0; n < kLpcOrder; ++n) {
        const double dX = std::exp(adLar[n]);
        adK[n] = (1.0 - dX) / (1.0 + dX);
    }
}

// Each order's coefficients are made from the previous order's in a second local row; the two
// rows take turns, so nothing is copied back and the caller's rows are written once.
void ReflectionToPredictor(const double* adK, double* adRow) {
    double aadOrder[2][kLpcOrder] = {};
    for (int i = 0; i < kLpcOrder; ++i) {
        const double* adPrev = aadOrder[(i + 1) % 2];
        double* adNext = aadOrder[i % 2];
        const double dK = adK[i];
        adNext[i] = dK;
        for (int j = 0; j < i; ++j) {
            adNext[j] = adPrev[j] - dK * adPrev[i - 1 - j];
        }
    }
    const double* adLast = aadOrder[(kLpcOrder - 1) % 2];
    for (int j = 0; j < kLpcOrder; ++j) {
        adRow[j] = adLast[j];
    }
}

void InterpolateLar(int c, const double* adNewer, const double* adOlder, double* adLar) {
    const double dStep = 1.0 / 6.0;
    const double dNewWeight = (c + 1) * dStep;
    const double dOldWeight = (5 - c) * dStep;
    for (int n = 0; n < kLpcOrder; ++n) {
        adLar[n] = dNewWeight * adNewer[n] + dOldWeight * adOlder[n];
    }
}

// LarToReflection of InterpolateLar, with the exponential read from the table of every value
// that the stored levels can give.
void InterpolatedReflections(int c, const std::int32_t* anNewerIndex,
                             const std::int32_t* anOlderIndex, double* adK) {
    for (int n = 0; n < kLpcOrder; ++n) {
        const double dX = kLarExp[c][kRcBase[n] + anNewerIndex[n]][kRcBase[n] + anOlderIndex[n]];
        adK[n] = (1.0 - dX) / (1.0 + dX);
    }
}

void InterpolatePredictors(const std::int32_t* anNewerIndex, const std::int32_t* anOlderIndex,
                           SubframePredictors& aadInterp) {
    for (int c = 0; c < kSubframes; ++c) {
        double adKi[kLpcOrder];
        InterpolatedReflections(c, anNewerIndex, anOlderIndex, adKi);
        ReflectionToPredictor(adKi, aadInterp[c].data());
    }
}

void StoreLpcAnalysis(const double* adA, std::int32_t* anRcIndex, std::int32_t* anRcIndexPrev) {
    double adK[kLpcOrder];
    PredictorToReflection(adA, adK);
    for (int n = 0; n < kLpcOrder; ++n) {
        anRcIndexPrev[n] = anRcIndex[n];
        anRcIndex[n] = QuantizeReflection(n, adK[n]);
    }
}

void QuantizeFrameLpc(const double* adA, std::int32_t* anRcIndex, std::int32_t* anRcIndexPrev,
                      LpcParamWords& words, SubframePredictors& aadInterp) {
    words = CombineParamWords(anRcIndex);
    InterpolatePredictors(anRcIndex, anRcIndexPrev, aadInterp);
    StoreLpcAnalysis(adA, anRcIndex, anRcIndexPrev);
}

LpcParamWords CSpeechEncoder::MakeParamWords() const {
    return CombineParamWords(m_anRcIndex);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
