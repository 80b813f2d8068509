// Pitch (long-term) predictor: a two-stage lag search over the past excitation and the
// signed pitch-gain quantizer.
#pragma once

#include <cstdint>

namespace veltrane {

inline constexpr int kLagCandidates = 15; // five coarse choices, three neighbours each
inline constexpr int kLagBlocks = 6;
inline constexpr int kLagsPerBlock = 14;
inline constexpr int kNewestSegment = 255; // history element where the code-0 segment starts

// Energy of a 40-sample segment through 1/(1 - beta z^-1), values of 1e-17 or less flushed.
double FastEnergy(const double* adSegment, double dBeta);

// Refreshes the inverse-energy cache (all blocks at subframe 3, else shift and block 0),
// scores the 84 coarse lags against d and writes the 15 lag candidates.
void PreselectLags(const double* adHistory, const double* adD, double dBeta, int nSubframe,
                   double* adInvEnergy, std::int32_t* anCandidates);

struct LagChoice {
    std::int32_t nLagCode;
    std::int32_t nGainIndex; // level for a gain >= 0, 63 - level for a negative gain
    double dGain;            // the quantized, signed pitch gain
};

// Exact search of the candidates through the impulse response, and the gain's quantization.
LagChoice SearchLag(const double* adHistory, const std::int32_t* anCandidates, const double* adH,
                    const double* adX);

// Signed quantization of an optimal pitch gain.
LagChoice QuantizePitchGain(double dGain);

// v[n] = history[255 - L + n], the 40 past-excitation samples of lag code L.
void LagVector(const double* adHistory, std::int32_t nLagCode, double* adV);

} // namespace veltrane
