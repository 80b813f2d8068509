// SPDX-License-Identifier: BSD-3-Clause
// The quality verb: how much of each recording the encoder keeps, measured by encoding and
// decoding it in memory.
#pragma once

#include <filesystem>
#include <vector>

namespace veltrane {

// Prints, for each file, its frames, duration, SNR and segmental SNR against the input after
// the encoder's DC-removal filter, and the bit rate, on stdout; a rejected file gets its
// message and path on stderr. bJson: one JSON array of objects instead of lines. Exit status:
// 0 when every file was measured, 2 otherwise.
int RunQuality(const std::vector<std::filesystem::path>& files, bool bJson);

} // namespace veltrane
