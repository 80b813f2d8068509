// SPDX-License-Identifier: BSD-3-Clause
// An input of the verbs that report on files (check, quality, info): a file opened by its path,
// or standard input ("-") kept whole in an unnamed temporary file, so that both are read alike.
#pragma once

#include "convert/FileByteSource.h"

#include <filesystem>
#include <string>

namespace veltrane {

// Opens input into source. Empty when opened; otherwise the message, ending in a line feed.
std::string OpenReportInput(const std::filesystem::path& input, CFileByteSource& source);

} // namespace veltrane
