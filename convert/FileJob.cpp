// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FileJob.h"

#include "convert/FileByteSource.h"
#include "convert/StandardStreams.h"

#include <cerrno>
#include <cstring>

namespace veltrane {

namespace {

constexpr const char* kMsgOutputIsInput = "The output would replace the input file!!!\n";
constexpr const char* kMsgOutputExists = "The output file exists already; it is not replaced.\n";
constexpr const char* kHintOutputExists =
    "(-f replaces it; --skip-existing leaves an output that is complete and converts the rest.)\n";

FileJobReport NotReplaced(const std::filesystem::path& output) {
    FileJobReport report = JobOutcome(FileOutcome::NotReplaced, kMsgOutputExists, output);
    report.m_strHint = kHintOutputExists;
    return report;
}

bool IsSameFile(const std::filesystem::path& input, const std::filesystem::path& output) {
    std::error_code error;
    return std::filesystem::equivalent(input, output, error);
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

std::optional<FileJobReport> OutputFailure(int nError, const std::filesystem::path& output) {
    if (nError == 0) {
        return std::nullopt;
    }
    return nError == EEXIST ? NotReplaced(output)
                            : JobOutcome(FileOutcome::Failed, SystemErrorText(nError), output);
}

} // namespace

IFileSystem& JobFiles(const FileJobOptions& options) {
    return options.m_pFiles != nullptr ? *options.m_pFiles : HostFileSystem();
}

FileJobReport JobOutcome(FileOutcome outcome, std::string strMessage,
                         const std::filesystem::path& pathShown) {
    FileJobReport report;
    report.m_outcome = outcome;
    report.m_strMessage = std::move(strMessage);
    report.m_pathShown = pathShown;
    return report;
}

std::optional<FileJobReport> RefuseOutput(const std::filesystem::path& input,
                                          const std::filesystem::path& output,
                                          const FileJobOptions& options) {
    if (IsStandardStream(output)) {
        return std::nullopt; // standard output replaces no file
    }
    if (IsSameFile(input, output)) {
        return JobOutcome(FileOutcome::Failed, kMsgOutputIsInput, input);
    }
    if (!options.m_bReplace && Exists(output)) {
        return NotReplaced(output);
    }
    return std::nullopt;
}

std::optional<FileJobReport> CreateOutput(CAtomicOutputFile& file,
                                          const std::filesystem::path& input,
                                          const std::filesystem::path& output,
                                          const FileJobOptions& options) {
    const OutputRules rules = RulesForResultOf(
        JobFiles(options), input.string(), options.m_bReplace, true, options.m_bKeepModifiedTime);
    return OutputFailure(file.Create(output.string(), rules), output);
}

std::optional<FileJobReport> CommitOutput(CAtomicOutputFile& file,
                                          const std::filesystem::path& output) {
    return OutputFailure(file.Commit(), output);
}

} // namespace veltrane
