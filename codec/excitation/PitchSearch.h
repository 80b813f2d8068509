// SPDX-License-Identifier: BSD-3-Clause
// Pitch (long-term) predictor: a two-stage lag search over the past excitation and the
// signed pitch-gain quantizer.
#pragma once

#include "GainCodes.h"
#include "codec/CodecTypes.h"
#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kLagCandidates = 15; // five coarse choices, three neighbours each
inline constexpr int kLagBlocks = 6;      // one block per subframe of lag: 40 codes each
inline constexpr int kLagsPerBlock = 14;  // coarse codes 40 b + 3 l, l = 0..13
inline constexpr int kCoarseLagStep = 3;
// 255: the history element where the code-0 segment starts, one subframe before the newest.
inline constexpr int kNewestSegment = kExcHistoryLength - kSubframeSamples;
// 240: the last coarse code (239) plus one.
inline constexpr std::int32_t kMaxLagCode =
    kSubframeSamples * (kLagBlocks - 1) + kCoarseLagStep * (kLagsPerBlock - 1) + 1;
static_assert(kNewestSegment - kMaxLagCode >= 0, "the longest lag stays inside the history");

// Values whose magnitude is 1e-17 or less count as 0 in the energies and correlations.
inline constexpr double kFlushLevel = 1e-17;
inline constexpr int kCoarseLags = kLagBlocks * kLagsPerBlock;

// Where the segment of coarse lag l of block b starts in the history.
inline constexpr int CoarseStart(int b, int l) {
    return kNewestSegment - kSubframeSamples * b - kCoarseLagStep * l;
}

// Energy of a 40-sample segment through 1/(1 - beta z^-1), values of 1e-17 or less flushed.
double FastEnergy(const double* adSegment, double dBeta);

// The subframe whose cache refresh brings every block to the frame's tilt.
inline constexpr int kTiltRefreshSubframe = 3;

// Refreshes the inverse-energy cache, scores the 84 coarse lags against d and writes the 15 lag
// candidates. The cache moves one block older and block 0 is recomputed; at subframe 3 every
// block is to hold the frame's tilt, and blocks 1..3 already do when subframes 0..2 of the same
// frame ran before with the same beta, as the encoder runs them: only blocks 4 and 5 are
// recomputed then.
void PreselectLags(const double* adHistory, const double* adD, double dBeta, int nSubframe,
                   double* adInvEnergy, std::int32_t* anCandidates);

struct LagChoice {
    std::int32_t nLagCode;   // 0..240: the segment starts L + 40 samples before the subframe
    std::int32_t nGainIndex; // level for a gain >= 0, 63 - level for a negative gain
    double dGain;            // the quantized, signed pitch gain
    // True when the chosen segment was filtered by the full convolution, not from its
    // neighbour: adFiltered is then h * v exactly as the pitch subtraction computes it.
    bool bConvolved;
    double adFiltered[kSubframeSamples];
};

// Exact search of the candidates through the impulse response, and the gain's quantization;
// hands back the chosen candidate's filtered segment where it is a full convolution.
LagChoice SearchLag(const double* adHistory, const std::int32_t* anCandidates, const double* adH,
                    const double* adX);

// v[n] = history[255 - L + n], the 40 past-excitation samples of lag code L.
void LagVector(const double* adHistory, std::int32_t nLagCode, double* adV);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
