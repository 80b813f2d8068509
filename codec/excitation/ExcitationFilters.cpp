#include "ExcitationFilters.h"

#include "codec/CodecTypes.h"
#include "codec/SpeechEncoder.h"

namespace veltrane {

namespace {

// One step of the weighted synthesis filter: the input first, then the memory terms in
// increasing j; the memory moves up by one and takes the output.
double SynthesisStep(double dInput, const double* adWeighted, double* adMem) {
    double dY = dInput;
    for (int j = 0; j < kLpcOrder; ++j) {
        dY += adMem[j] * adWeighted[j];
    }
    for (int j = kLpcOrder - 1; j >= 1; --j) {
        adMem[j] = adMem[j - 1];
    }
    adMem[0] = dY;
    return dY;
}

} // namespace

void Synthesize(const double* adInput, const double* adCoeffs, double* adMem, double* adOut) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adOut[n] = SynthesisStep(adInput[n], adCoeffs, adMem);
    }
}

void WeightResidual(const double* adResidual, const double* adWeighted, double* adMem,
                    double* adOut) {
    Synthesize(adResidual, adWeighted, adMem, adOut);
}

void ImpulseResponse(const double* adWeighted, double* adH) {
    double adMem[kLpcOrder] = {};
    for (int n = 0; n < kSubframeSamples; ++n) {
        adH[n] = SynthesisStep(n == 0 ? 1.0 : 0.0, adWeighted, adMem);
    }
}

void ZeroInputResponse(const double* adWeighted, const double* adMem, double* adZ) {
    double adLocal[kLpcOrder];
    for (int j = 0; j < kLpcOrder; ++j) {
        adLocal[j] = adMem[j];
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        adZ[n] = SynthesisStep(0.0, adWeighted, adLocal);
    }
}

void WeightedTarget(const double* adResidual, const double* adWeighted, double* adWgtMem,
                    const double* adSynMem, double* adH, double* adX) {
    double adW[kSubframeSamples];
    WeightResidual(adResidual, adWeighted, adWgtMem, adW);
    ImpulseResponse(adWeighted, adH);
    double adZ[kSubframeSamples];
    ZeroInputResponse(adWeighted, adSynMem, adZ);
    for (int n = 0; n < kSubframeSamples; ++n) {
        adX[n] = adW[n] - adZ[n];
    }
}

void BackwardFilter(const double* adTarget, const double* adH, double* adD) {
    for (int i = 0; i < kSubframeSamples; ++i) {
        double dSum = 0.0;
        for (int n = kSubframeSamples - 1; n >= i; --n) {
            dSum += adTarget[n] * adH[n - i];
        }
        adD[i] = dSum;
    }
}

void SubtractPitch(const double* adV, double dGp, const double* adH, const double* adX,
                   double* adX2) {
    for (int i = 0; i < kSubframeSamples; ++i) {
        double dSum = 0.0;
        for (int m = 0; m <= i; ++m) {
            dSum += adH[i - m] * adV[m];
        }
        adX2[i] = adX[i] - dGp * dSum;
    }
}

void MixExcitation(double dGp, const double* adV, double dGc, const double* adC, double* adU) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        adU[n] = dGp * adV[n] + dGc * adC[n];
    }
}

void ShiftHistory(const double* adU, double* adHistory) {
    constexpr int nKeep = kExcHistoryLength - kSubframeSamples;
    for (int i = 0; i < nKeep; ++i) {
        adHistory[i] = adHistory[i + kSubframeSamples];
    }
    for (int n = 0; n < kSubframeSamples; ++n) {
        adHistory[nKeep + n] = adU[n];
    }
}

void UpdateSynMem(const double* adU, const double* adWeighted, double* adMem) {
    for (int n = 0; n < kSubframeSamples; ++n) {
        SynthesisStep(adU[n], adWeighted, adMem);
    }
}

int TakeBest(double* adScore, int nCount) {
    double dBest = kWorstScore;
    int nBest = 0;
    for (int i = 0; i < nCount; ++i) {
        if (adScore[i] > dBest) {
            dBest = adScore[i];
            nBest = i;
        }
    }
    adScore[nBest] = kWorstScore;
    return nBest;
}

} // namespace veltrane
