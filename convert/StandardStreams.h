// SPDX-License-Identifier: BSD-3-Clause
// "-" on the command line: standard input as an input, standard output as an output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace veltrane {

inline constexpr const char* kStandardStreamName = "-";

// Whether path names the standard stream ("-") rather than a file.
bool IsStandardStream(const std::filesystem::path& path);

// The descriptor of this process that an input path names as a stream: 0 for "-" and
// /dev/stdin; N for /dev/fd/N and /proc/self/fd/N (the shell's <(...)) when N is open and is a
// pipe, a socket or a character device. None for any other path, which is opened as a file: a
// stream is never opened by its name, so no pipe that another user made is waited on.
std::optional<int> StreamDescriptor(const std::filesystem::path& path);
inline bool IsStreamInput(const std::filesystem::path& path) {
    return StreamDescriptor(path).has_value();
}

// Reads the stream on nFd to its end into bytes. 0, EFBIG when it holds more than nLimit bytes,
// or the errno of a failed read.
int ReadWholeStream(int nFd, std::uint64_t nLimit, std::vector<std::uint8_t>& bytes);

} // namespace veltrane
