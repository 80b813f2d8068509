// SPDX-License-Identifier: BSD-3-Clause
// Reflection-coefficient quantization, the parameter words, and the log-area-ratio
// interpolation of the predictor over the six subframes.
#pragma once

#include "CodecTypes.h"
#include "codec/CodecVariant.h"

#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

// Step-down from predictor to reflection coefficients; an order with |B| >= 1 gets 0.98.
void PredictorToReflection(const double* adA, double* adK);

// Index (0-based within coefficient n's range) of the level that k falls into; a value equal
// to a threshold takes the lower level, values beyond the range its first or last level.
std::int32_t QuantizeReflection(int n, double dK);

// The output level of index nIndex of coefficient n, widened to double.
double ReflectionLevel(int n, std::int32_t nIndex);

// Mixed-radix combination of the 20 indices into the nine words, and its inverse.
LpcParamWords CombineParamWords(const std::int32_t* anIndex);
void SplitParamWords(const LpcParamWords& words, std::int32_t* anIndex);

// L = ln((1 - k) / (1 + k)), 0 for k = 0, and its inverse k = (1 - e^L) / (1 + e^L). The
// predictor takes their composition with the interpolation from a table (kLarExp); these are
// its definition.
void ReflectionToLar(const double* adK, double* adLar);
void LarToReflection(const double* adLar, double* adK);
// Step-up from reflection coefficients to one row of predictor coefficients.
void ReflectionToPredictor(const double* adK, double* adRow);

// The interpolated log-area ratios of subframe c between the older and the newer stored set.
void InterpolateLar(int nSubframe, const double* adNewer, const double* adOlder, double* adLar);

// Row c's reflection coefficients: LarToReflection of InterpolateLar of the two sets' log-area
// ratios, the exponential taken from kLarExp.
void InterpolatedReflections(int c, const std::int32_t* anNewerIndex,
                             const std::int32_t* anOlderIndex, double* adK);

// The six subframe predictors between the older and the newer stored analysis, given by their
// quantizer indices: row c is ReflectionToPredictor of LarToReflection of InterpolateLar of the
// two sets' log-area ratios, the exponential taken from kLarExp.
void InterpolatePredictors(const std::int32_t* anNewerIndex, const std::int32_t* anOlderIndex,
                           SubframePredictors& aadInterp);

// The reflection coefficients of adA quantized into anRcIndex, which become the newer analysis;
// the newer one before them becomes the older.
void StoreLpcAnalysis(const double* adA, std::int32_t* anRcIndex, std::int32_t* anRcIndexPrev);

// One frame's quantization: the words and the six subframe predictors come from the two stored
// analyses (anRcIndex the newer), then the reflection coefficients of adA are quantized and
// become the newer analysis.
void QuantizeFrameLpc(const double* adA, std::int32_t* anRcIndex, std::int32_t* anRcIndexPrev,
                      LpcParamWords& words, SubframePredictors& aadInterp);

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
