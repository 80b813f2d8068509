// SPDX-License-Identifier: BSD-3-Clause
// The deep trace of speech_en: every intermediate value of the encoder's first ten calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::test {

// Runs the encoder over the first ten frames of the samples and replays each stage, fed with
// the trace's own inputs, against the trace's outputs, in pipeline order. Returns a
// description of the first stage whose output differs ("call 3 subframe 2 stage d: value 17
// ..."), or an empty string when all agree. A missing trace is reported as a difference.
std::string FirstDeepTraceDifference(const std::vector<std::int16_t>& samples);

} // namespace veltrane::test
