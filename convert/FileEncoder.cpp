#include "convert/FileEncoder.h"

#include "codec/CodecTypes.h"
#include "convert/FrameEncoding.h"
#include "convert/WavFile.h"

#include <cerrno>

namespace veltrane {

namespace {

// Encodes the checked samples into output; fills in the report's outcome and message.
FileJobReport WriteFrames(CFileByteSource& source, const CheckedWav& wav,
                          const std::filesystem::path& input, const std::filesystem::path& output,
                          const FileJobOptions& options) {
    CAtomicOutputFile file;
    if (const int nError = file.Create(output)) {
        return JobOutcome(FileOutcome::Failed, SystemErrorText(nError), output);
    }
    int nWriteError = 0;
    EncodeHooks hooks;
    hooks.m_write = [&](std::span<const std::uint8_t> frames) {
        nWriteError = file.Write(frames);
        return nWriteError == 0;
    };
    hooks.m_onFrames = options.m_onFrames;
    hooks.m_pbCancel = options.m_pbCancel;
    switch (EncodeSampleData(source, wav.m_format, wav.m_nDataBytes, hooks)) {
    case EncodeStatus::Cancelled:
        return JobOutcome(FileOutcome::Cancelled, "", output);
    case EncodeStatus::ReadFailed:
        return JobOutcome(FileOutcome::Failed, SystemErrorText(source.Error() ? source.Error() : EIO),
                          input);
    case EncodeStatus::WriteFailed:
        return JobOutcome(FileOutcome::Failed, SystemErrorText(nWriteError), output);
    case EncodeStatus::Done:
        break;
    }
    if (auto failure = CommitOutput(file, output, options)) {
        return *failure;
    }
    FileJobReport report = JobOutcome(FileOutcome::Converted, "", output);
    report.m_nFrames = WholeFrames(wav.m_nDataBytes, wav.m_format.m_nBlockAlign);
    report.m_nBytes = report.m_nFrames * kFrameBytes;
    report.m_dAudioSeconds = static_cast<double>(report.m_nFrames * kFrameSamples) / kSampleRate;
    return report;
}

} // namespace

FileJobReport EncodeWavFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options) {
    if (auto refusal = RefuseOutput(input, output, options)) {
        return *refusal;
    }
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(InputFiles(options), source, input.string());
    if (!wav.Accepted()) {
        return JobOutcome(wav.m_bRejected ? FileOutcome::Rejected : FileOutcome::Failed,
                          wav.m_strMessage, input);
    }
    return WriteFrames(source, wav, input, output, options);
}

} // namespace veltrane
