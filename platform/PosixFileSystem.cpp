#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

namespace {

class CPosixFile : public IFile {
  public:
    explicit CPosixFile(int nFd) : m_nFd(nFd) {}
    ~CPosixFile() override { Close(); }

    int Read(void* pBuffer, std::size_t nBytes, std::size_t* pnRead) override {
        auto* pBytes = static_cast<char*>(pBuffer);
        std::size_t nDone = 0;
        while (nDone < nBytes) {
            const ssize_t nGot = ::read(m_nFd, pBytes + nDone, nBytes - nDone);
            if (nGot < 0 && errno == EINTR) {
                continue;
            }
            if (nGot < 0) {
                *pnRead = nDone;
                return errno;
            }
            if (nGot == 0) {
                break;
            }
            nDone += static_cast<std::size_t>(nGot);
        }
        *pnRead = nDone;
        return 0;
    }

    int Write(const void* pBuffer, std::size_t nBytes) override {
        return WriteAllTo(m_nFd, {static_cast<const std::uint8_t*>(pBuffer), nBytes});
    }

    int Seek(std::uint64_t nOffset) override {
        if (::lseek(m_nFd, static_cast<off_t>(nOffset), SEEK_SET) < 0) {
            return errno;
        }
        return 0;
    }

    int Size(std::uint64_t* pnSize) override {
        struct stat info {};
        if (::fstat(m_nFd, &info) != 0) {
            return errno;
        }
        *pnSize = static_cast<std::uint64_t>(info.st_size);
        return 0;
    }

    int Sync() override { return ::fsync(m_nFd) == 0 ? 0 : errno; }

    int Truncate(std::uint64_t nSize) override {
        return ::ftruncate(m_nFd, static_cast<off_t>(nSize)) == 0 ? 0 : errno;
    }

    int Mode(std::uint32_t* pnMode) override {
        struct stat info {};
        if (::fstat(m_nFd, &info) != 0) {
            return errno;
        }
        *pnMode = info.st_mode & 07777;
        return 0;
    }

    int SetMode(std::uint32_t nMode) override {
        return ::fchmod(m_nFd, static_cast<mode_t>(nMode)) == 0 ? 0 : errno;
    }

    int Link(const std::string& sPath) override {
        // The descriptor's entry under /proc names the file even when it has no name; without
        // /proc mounted, the descriptor itself (which needs more privilege).
        const std::string sSelf = "/proc/self/fd/" + std::to_string(m_nFd);
        if (::linkat(AT_FDCWD, sSelf.c_str(), AT_FDCWD, sPath.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return 0;
        }
        if (errno != ENOENT) {
            return errno;
        }
        return ::linkat(m_nFd, "", AT_FDCWD, sPath.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
    }

    int Close() override {
        if (m_nFd < 0) {
            return 0;
        }
        const int nResult = ::close(m_nFd);
        m_nFd = -1;
        return nResult == 0 ? 0 : errno;
    }

  private:
    int m_nFd;
};

// 0 for a regular file; else EISDIR, kErrorNotRegularFile or the errno of the failed look.
int RegularFileCheck(int nFd) {
    struct stat info {};
    if (::fstat(nFd, &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    return S_ISREG(info.st_mode) ? 0 : kErrorNotRegularFile;
}

// Holds the lock of an open lock file; on release the file is removed first, so that a process
// that opened it meanwhile finds, once it has the lock, that the name is no longer its file.
class CPosixLock : public IFileLock {
  public:
    CPosixLock(int nFd, std::string sPath) : m_nFd(nFd), m_sPath(std::move(sPath)) {}
    ~CPosixLock() override {
        ::unlink(m_sPath.c_str());
        ::close(m_nFd);
    }
    CPosixLock(const CPosixLock&) = delete;
    CPosixLock& operator=(const CPosixLock&) = delete;

  private:
    int m_nFd;
    std::string m_sPath;
};

// Whether the open file nFd is still the file that sPath names.
bool IsNamedBy(int nFd, const std::string& sPath) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(nFd, &opened) == 0 && ::stat(sPath.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

constexpr int kMaxLinks = 40; // as the system's own limit on a path's links

int OpenFile(const std::string& sPath, int nFlags, std::unique_ptr<IFile>* ppFile) {
    const int nFd = ::open(sPath.c_str(), nFlags | O_CLOEXEC, 0666);
    if (nFd < 0) {
        return errno;
    }
    *ppFile = std::make_unique<CPosixFile>(nFd);
    return 0;
}

std::string WorkingDirectory() {
    std::string sDir(256, '\0');
    while (::getcwd(sDir.data(), sDir.size()) == nullptr) {
        if (errno != ERANGE) {
            return "/";
        }
        sDir.resize(sDir.size() * 2);
    }
    sDir.resize(sDir.find('\0'));
    return sDir;
}

} // namespace

// Opened without waiting: a pipe with no other end would otherwise hold the open for good, out
// of reach of a stop request. A folder opens for reading on POSIX but has no bytes to give:
// refused as the system refuses reading it; a pipe, a device or a socket is neither a recording
// nor a place for one.
static int OpenRegular(const std::string& sPath, int nAccess, int* pnFd) {
    const int nFd = ::open(sPath.c_str(), nAccess | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (nFd < 0) {
        return errno == ENXIO ? kErrorNotRegularFile : errno; // a pipe with no reader
    }
    int nError = RegularFileCheck(nFd);
    if (nError == 0 && ::fcntl(nFd, F_SETFL, ::fcntl(nFd, F_GETFL) & ~O_NONBLOCK) != 0) {
        nError = errno;
    }
    if (nError != 0) {
        ::close(nFd);
        return nError;
    }
    *pnFd = nFd;
    return 0;
}

int OpenRegularFile(const std::string& sPath, int* pnFd) {
    return OpenRegular(sPath, O_RDONLY, pnFd);
}

CPosixFileSystem::CPosixFileSystem() : m_sCurrentDir(WorkingDirectory()) {}

int CPosixFileSystem::OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    int nFd = -1;
    if (const int nError = OpenRegularFile(Resolve(sPath), &nFd); nError != 0) {
        return nError;
    }
    *ppFile = std::make_unique<CPosixFile>(nFd);
    return 0;
}

int CPosixFileSystem::CreateNew(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    return OpenFile(Resolve(sPath), O_WRONLY | O_CREAT | O_EXCL, ppFile);
}

int CPosixFileSystem::CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) {
    // 0666 less the umask, as a new named file: the mode the file has once linked.
    return OpenFile(Resolve(sFolder), O_WRONLY | O_TMPFILE, ppFile);
}

int CPosixFileSystem::Create(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    return OpenFile(Resolve(sPath), O_WRONLY | O_CREAT | O_TRUNC, ppFile);
}

int CPosixFileSystem::OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    int nFd = -1;
    if (const int nError = OpenRegular(Resolve(sPath), O_WRONLY, &nFd); nError != 0) {
        return nError;
    }
    *ppFile = std::make_unique<CPosixFile>(nFd);
    return 0;
}

int CPosixFileSystem::Delete(const std::string& sPath) {
    return ::unlink(Resolve(sPath).c_str()) == 0 ? 0 : errno;
}

int CPosixFileSystem::Rename(const std::string& sFrom, const std::string& sTo) {
    return std::rename(Resolve(sFrom).c_str(), Resolve(sTo).c_str()) == 0 ? 0 : errno;
}

int CPosixFileSystem::RenameNoReplace(const std::string& sFrom, const std::string& sTo) {
    const std::string sAbsFrom = Resolve(sFrom);
    const std::string sAbsTo = Resolve(sTo);
    if (::renameat2(AT_FDCWD, sAbsFrom.c_str(), AT_FDCWD, sAbsTo.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system that cannot rename without replacing: a hard link, which never replaces.
    if (::link(sAbsFrom.c_str(), sAbsTo.c_str()) != 0) {
        return errno;
    }
    ::unlink(sAbsFrom.c_str());
    return 0;
}

int CPosixFileSystem::FollowLinks(const std::string& sPath, std::string* psTarget) {
    std::string sCurrent = Resolve(sPath);
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat info {};
        if (::lstat(sCurrent.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *psTarget = sCurrent; // a missing file is where the link (or the path) points
            return 0;
        }
        std::string sLink(static_cast<std::size_t>(info.st_size) + 256, '\0');
        const ssize_t nLength = ::readlink(sCurrent.c_str(), sLink.data(), sLink.size());
        if (nLength < 0) {
            return errno;
        }
        sLink.resize(static_cast<std::size_t>(nLength));
        sCurrent = AbsolutePath(FolderOf(sCurrent), sLink);
    }
    return ELOOP;
}

int CPosixFileSystem::Lock(const std::string& sPath, std::unique_ptr<IFileLock>* ppLock) {
    const std::string sAbsolute = Resolve(sPath);
    for (;;) {
        const int nFd = ::open(sAbsolute.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (nFd < 0) {
            return errno;
        }
        if (::flock(nFd, LOCK_EX | LOCK_NB) != 0) {
            const int nError = errno;
            ::close(nFd);
            return nError;
        }
        if (IsNamedBy(nFd, sAbsolute)) {
            *ppLock = std::make_unique<CPosixLock>(nFd, sAbsolute);
            return 0;
        }
        ::close(nFd); // its holder removed it as it ended: lock the file now of that name
    }
}

std::string CPosixFileSystem::CurrentDirectory() const {
    std::lock_guard lock(m_mutex);
    return m_sCurrentDir;
}

int CPosixFileSystem::SetCurrentDirectory(const std::string& sFolder) {
    const std::string sAbsolute = Resolve(sFolder);
    struct stat info {};
    if (::stat(sAbsolute.c_str(), &info) != 0) {
        return errno;
    }
    if (!S_ISDIR(info.st_mode)) {
        return ENOTDIR;
    }
    std::lock_guard lock(m_mutex);
    m_sCurrentDir = sAbsolute.size() > 1 && sAbsolute.back() == '/'
                        ? sAbsolute.substr(0, sAbsolute.size() - 1)
                        : sAbsolute;
    return 0;
}

std::string CPosixFileSystem::Resolve(const std::string& sPath) const {
    return AbsolutePath(CurrentDirectory(), sPath);
}

int WriteAllTo(int nFd, std::span<const std::uint8_t> bytes) {
    std::size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t nPut = ::write(nFd, bytes.data() + nDone, bytes.size() - nDone);
        if (nPut < 0 && errno == EINTR) {
            continue;
        }
        if (nPut < 0) {
            return errno;
        }
        if (nPut == 0) {
            return ENOSPC;
        }
        nDone += static_cast<std::size_t>(nPut);
    }
    return 0;
}

} // namespace veltrane
