// Where a file job's output goes: a file that appears under its name only when complete, or
// standard output ("-"), written as it comes.
#pragma once

#include "convert/AtomicOutputFile.h"
#include "convert/FileJob.h"

#include <filesystem>
#include <optional>
#include <span>

namespace veltrane {

class CJobOutput {
  public:
    CJobOutput(const std::filesystem::path& output, const FileJobOptions& options);

    // Whether the output is standard output.
    bool IsStream() const { return m_bStream; }
    // Creates the temporary file of a file output. Returns 0 or the errno of the failure.
    int Create();
    // Writes all bytes. Returns 0 or the errno of the failure.
    int Write(std::span<const std::uint8_t> bytes);
    // Renames a finished file to its name (CommitOutput); nothing to do for standard output.
    std::optional<FileJobReport> Commit();

  private:
    std::filesystem::path m_output;
    const FileJobOptions& m_options;
    bool m_bStream;
    CAtomicOutputFile m_file; // discarded unless committed
};

} // namespace veltrane
