#include "convert/FileEncoder.h"

#include "codec/CodecTypes.h"
#include "convert/AtomicOutputFile.h"
#include "convert/FileByteSource.h"
#include "convert/FrameEncoding.h"

#include <chrono>
#include <cstring>

namespace veltrane {

namespace {

constexpr const char* kMsgOutputIsInput = "The output would replace the input file!!!\n";
constexpr const char* kMsgOutputExists = "The output file exists already; it is not replaced.\n";

FileEncodeReport Outcome(FileOutcome outcome, std::string strMessage,
                         const std::filesystem::path& pathShown) {
    FileEncodeReport report;
    report.m_outcome = outcome;
    report.m_strMessage = std::move(strMessage);
    report.m_pathShown = pathShown;
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

// Encodes the checked samples into output; fills in the report's outcome and message.
FileEncodeReport WriteFrames(CFileByteSource& source, const WavFormat& format,
                             const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             const FileEncodeOptions& options) {
    CAtomicOutputFile file;
    if (const int nError = file.Create(output)) {
        return Outcome(FileOutcome::Failed, SystemMessage(nError), output);
    }
    int nWriteError = 0;
    EncodeHooks hooks;
    hooks.m_write = [&](std::span<const std::uint8_t> frames) {
        nWriteError = file.Write(frames);
        return nWriteError == 0;
    };
    hooks.m_onFrames = options.m_onFrames;
    hooks.m_pbCancel = options.m_pbCancel;
    const std::uint64_t nDataBytes = AvailableDataBytes(format, source.Size());
    switch (EncodeSampleData(source, format, nDataBytes, hooks)) {
    case EncodeStatus::Cancelled:
        return Outcome(FileOutcome::Cancelled, "", output);
    case EncodeStatus::ReadFailed:
        return Outcome(FileOutcome::Failed, SystemMessage(source.Error() ? source.Error() : EIO),
                       input);
    case EncodeStatus::WriteFailed:
        return Outcome(FileOutcome::Failed, SystemMessage(nWriteError), output);
    case EncodeStatus::Done:
        break;
    }
    if (const int nError = file.Commit(options.m_bReplace)) {
        return nError == EEXIST ? Outcome(FileOutcome::Skipped, kMsgOutputExists, output)
                                : Outcome(FileOutcome::Failed, SystemMessage(nError), output);
    }
    FileEncodeReport report = Outcome(FileOutcome::Converted, "", output);
    report.m_nFrames = WholeFrames(nDataBytes, format.m_nBlockAlign);
    report.m_nBytes = report.m_nFrames * kFrameBytes;
    report.m_dAudioSeconds = static_cast<double>(report.m_nFrames * kFrameSamples) / kSampleRate;
    return report;
}

} // namespace

std::string SystemMessage(int nError) {
    return std::string(std::strerror(nError)) + "\n";
}

FileEncodeReport EncodeWavFile(const std::filesystem::path& input,
                               const std::filesystem::path& output,
                               const FileEncodeOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    if (IsSameFile(input, output)) {
        return Outcome(FileOutcome::Failed, kMsgOutputIsInput, input);
    }
    if (!options.m_bReplace && Exists(output)) {
        return Outcome(FileOutcome::Skipped, kMsgOutputExists, output);
    }
    CFileByteSource source;
    if (!source.Open(input)) {
        return Outcome(FileOutcome::Failed, SystemMessage(source.Error()), input);
    }
    const WavCheckResult check = CheckWavHeader(source);
    if (source.Error() != 0) {
        return Outcome(FileOutcome::Failed, SystemMessage(source.Error()), input);
    }
    if (!check.Accepted()) {
        return Outcome(FileOutcome::Rejected, check.m_pszMessage, input);
    }
    FileEncodeReport report = WriteFrames(source, check.m_format, input, output, options);
    report.m_dElapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report;
}

} // namespace veltrane
