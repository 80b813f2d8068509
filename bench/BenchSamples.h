// SPDX-License-Identifier: BSD-3-Clause
// The speech the benchmarks run on: the bundled sample, or the 16 kHz mono WAV file named by the
// environment variable VELTRANE_BENCH_SAMPLE.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::bench {

// The path of the speech file.
std::string SamplePath();
// Its whole frames of samples (240 at a time); empty when it cannot be read or is refused.
std::vector<std::int16_t> LoadSamples();

} // namespace veltrane::bench
