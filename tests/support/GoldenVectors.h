// SPDX-License-Identifier: BSD-3-Clause
// Access to the bundled golden vectors: each NAME.wav with the exact NAME.wrm it must give.
#pragma once

#include "codec/CodecTypes.h"
#include "codec/FrameEncoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::test {

// The eleven vectors that tests/data/golden holds; a missing one is a failure, not a skip.
const std::vector<std::string>& GoldenVectorNames();

std::string GoldenPath(const std::string& name, const char* pszExtension);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// The samples of a PCM WAV file (16-bit as they stand, 8-bit widened as (b - 128) * 256),
// found by walking its chunks to "data" (or taking the data to follow a "fact" chunk).
std::vector<std::int16_t> ReadWavSamples(const std::string& path);

// Encodes every whole frame with one encoder, back to back.
std::vector<std::uint8_t> EncodeAll(const std::vector<std::int16_t>& samples,
                                    CodecBuild build = ChosenCodecBuild());

// The builds of the encoder that this program holds and this processor runs.
std::vector<CodecBuild> RunnableCodecBuilds();

} // namespace veltrane::test
