// The check verb: the header check alone.
#pragma once

#include <filesystem>
#include <vector>

namespace veltrane {

// Prints, for each file, its frames, duration, bits per sample and data offset on stdout, or
// its message and path on stderr. Exit status: 0 when every file passes, 2 otherwise.
int RunCheck(const std::vector<std::filesystem::path>& files);

} // namespace veltrane
