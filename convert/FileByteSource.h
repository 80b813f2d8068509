// A byte source over a file opened for reading.
#pragma once

#include "convert/WavHeader.h"

#include <filesystem>

namespace veltrane {

class CFileByteSource : public CByteSource {
  public:
    CFileByteSource() = default;
    ~CFileByteSource() override;
    CFileByteSource(const CFileByteSource&) = delete;
    CFileByteSource& operator=(const CFileByteSource&) = delete;

    // Opens the file for reading; false with Error() set when it cannot be opened or is a
    // folder.
    bool Open(const std::filesystem::path& path);
    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override;

    std::uint64_t Size() const { return m_nSize; }
    // The errno of the last failed open or read, 0 when none failed.
    int Error() const { return m_nError; }

  private:
    int m_nFd = -1;
    std::uint64_t m_nSize = 0;
    int m_nError = 0;
};

} // namespace veltrane
