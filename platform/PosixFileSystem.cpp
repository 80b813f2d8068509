#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
        const auto* pBytes = static_cast<const char*>(pBuffer);
        std::size_t nDone = 0;
        while (nDone < nBytes) {
            const ssize_t nPut = ::write(m_nFd, pBytes + nDone, nBytes - nDone);
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

    int Close() override {
        if (m_nFd < 0) {
            return 0;
        }
        const int nResult = ::close(m_nFd);
        m_nFd = -1;
        return nResult == 0 ? 0 : errno;
    }

    int Descriptor() const { return m_nFd; }

  private:
    int m_nFd;
};

bool IsFolder(int nFd) {
    struct stat info {};
    return ::fstat(nFd, &info) == 0 && S_ISDIR(info.st_mode);
}

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

CPosixFileSystem::CPosixFileSystem() : m_sCurrentDir(WorkingDirectory()) {}

int CPosixFileSystem::OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    std::unique_ptr<IFile> pFile;
    if (const int nError = OpenFile(Resolve(sPath), O_RDONLY, &pFile); nError != 0) {
        return nError;
    }
    // A folder opens for reading on POSIX but has no bytes to give: refused as the system
    // refuses reading it.
    if (IsFolder(static_cast<CPosixFile&>(*pFile).Descriptor())) {
        return EISDIR;
    }
    *ppFile = std::move(pFile);
    return 0;
}

int CPosixFileSystem::Create(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    return OpenFile(Resolve(sPath), O_WRONLY | O_CREAT | O_TRUNC, ppFile);
}

int CPosixFileSystem::Delete(const std::string& sPath) {
    return ::unlink(Resolve(sPath).c_str()) == 0 ? 0 : errno;
}

int CPosixFileSystem::Rename(const std::string& sFrom, const std::string& sTo) {
    return std::rename(Resolve(sFrom).c_str(), Resolve(sTo).c_str()) == 0 ? 0 : errno;
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

} // namespace veltrane
