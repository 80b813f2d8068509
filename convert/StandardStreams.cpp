// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StandardStreams.h"

#include <cerrno>
#include <unistd.h>

namespace veltrane {

bool IsStandardStream(const std::filesystem::path& path) {
    return path == kStandardStreamName;
}

int ReadWholeStream(int nFd, std::uint64_t nLimit, std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kReadBytes = 64 * 1024;
    bytes.clear();
    for (;;) {
        const std::size_t nHeld = bytes.size();
        bytes.resize(nHeld + kReadBytes);
        const ssize_t nRead = ::read(nFd, bytes.data() + nHeld, kReadBytes);
        if (nRead < 0 && errno == EINTR) {
            bytes.resize(nHeld);
            continue;
        }
        if (nRead < 0) {
            bytes.resize(nHeld);
            return errno;
        }
        bytes.resize(nHeld + static_cast<std::size_t>(nRead));
        if (bytes.size() > nLimit) {
            return EFBIG;
        }
        if (nRead == 0) {
            return 0;
        }
    }
}

} // namespace veltrane
