#include "convert/StandardStreams.h"

#include <cerrno>
#include <unistd.h>

namespace veltrane {

bool IsStandardStream(const std::filesystem::path& path) {
    return path == kStandardStreamName;
}

int WriteAllTo(int nFd, std::span<const std::uint8_t> bytes) {
    std::size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t nWritten = ::write(nFd, bytes.data() + nDone, bytes.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten < 0) {
            return errno;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    return 0;
}

} // namespace veltrane
