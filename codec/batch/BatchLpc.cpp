// SPDX-License-Identifier: BSD-3-Clause
#include "BatchEncoder.h"
#include "BatchStages.h"

#include "codec/LpcQuantizer.h"

#include <algorithm>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// Lags summed together, so that their chains overlap; each r[m] sums in ascending j.
constexpr int kLagGroup = 7;
static_assert((kLpcOrder + 1) % kLagGroup == 0);

} // namespace

void AutocorrelateLanes(const Lanes* aX, Lanes* aR) {
    for (int m0 = 0; m0 <= kLpcOrder; m0 += kLagGroup) {
        Lanes aAcc[kLagGroup] = {};
        const int nShared = kLpcWindowLength - (m0 + kLagGroup - 1); // j < nShared: every lag
        for (int j = 0; j < nShared; ++j) {
            for (int k = 0; k < kLagGroup; ++k) {
                aAcc[k] += aX[j + m0 + k] * aX[j];
            }
        }
        for (int k = 0; k < kLagGroup; ++k) {
            for (int j = nShared; j < kLpcWindowLength - (m0 + k); ++j) {
                aAcc[k] += aX[j + m0 + k] * aX[j];
            }
            aR[m0 + k] = aAcc[k];
        }
    }
}

// A lane whose recursion stops (no energy, or a reflection coefficient reaching |k| >= 1)
// keeps the last stable order, as the single-file recursion returns with it.
void LevinsonLanes(const Lanes* aR, Lanes* aA, Lanes* aK) {
    for (int i = 0; i < kLpcOrder; ++i) {
        aA[i] = Lanes{};
        aK[i] = Lanes{};
    }
    LaneMask running = aR[0] > 0.0;
    Lanes aPrev[kLpcOrder] = {};
    Lanes error = aR[0];
    for (int i = 0; i < kLpcOrder && AnyLane(running); ++i) {
        Lanes acc{};
        for (int j = 0; j < i; ++j) {
            acc += aPrev[j] * aR[i - j];
        }
        const Lanes k = (aR[i + 1] - acc) / error;
        running &= ~(AbsLanes(k) >= 1.0);
        aK[i] = SelectLanes(running, k, aK[i]);
        aA[i] = SelectLanes(running, k, aA[i]);
        for (int j = 0; j < i; ++j) {
            aA[j] = SelectLanes(running, aPrev[j] - k * aPrev[i - 1 - j], aA[j]);
        }
        error = error * (1.0 - k * k);
        for (int j = 0; j <= i; ++j) {
            aPrev[j] = aA[j];
        }
    }
}

void InverseFilterLanes(const Lanes* aSpeech, const Lanes* aA, Lanes* aResidual) {
    for (int i = 0; i < kSubframeSamples; ++i) {
        aResidual[i] = aSpeech[i];
    }
    for (int j = 0; j < kLpcOrder; ++j) {
        for (int i = 0; i < kSubframeSamples; ++i) {
            aResidual[i] -= aA[j] * aSpeech[i - 1 - j];
        }
    }
}

void WeightPredictorLanes(const Lanes* aA, Lanes* aWeighted) {
    double dFactor = 0.8;
    for (int k = 0; k < kLpcOrder; ++k) {
        aWeighted[k] = aA[k] * dFactor;
        dFactor = dFactor * 0.8;
    }
}

Lanes CBatchEncoder::AnalyzeLpc(Lanes* aA) const {
    Lanes aX[kLpcWindowLength];
    for (int i = 0; i < kLpcWindowLength; ++i) {
        aX[i] = m_adLpcWindow[i] * m_aSignal[kLpcWindowStart + i];
    }
    Lanes aR[kLpcOrder + 1];
    AutocorrelateLanes(aX, aR);
    Lanes aK[kLpcOrder];
    LevinsonLanes(aR, aA, aK);
    for (int i = 0; i < kLpcOrder; ++i) {
        aA[i] = aA[i] * m_adBwExpand[i];
    }
    return aK[0];
}

// Step-up from reflection coefficients to a predictor, as ReflectionToPredictor.
void ReflectionToPredictorLanes(const Lanes* aK, Lanes* aRow) {
    Lanes aaOrder[2][kLpcOrder] = {};
    for (int i = 0; i < kLpcOrder; ++i) {
        const Lanes* aPrev = aaOrder[(i + 1) % 2];
        Lanes* aNext = aaOrder[i % 2];
        aNext[i] = aK[i];
        for (int j = 0; j < i; ++j) {
            aNext[j] = aPrev[j] - aK[i] * aPrev[i - 1 - j];
        }
    }
    std::copy_n(aaOrder[(kLpcOrder - 1) % 2], kLpcOrder, aRow);
}

// The quantizers search tables with each lane's own values: done lane by lane, by the
// single-file code; the step-up of the six interpolated predictors runs in lanes.
void CBatchEncoder::QuantizeLpc(const Lanes* aA, BatchFrame& frame) {
    Lanes aaK[kSubframes][kLpcOrder];
    for (int l = 0; l < kBatchLanes; ++l) {
        frame.m_aWords[l] = CombineParamWords(m_aanRcIndex[l]);
        for (int c = 0; c < kSubframes; ++c) {
            double adK[kLpcOrder];
            InterpolatedReflections(c, m_aanRcIndex[l], m_aanRcIndexPrev[l], adK);
            for (int k = 0; k < kLpcOrder; ++k) {
                aaK[c][k][l] = adK[k];
            }
        }
        double adA[kLpcOrder];
        for (int k = 0; k < kLpcOrder; ++k) {
            adA[k] = aA[k][l];
        }
        StoreLpcAnalysis(adA, m_aanRcIndex[l], m_aanRcIndexPrev[l]);
    }
    for (int c = 0; c < kSubframes; ++c) {
        ReflectionToPredictorLanes(aaK[c], frame.m_aaInterp[c]);
    }
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
