// An output file that appears under its name only when complete: it is written to a temporary
// name in the destination's folder and renamed over the destination at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace veltrane {

class CAtomicOutputFile {
  public:
    CAtomicOutputFile() = default;
    ~CAtomicOutputFile(); // discards the temporary file unless committed
    CAtomicOutputFile(const CAtomicOutputFile&) = delete;
    CAtomicOutputFile& operator=(const CAtomicOutputFile&) = delete;

    // Creates the temporary file beside destination. Returns 0 or the errno of the failure.
    int Create(const std::filesystem::path& destination);
    // Writes all bytes. Returns 0 or the errno of the failure.
    int Write(std::span<const std::uint8_t> bytes);
    // Flushes the file to disk and renames it to the destination. With bReplace false an
    // existing destination is kept and EEXIST returned. Returns 0 or the errno; on failure the
    // temporary file is removed.
    int Commit(bool bReplace);
    // Closes and removes the temporary file.
    void Discard();

    const std::filesystem::path& TempPath() const { return m_tempPath; }

  private:
    int Rename(bool bReplace) const;

    int m_nFd = -1;
    std::filesystem::path m_tempPath;
    std::filesystem::path m_destination;
};

// Whether a file name is one of the temporary names that CAtomicOutputFile makes.
bool IsTemporaryOutputName(const std::string& strFileName);

} // namespace veltrane
