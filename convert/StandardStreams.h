// SPDX-License-Identifier: BSD-3-Clause
// "-" on the command line: standard input as an input, standard output as an output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace veltrane {

inline constexpr const char* kStandardStreamName = "-";

// Whether path names the standard stream ("-") rather than a file.
bool IsStandardStream(const std::filesystem::path& path);

} // namespace veltrane
