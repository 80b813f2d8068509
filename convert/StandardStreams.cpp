// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StandardStreams.h"

#include <cerrno>
#include <charconv>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

bool IsStandardStream(const std::filesystem::path& path) {
    return path == kStandardStreamName;
}

std::optional<int> StreamDescriptor(const std::filesystem::path& path) {
    const std::string strPath = path.string();
    if (strPath == kStandardStreamName || strPath == "/dev/stdin") {
        return STDIN_FILENO;
    }
    std::string_view number;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (strPath.starts_with(prefix)) {
            number = std::string_view(strPath).substr(prefix.size());
        }
    }
    int nFd = -1;
    const auto [pEnd, error] = std::from_chars(number.data(), number.data() + number.size(), nFd);
    struct stat info {};
    if (number.empty() || error != std::errc() || pEnd != number.data() + number.size() ||
        ::fstat(nFd, &info) != 0) {
        return std::nullopt;
    }
    if (!S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode) && !S_ISCHR(info.st_mode)) {
        return std::nullopt; // a regular file is read as one, through its name
    }
    return nFd;
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
