// SPDX-License-Identifier: BSD-3-Clause
// The check verb: the header check alone.
#pragma once

#include <filesystem>
#include <vector>

namespace veltrane {

// Prints, for each file, its frames, duration, bits per sample and data offset on stdout, or
// its message and path on stderr, followed by a hint when libsndfile reads the file. With
// bConvert, a refused file that libsndfile reads passes, and what encode --convert makes of it
// is printed instead. Exit status: 0 when every file passes, 2 otherwise.
int RunCheck(const std::vector<std::filesystem::path>& files, bool bConvert);

} // namespace veltrane
