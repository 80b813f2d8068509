// SPDX-License-Identifier: BSD-3-Clause
#include "convert/JobOutput.h"

#include "convert/StandardStreams.h"
#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <unistd.h>

namespace veltrane {

CJobOutput::CJobOutput(const std::filesystem::path& output, const FileJobOptions& options)
    : m_output(output), m_options(options), m_bStream(IsStandardStream(output)) {}

std::optional<FileJobReport> CJobOutput::Create(const std::filesystem::path& input) {
    return m_bStream ? std::nullopt : CreateOutput(m_file, input, m_output, m_options);
}

int CJobOutput::Write(std::span<const std::uint8_t> bytes) {
    return m_bStream ? WriteAllTo(STDOUT_FILENO, bytes) : m_file.Write(bytes);
}

FileJobReport CJobOutput::WriteFailure(int nError) const {
    if (m_bStream && nError == EPIPE) {
        FileJobReport report = JobOutcome(FileOutcome::Cancelled, "", m_output);
        report.m_bReaderGone = true;
        return report;
    }
    return JobOutcome(FileOutcome::Failed, SystemErrorText(nError), m_output);
}

std::optional<FileJobReport> CJobOutput::Commit() {
    return m_bStream ? std::nullopt : CommitOutput(m_file, m_output);
}

} // namespace veltrane
