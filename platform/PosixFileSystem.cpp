// SPDX-License-Identifier: BSD-3-Clause
#include "platform/PosixFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <fstream>
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

    int SetModifiedTime(std::int64_t nNanoseconds) override {
        constexpr std::int64_t kBillion = 1000000000;
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(nNanoseconds / kBillion),
                                    static_cast<long>(nNanoseconds % kBillion)}};
        return ::futimens(m_nFd, times) == 0 ? 0 : errno;
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

constexpr int kMaxLinks = 40; // as the system's own limit on a path's links
// A batch's private folder: hidden, and named at random by mkdtemp.
constexpr const char* kPrivateFolderTemplate = ".veltrane-XXXXXX";

// A new file, its owner's only until SetMode gives it its final mode. O_EXCL refuses any name
// that exists, a link or a pipe included, and O_NONBLOCK keeps even a failed open from waiting.
int CreateFile(const std::string& sPath, int nFlags, std::unique_ptr<IFile>* ppFile) {
    const int nFd = ::open(sPath.c_str(), nFlags | O_RDWR | O_NONBLOCK | O_CLOEXEC, 0600);
    if (nFd < 0) {
        return errno;
    }
    *ppFile = std::make_unique<CPosixFile>(nFd);
    return 0;
}

// Whether a link described by link, found in the folder described by folder, may be followed:
// the rule by which the system protects links in shared folders (the sticky bit and write for
// everyone, as /tmp has).
bool MayFollow(const struct stat& folder, const struct stat& link) {
    const bool bShared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !bShared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// The components of a path, in order ("." and empty ones dropped).
std::deque<std::string> Components(const std::string& sPath) {
    std::deque<std::string> components;
    std::size_t nStart = 0;
    while (nStart <= sPath.size()) {
        const std::size_t nEnd = std::min(sPath.find('/', nStart), sPath.size());
        std::string sPart = sPath.substr(nStart, nEnd - nStart);
        if (!sPart.empty() && sPart != ".") {
            components.push_back(std::move(sPart));
        }
        nStart = nEnd + 1;
    }
    return components;
}

// sDone (a path without links, "" for the root) followed by the components left.
std::string Joined(std::string sDone, const std::deque<std::string>& rest) {
    for (const std::string& sPart : rest) {
        sDone += "/" + sPart;
    }
    return sDone.empty() ? "/" : sDone;
}

// The text of the link sLink, whose size lstat gave as nSize.
int ReadLink(const std::string& sLink, std::size_t nSize, std::string* psText) {
    std::string sText(nSize + 256, '\0');
    const ssize_t nLength = ::readlink(sLink.c_str(), sText.data(), sText.size());
    if (nLength < 0) {
        return errno;
    }
    sText.resize(static_cast<std::size_t>(nLength));
    *psText = std::move(sText);
    return 0;
}

// Puts the text of the link sLink (described by link, found in the folder sFolder) in front of
// the components left, with "/" first when it is absolute; kErrorUnsafeLink when the link may
// not be followed.
int SpliceLink(const std::string& sFolder, const std::string& sLink, const struct stat& link,
               std::deque<std::string>* pRest) {
    struct stat folder {};
    if (::lstat(sFolder.empty() ? "/" : sFolder.c_str(), &folder) != 0) {
        return errno;
    }
    if (!MayFollow(folder, link)) {
        return kErrorUnsafeLink;
    }
    std::string sText;
    if (const int nError = ReadLink(sLink, static_cast<std::size_t>(link.st_size), &sText);
        nError != 0) {
        return nError;
    }
    std::deque<std::string> linked = Components(sText);
    pRest->insert(pRest->begin(), linked.begin(), linked.end());
    if (!sText.empty() && sText.front() == '/') {
        pRest->push_front("/");
    }
    return 0;
}

std::string ParentOf(const std::string& sDone) {
    const std::size_t nSlash = sDone.rfind('/');
    return nSlash == std::string::npos ? "" : sDone.substr(0, nSlash);
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
    return CreateFile(Resolve(sPath), O_CREAT | O_EXCL | O_NOFOLLOW, ppFile);
}

int CPosixFileSystem::CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) {
    return CreateFile(Resolve(sFolder), O_TMPFILE, ppFile);
}

int CPosixFileSystem::OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    int nFd = -1;
    if (const int nError = OpenRegular(Resolve(sPath), O_WRONLY | O_NOFOLLOW, &nFd); nError != 0) {
        return nError;
    }
    *ppFile = std::make_unique<CPosixFile>(nFd);
    return 0;
}

int CPosixFileSystem::MakePrivateFolder(const std::string& sParent, std::string* psFolder) {
    std::string sTemplate = WithTrailingSlash(Resolve(sParent)) + kPrivateFolderTemplate;
    if (::mkdtemp(sTemplate.data()) == nullptr) { // mode 0700, a name never taken before
        return errno;
    }
    *psFolder = std::move(sTemplate);
    return 0;
}

int CPosixFileSystem::Status(const std::string& sPath, FileStatus* pStatus) {
    struct stat info {};
    if (::stat(Resolve(sPath).c_str(), &info) != 0) {
        return errno;
    }
    constexpr std::int64_t kBillion = 1000000000;
    pStatus->m_nMode = info.st_mode & 07777;
    pStatus->m_nModifiedTime =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * kBillion + info.st_mtim.tv_nsec;
    return 0;
}

int CPosixFileSystem::DeleteFolder(const std::string& sFolder) {
    return ::rmdir(Resolve(sFolder).c_str()) == 0 ? 0 : errno;
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

// Walks the path a component at a time, as the system would, so that every link on the way is
// judged by the rule of shared folders before it is followed.
int CPosixFileSystem::FollowLinks(const std::string& sPath, std::string* psTarget) {
    std::deque<std::string> rest = Components(Resolve(sPath));
    std::string sDone; // resolved so far, without links; "" is the root
    for (int nLinks = 0; !rest.empty();) {
        std::string sPart = std::move(rest.front());
        rest.pop_front();
        if (sPart == "..") {
            sDone = ParentOf(sDone);
            continue;
        }
        const std::string sNext = sDone + "/" + sPart;
        struct stat info {};
        if (::lstat(sNext.c_str(), &info) != 0) {
            rest.push_front(std::move(sPart)); // missing: the path goes on from here as written
            break;
        }
        if (!S_ISLNK(info.st_mode)) {
            sDone = sNext;
            continue;
        }
        if (++nLinks > kMaxLinks) {
            return ELOOP;
        }
        if (const int nError = SpliceLink(sDone, sNext, info, &rest); nError != 0) {
            return nError;
        }
        if (!rest.empty() && rest.front() == "/") { // an absolute link starts again from the root
            rest.pop_front();
            sDone.clear();
        }
    }
    *psTarget = Joined(sDone, rest);
    return 0;
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

std::uint32_t ProcessUmask() {
    std::ifstream status("/proc/self/status");
    std::string sLine;
    while (std::getline(status, sLine)) {
        if (sLine.starts_with("Umask:")) {
            return static_cast<std::uint32_t>(std::strtoul(sLine.c_str() + 6, nullptr, 8));
        }
    }
    return 0022;
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
