// SPDX-License-Identifier: BSD-3-Clause
// The whole conversion of a WAV file held in memory, for the tests and fuzz targets that compare
// a job's output with the frames its bytes give.
#pragma once

#include "convert/WavHeader.h"

#include <cstdint>
#include <span>
#include <vector>

namespace veltrane {

// The header check of fileBytes and, when accepted, the frames of every whole frame that the
// bytes hold, appended to frames.
WavCheckResult EncodeWavBytes(std::span<const std::uint8_t> fileBytes,
                              std::vector<std::uint8_t>& frames);

} // namespace veltrane
