// SPDX-License-Identifier: BSD-3-Clause
// Pulse excitation: five ternary pulses on a grid of spacing 8 and the pulse-gain quantizers.
#pragma once

#include "GainCodes.h"
#include "PulseCode.h"
#include "codec/CodecTypes.h"
#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

inline constexpr int kPatternCount = 16;
inline constexpr int kPreselectedPatterns = 5;

using PulsePatterns = std::int32_t[kPatternCount][kSubframeSamples];

// The phase 0..7 whose five grid magnitudes of d sum highest (the lowest phase on a tie).
int SelectPhase(const double* adD);

// sigma_i: the sign of d at pulse i (0 where d is exactly 0).
void PulseSigns(const double* adD, int nPhase, std::int32_t* anSigns);

// mu_i: 1 for the first pulse of largest magnitude (pulse 0 when all are zero), else 0.
void StrongestPulse(const double* adD, int nPhase, std::int32_t* anMarks);

// The 16 patterns: the signs with any subset of the four unmarked pulses switched off.
void BuildCandidates(int nPhase, const std::int32_t* anSigns, const std::int32_t* anMarks,
                     PulsePatterns& patterns);

// The five best patterns by a one-pole energy model, in the order chosen.
void PreselectCandidates(const PulsePatterns& patterns, int nPhase, const double* adD, double dBeta,
                         std::int32_t* anChosen);

struct PulseChoice {
    double dGain;                       // the quantized pulse gain, > 0
    std::int32_t nGainIndex;            // 0..30 in subframe 0, 0..7 after it
    std::int32_t anAmplitudes[kPulses]; // -1, 0 or +1 at phase + 8i
};

// Exact evaluation of the preselected patterns through the impulse response.
PulseChoice SelectCandidate(const PulsePatterns& patterns, int nPhase, const std::int32_t* anChosen,
                            const double* adH, const double* adX2, int nSubframe, double dPrevGain);

// The whole search of one subframe, the stages above in order: the phase of d (to *pnPhase),
// the patterns (built in patterns), the preselection with the energy model's pole dBeta, and the
// exact choice on the target adX2.
PulseChoice FindPulses(const double* adD, const double* adH, const double* adX2, int nSubframe,
                       double dBeta, double dPrevGain, PulsePatterns& patterns, int* pnPhase);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
