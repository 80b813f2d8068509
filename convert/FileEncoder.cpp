// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FileEncoder.h"

#include "codec/CodecTypes.h"
#include "convert/FrameEncoding.h"
#include "convert/JobOutput.h"
#include "convert/StandardStreams.h"
#include "convert/StreamEncoder.h"
#include "convert/WavFile.h"

#include <cerrno>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr const char* kMsgNoFrame =
    "It holds no whole frame of 240 samples; nothing was written.\n";

} // namespace

FileJobReport EncodeSamplesToFile(CSampleSource& samples, const ReadFailureFn& readFailure,
                                  const std::filesystem::path& input,
                                  const std::filesystem::path& output,
                                  const FileJobOptions& options) {
    CJobOutput file(output, options);
    if (auto failure = file.Create(input)) {
        return *failure;
    }
    int nWriteError = 0;
    std::uint64_t nFrames = 0;
    EncodeHooks hooks;
    hooks.m_write = [&](std::span<const std::uint8_t> frames) {
        nWriteError = file.Write(frames);
        nFrames += frames.size() / kFrameBytes;
        return nWriteError == 0;
    };
    hooks.m_onFrames = options.m_onFrames;
    hooks.m_pbCancel = options.m_pbCancel;
    switch (EncodeSamples(samples, hooks)) {
    case EncodeStatus::Cancelled:
        return JobOutcome(FileOutcome::Cancelled, "", output);
    case EncodeStatus::ReadFailed:
        return JobOutcome(FileOutcome::Failed, readFailure(), input);
    case EncodeStatus::WriteFailed:
        return file.WriteFailure(nWriteError);
    case EncodeStatus::Done:
        break;
    }
    if (nFrames == 0) {
        return JobOutcome(FileOutcome::Failed, kMsgNoFrame, input);
    }
    if (auto failure = file.Commit()) {
        return *failure;
    }
    FileJobReport report = JobOutcome(FileOutcome::Converted, "", output);
    report.m_nFrames = nFrames;
    report.m_nBytes = report.m_nFrames * kFrameBytes;
    report.m_dAudioSeconds = static_cast<double>(report.m_nFrames * kFrameSamples) / kSampleRate;
    return report;
}

FileJobReport EncodeWavFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options) {
    if (IsStandardStream(input)) {
        return EncodeWavStream(STDIN_FILENO, output, options);
    }
    if (auto refusal = RefuseOutput(input, output, options)) {
        return *refusal;
    }
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(JobFiles(options), source, input.string());
    if (!wav.Accepted()) {
        return JobOutcome(wav.m_bRejected ? FileOutcome::Rejected : FileOutcome::Failed,
                          wav.m_strMessage, input);
    }
    CWavSampleSource samples(source, wav.m_format, wav.m_nDataBytes);
    FileJobReport report = EncodeSamplesToFile(
        samples, [&source] { return SystemErrorText(source.Error() ? source.Error() : EIO); },
        input, output, options);
    if (report.m_outcome == FileOutcome::Converted) {
        report.m_strWarning = ShortDataWarning(wav.m_format, wav.m_nDataBytes, report.m_nFrames);
    }
    return report;
}

} // namespace veltrane
