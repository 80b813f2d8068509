#include "dialog/SaveOutput.h"

#include <algorithm>
#include <cerrno>

namespace veltrane {

namespace {

constexpr std::size_t kCopyBlock = 1000;
constexpr const char* kPartialSuffix = ".~part";

// Copies nSize bytes of source, in blocks of kCopyBlock, to copy at its position. A source that
// ends before nSize is an error: a short copy is never saved.
int CopyBytes(IFile& source, std::uint64_t nSize, IFile& copy) {
    char achBlock[kCopyBlock];
    for (std::uint64_t nDone = 0; nDone < nSize;) {
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, nSize - nDone));
        std::size_t nRead = 0;
        if (const int nError = source.Read(achBlock, nWant, &nRead); nError != 0) {
            return nError;
        }
        if (nRead != nWant) {
            return EIO;
        }
        if (const int nError = copy.Write(achBlock, nRead); nError != 0) {
            return nError;
        }
        nDone += nRead;
    }
    return 0;
}

// The copy made durable and closed, so that a failure of either is reported.
int Finish(IFile& copy) {
    if (const int nError = copy.Sync(); nError != 0) {
        return nError;
    }
    return copy.Close();
}

// The copy beside sTarget, renamed over it; pExisting (null for a new file) gives the mode.
int WriteBeside(IFileSystem& files, IFile& source, std::uint64_t nSize, IFile* pExisting,
                std::unique_ptr<IFile> pCopy, const std::string& sPartial,
                const std::string& sTarget) {
    std::uint32_t nMode = 0;
    int nError = CopyBytes(source, nSize, *pCopy);
    if (nError == 0 && pExisting != nullptr) {
        nError = pExisting->Mode(&nMode);
        if (nError == 0) {
            nError = pCopy->SetMode(nMode);
        }
    }
    if (nError == 0) {
        nError = Finish(*pCopy);
    }
    if (nError == 0) {
        nError = files.Rename(sPartial, sTarget);
    }
    if (nError != 0) {
        pCopy.reset();
        files.Delete(sPartial);
    }
    return nError;
}

// The existing file rewritten from its start and cut to the new size.
int RewriteInPlace(IFile& source, std::uint64_t nSize, IFile& existing) {
    if (const int nError = CopyBytes(source, nSize, existing); nError != 0) {
        return nError;
    }
    if (const int nError = existing.Truncate(nSize); nError != 0) {
        return nError;
    }
    return Finish(existing);
}

int CreateDirectly(IFileSystem& files, IFile& source, std::uint64_t nSize,
                   const std::string& sTarget) {
    std::unique_ptr<IFile> pCopy;
    if (const int nError = files.Create(sTarget, &pCopy); nError != 0) {
        return nError;
    }
    int nError = CopyBytes(source, nSize, *pCopy);
    if (nError == 0) {
        nError = Finish(*pCopy);
    }
    if (nError != 0) {
        pCopy.reset();
        files.Delete(sTarget);
    }
    return nError;
}

} // namespace

int WriteSaveOutput(IFileSystem& files, IFile& source, const std::string& sDestination) {
    std::string sTarget;
    if (const int nError = files.FollowLinks(sDestination, &sTarget); nError != 0) {
        return nError;
    }
    std::unique_ptr<IFile> pExisting;
    if (const int nError = files.OpenWrite(sTarget, &pExisting); nError != 0 && nError != ENOENT) {
        return nError;
    }
    std::uint64_t nSize = 0;
    if (const int nError = source.Size(&nSize); nError != 0) {
        return nError;
    }
    const std::string sPartial = sTarget + kPartialSuffix;
    std::unique_ptr<IFile> pCopy;
    if (files.Create(sPartial, &pCopy) == 0) {
        return WriteBeside(files, source, nSize, pExisting.get(), std::move(pCopy), sPartial,
                           sTarget);
    }
    if (pExisting) {
        return RewriteInPlace(source, nSize, *pExisting);
    }
    return CreateDirectly(files, source, nSize, sTarget);
}

} // namespace veltrane
