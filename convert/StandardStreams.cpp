// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StandardStreams.h"

#include <cerrno>
#include <unistd.h>

namespace veltrane {

bool IsStandardStream(const std::filesystem::path& path) {
    return path == kStandardStreamName;
}

} // namespace veltrane
