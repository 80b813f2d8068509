// SPDX-License-Identifier: BSD-3-Clause
// Turns the raw sample bytes of a WAV file into the signed 16-bit samples the encoder takes.
#pragma once

#include <cstdint>
#include <span>

namespace veltrane {

// 16-bit files (block align 2): little-endian signed samples as they stand.
// 8-bit files (block align 1): byte b, unsigned with 128 as silence, becomes (b - 128) * 256,
// so 0, 128 and 255 become -32768, 0 and 32512.
// Converts bytes.size() / nBlockAlign samples into the start of samples, which must have room
// for them; returns how many were written.
std::size_t ConvertSamples(std::span<const std::uint8_t> bytes, int nBlockAlign,
                           std::span<std::int16_t> samples);

} // namespace veltrane
