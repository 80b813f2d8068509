#include "convert/FileByteSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

CFileByteSource::~CFileByteSource() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
    }
}

bool CFileByteSource::Open(const std::filesystem::path& path) {
    m_nFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_nFd < 0) {
        m_nError = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(m_nFd, &info) != 0) {
        m_nError = errno;
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        m_nError = EISDIR;
        return false;
    }
    m_nSize = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::size_t CFileByteSource::ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) {
    auto* pBytes = static_cast<char*>(pBuffer);
    std::size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t nRead =
            ::pread(m_nFd, pBytes + nDone, nBytes - nDone, static_cast<off_t>(nOffset + nDone));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            m_nError = errno;
            break;
        }
        if (nRead == 0) {
            break;
        }
        nDone += static_cast<std::size_t>(nRead);
    }
    return nDone;
}

} // namespace veltrane
