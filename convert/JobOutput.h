// SPDX-License-Identifier: BSD-3-Clause
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
    // Prepares a file output (the refusals of CreateOutput), which a new file takes the mode of
    // from input; none when it may be written.
    std::optional<FileJobReport> Create(const std::filesystem::path& input);
    // Writes all bytes. Returns 0 or the errno of the failure.
    int Write(std::span<const std::uint8_t> bytes);
    // The report of a failed Write: the system's text and the output's path, or, for standard
    // output whose reader has gone (EPIPE), a quiet end (FileJobReport::m_bReaderGone).
    FileJobReport WriteFailure(int nError) const;
    // Puts a finished file in place under its name (CommitOutput); nothing to do for standard
    // output.
    std::optional<FileJobReport> Commit();

  private:
    std::filesystem::path m_output;
    const FileJobOptions& m_options;
    bool m_bStream;
    CAtomicOutputFile m_file{JobFiles(m_options)}; // discarded unless committed
};

} // namespace veltrane
