// SPDX-License-Identifier: BSD-3-Clause
// The header check's and the chunk reader's view of a file opened through the platform's file
// interface: positioned reads, the file's size, and the first error met.
#pragma once

#include "convert/WavHeader.h"
#include "platform/FileSystem.h"

#include <memory>
#include <string>

namespace veltrane {

class CFileByteSource : public CByteSource {
  public:
    CFileByteSource() = default;

    // Opens sPath for reading through files; false with Error() set when it cannot be opened.
    bool Open(IFileSystem& files, const std::string& sPath);
    // Reads a file already open (a temporary file that holds a stream) instead.
    void Adopt(std::unique_ptr<IFile> pFile);
    // Gives the file up, to another reader; the source reads nothing after it.
    std::unique_ptr<IFile> Release() { return std::move(m_pFile); }
    // A failed read gives no bytes (so the header check sees zeros) and is remembered, so that
    // the file is reported with the system's text rather than judged from bytes never read.
    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override;

    // The file's size in bytes; 0 with Error() set when it cannot be had.
    std::uint64_t Size();
    // The errno of the first failed open, read or size, 0 when none failed.
    int Error() const override { return m_nError; }

  private:
    int Remember(int nError);

    std::unique_ptr<IFile> m_pFile;
    int m_nError = 0;
};

// The host's file system, for the programs that take paths as the process sees them.
IFileSystem& HostFileSystem();

} // namespace veltrane
