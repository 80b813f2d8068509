// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StreamSpool.h"

#include <cerrno>
#include <vector>

namespace veltrane {

namespace {

constexpr std::size_t kCopyBytes = 64 * 1024;

std::string TooLong(std::uint64_t nLimit) {
    return "Standard input holds more than " + std::to_string(nLimit >> 20) +
           " MiB, the most that is kept to read it; convert it from a file instead.\n";
}

// The first of folders where an unnamed file can be made; its errno when none.
int CreateSpoolFile(IFileSystem& files, const std::vector<std::string>& folders,
                    std::unique_ptr<IFile>* ppFile) {
    int nError = ENOENT;
    for (const std::string& sFolder : folders) {
        if ((nError = files.CreateUnnamed(sFolder, ppFile)) == 0) {
            break;
        }
    }
    return nError;
}

} // namespace

SpooledStream SpoolStream(IFileSystem& files, const std::vector<std::string>& folders,
                          CByteSource& source, std::uint64_t nLimit) {
    SpooledStream spool;
    std::unique_ptr<IFile> pFile;
    if (const int nError = CreateSpoolFile(files, folders, &pFile); nError != 0) {
        spool.m_strMessage = SystemErrorText(nError);
        return spool;
    }
    std::vector<std::uint8_t> buffer(kCopyBytes);
    std::uint64_t nOffset = 0;
    std::size_t nRead = 0;
    while ((nRead = source.ReadAt(nOffset, buffer.data(), buffer.size())) > 0) {
        nOffset += nRead;
        if (nOffset > nLimit) {
            spool.m_strMessage = TooLong(nLimit);
            return spool;
        }
        if (const int nError = pFile->Write(buffer.data(), nRead); nError != 0) {
            spool.m_strMessage = SystemErrorText(nError);
            return spool;
        }
    }
    if (source.Error() != 0) {
        spool.m_strMessage = SystemErrorText(source.Error());
        return spool;
    }
    spool.m_pFile = std::move(pFile);
    return spool;
}

} // namespace veltrane
