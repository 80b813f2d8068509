#include "LpcAnalysis.h"

#include "CodecTypes.h"
#include "SpeechEncoder.h"

#include <cmath>

namespace veltrane {

void Autocorrelate(const double* adX, double* adR) {
    for (int m = 0; m <= kLpcOrder; ++m) {
        double dSum = 0.0;
        for (int j = 0; j < kLpcWindowLength - m; ++j) {
            dSum += adX[j + m] * adX[j];
        }
        adR[m] = dSum;
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

void InverseFilter(const double* adSpeech, const double* adA, double* adResidual) {
    for (int i = 0; i < kSubframeSamples; ++i) {
        double dE = adSpeech[i];
        for (int j = 0; j < kLpcOrder; ++j) {
            dE -= adA[j] * adSpeech[i - 1 - j];
        }
        adResidual[i] = dE;
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

} // namespace veltrane
