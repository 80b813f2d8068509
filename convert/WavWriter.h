// SPDX-License-Identifier: BSD-3-Clause
// The decoder's output container: a canonical 44-byte header and 16 kHz mono 16-bit samples.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace veltrane {

inline constexpr int kWavHeaderBytes = 44;

// The whole file: RIFF/WAVE, a 16-byte PCM fmt chunk, then the data chunk, all little-endian.
// Returns an empty buffer when the samples do not fit the 32-bit sizes of the header.
std::vector<std::uint8_t> WriteWav16(std::span<const std::int16_t> samples);

} // namespace veltrane
