// SPDX-License-Identifier: BSD-3-Clause
// "-" on the command line: standard input as an input, standard output as an output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace veltrane {

inline constexpr const char* kStandardStreamName = "-";

// Whether path names the standard stream ("-") rather than a file.
bool IsStandardStream(const std::filesystem::path& path);

// Reads the stream on nFd to its end into bytes. 0, EFBIG when it holds more than nLimit bytes,
// or the errno of a failed read.
int ReadWholeStream(int nFd, std::uint64_t nLimit, std::vector<std::uint8_t>& bytes);

} // namespace veltrane
