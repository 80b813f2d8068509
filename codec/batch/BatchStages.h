// SPDX-License-Identifier: BSD-3-Clause
// The encoder's stages in lane form: each computes, in every lane, exactly what the stage of the
// same name computes for one file (the same operations in the same order), so that the batch
// encoder's bytes are the single-file encoder's.
#pragma once

#include "Lanes.h"
#include "codec/CodecTypes.h"
#include "codec/CodecVariant.h"
#include "codec/excitation/PitchSearch.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// Linear prediction (BatchLpc.cpp).
void AutocorrelateLanes(const Lanes* aX, Lanes* aR);
void LevinsonLanes(const Lanes* aR, Lanes* aA, Lanes* aK);
void InverseFilterLanes(const Lanes* aSpeech, const Lanes* aA, Lanes* aResidual);
void WeightPredictorLanes(const Lanes* aA, Lanes* aWeighted);
void ReflectionToPredictorLanes(const Lanes* aK, Lanes* aRow);

// Filters of the analysis by synthesis (BatchFilters.cpp).
void WeightedTargetLanes(const Lanes* aResidual, const Lanes* aWeighted, Lanes* aWgtMem,
                         const Lanes* aSynMem, Lanes* aH, Lanes* aX);
void BackwardFilterLanes(const Lanes* aTarget, const Lanes* aH, Lanes* aD);
void ConvolveLanes(const Lanes* aSegment, const Lanes* aH, Lanes* aY);
void UpdateSynMemLanes(const Lanes* aU, const Lanes* aWeighted, Lanes* aMem);
// Lane l of aOut[n] = lane l of aFrom[anStart[l] + n] for n = 0..nLength-1: each lane's own
// segment.
void GatherSegment(const Lanes* aFrom, const std::int32_t* anStart, int nLength, Lanes* aOut);

// The first nTake (at most 8) of nCount scores by SelectBest's rule, lane by lane; the scores
// taken are struck out of aScore.
void SelectBestLanes(Lanes* aScore, int nCount, int nTake, LaneMask* aChosen);

// The pitch predictor (BatchPitch.cpp). Candidates and choices are per lane.
using LaneCandidates = std::int32_t[kBatchLanes][kLagCandidates];
void PreselectLagsLanes(const Lanes* aHistory, const Lanes* aD, const Lanes& beta, int nSubframe,
                        Lanes* aInvEnergy, LaneCandidates& aanCandidates);

struct LaneLagChoice {
    std::int32_t anLagCode[kBatchLanes];
    std::int32_t anGainIndex[kBatchLanes];
    Lanes gain;
};
LaneLagChoice SearchLagLanes(const Lanes* aHistory, const LaneCandidates& aanCandidates,
                             const Lanes* aH, const Lanes* aX);

// The pulse search (BatchPulses.cpp) on the target without the pitch contribution.
struct LanePulseChoice {
    Lanes gain; // the quantized pulse gain
    std::int32_t anGainIndex[kBatchLanes];
    std::int32_t anCode[kBatchLanes]; // the pulse code: phase and amplitudes
    Lanes aC[kSubframeSamples];       // the pulse vector
};
void SearchPulsesLanes(const Lanes* aD, const Lanes* aH, const Lanes* aX2, int nSubframe,
                       const Lanes& beta, const Lanes& prevGain, LanePulseChoice& choice);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
