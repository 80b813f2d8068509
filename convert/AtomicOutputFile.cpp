#include "convert/AtomicOutputFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr const char* kTempSuffix = ".part";

std::atomic<unsigned> g_nTempCounter{0};

// ".NAME.PID-N.part": hidden, unique per process and call, recognisable after a crash.
std::filesystem::path TempNameFor(const std::filesystem::path& destination) {
    std::string strName(1, '.');
    strName.append(destination.filename().string());
    strName.append(1, '.').append(std::to_string(::getpid()));
    strName.append(1, '-').append(std::to_string(g_nTempCounter.fetch_add(1)));
    strName.append(kTempSuffix);
    return destination.parent_path() / strName;
}

} // namespace

CAtomicOutputFile::~CAtomicOutputFile() {
    Discard();
}

int CAtomicOutputFile::Create(const std::filesystem::path& destination) {
    m_destination = destination;
    for (;;) {
        m_tempPath = TempNameFor(destination);
        // 0666 less the umask: the finished file gets the permissions of a plain new file.
        m_nFd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_nFd >= 0) {
            return 0;
        }
        if (errno != EEXIST) {
            const int nError = errno;
            m_tempPath.clear();
            return nError;
        }
    }
}

int CAtomicOutputFile::Write(std::span<const std::uint8_t> bytes) {
    std::size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t nWritten = ::write(m_nFd, bytes.data() + nDone, bytes.size() - nDone);
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

int CAtomicOutputFile::Commit(bool bReplace) {
    int nError = 0;
    if (::fsync(m_nFd) != 0) {
        nError = errno;
    }
    if (::close(m_nFd) != 0 && nError == 0) {
        nError = errno;
    }
    m_nFd = -1;
    if (nError == 0) {
        nError = Rename(bReplace);
    }
    if (nError != 0) {
        Discard();
        return nError;
    }
    m_tempPath.clear();
    return 0;
}

int CAtomicOutputFile::Rename(bool bReplace) const {
    if (bReplace) {
        return std::rename(m_tempPath.c_str(), m_destination.c_str()) == 0 ? 0 : errno;
    }
    // Neither call replaces an existing destination, so a file that appeared since the caller
    // looked is kept. The hard link serves file systems that cannot rename without replacing.
    if (::renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_destination.c_str(),
                    RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::link(m_tempPath.c_str(), m_destination.c_str()) != 0) {
        return errno;
    }
    ::unlink(m_tempPath.c_str());
    return 0;
}

void CAtomicOutputFile::Discard() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool IsTemporaryOutputName(const std::string& strFileName) {
    return strFileName.size() > 6 && strFileName.front() == '.' &&
           strFileName.ends_with(kTempSuffix);
}

} // namespace veltrane
