// SPDX-License-Identifier: BSD-3-Clause
#include "convert/EncodeJob.h"

#include "codec/CodecTypes.h"
#include "convert/ConvertedSamples.h"
#include "convert/EncodeLoop.h"
#include "convert/FormatHint.h"
#include "convert/JobOutput.h"
#include "convert/StandardStreams.h"
#include "convert/StreamSource.h"
#include "convert/StreamSpool.h"
#include "convert/WavFile.h"
#include "convert/WavSampleSource.h"
#include "platform/Environment.h"

namespace veltrane {

namespace {

constexpr const char* kMsgNoFrame =
    "It holds no whole frame of 240 samples; nothing was written.\n";

FileJobReport Converted(std::uint64_t nFrames, const std::filesystem::path& output) {
    FileJobReport report = JobOutcome(FileOutcome::Converted, "", output);
    report.m_nFrames = nFrames;
    report.m_nBytes = nFrames * kFrameBytes;
    report.m_dAudioSeconds = static_cast<double>(nFrames * kFrameSamples) / kSampleRate;
    return report;
}

// The encode loop from samples into output; the report of the job.
FileJobReport EncodeToOutput(CSampleSource& samples, const std::filesystem::path& input,
                             const std::filesystem::path& output, const FileJobOptions& options) {
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
    if (options.m_onFrames) {
        hooks.m_onChunk = [&options](std::uint64_t nChunk, bool) { options.m_onFrames(nChunk); };
    }
    hooks.m_pbStop = options.m_pbCancel;
    hooks.m_makeEncoder = options.m_makeEncoder;
    switch (EncodeChunks(samples, StreamChunks(), hooks)) {
    case EncodeStatus::Cancelled:
        return JobOutcome(FileOutcome::Cancelled, "", output);
    case EncodeStatus::ReadFailed:
        return JobOutcome(FileOutcome::Failed, samples.FailureMessage(), input);
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
    FileJobReport report = Converted(nFrames, output);
    report.m_strWarning = samples.EndWarning(nFrames);
    return report;
}

FileJobReport Refused(const CheckedWav& wav, const std::filesystem::path& input) {
    return JobOutcome(wav.m_bRejected ? FileOutcome::Rejected : FileOutcome::Failed,
                      wav.m_strMessage, input);
}

// What libsndfile reads of a file that the header check refused, converted; reader was opened
// (bOpened) or found no recording there.
FileJobReport EncodeRead(CAnyAudioReader& reader, bool bOpened, const CheckedWav& wav,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         const FileJobOptions& options) {
    if (!bOpened) {
        return reader.SystemError() != 0
                   ? JobOutcome(FileOutcome::Failed, SystemErrorText(reader.SystemError()), input)
                   : Refused(wav, input);
    }
    if (auto refusal = ConversionRefusal(reader.Description())) {
        return JobOutcome(FileOutcome::Rejected, *refusal, input);
    }
    CConvertedSamples samples(reader);
    return EncodeToOutput(samples, input, output, options);
}

// A stream that the header check refused, kept in a temporary file for libsndfile, which seeks.
FileJobReport EncodeSpooled(CStreamByteSource& source, const CheckedWav& wav,
                            const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options) {
    SpooledStream spool =
        SpoolStream(JobFiles(options), TemporaryFolders(CPosixEnvironment()), source);
    if (!spool.m_pFile) {
        return JobOutcome(FileOutcome::Failed, spool.m_strMessage, input);
    }
    CAnyAudioReader reader;
    const bool bOpened = reader.Open(std::move(spool.m_pFile));
    return EncodeRead(reader, bOpened, wav, input, output, options);
}

// A WAV file on a stream (standard input, a pipe), checked and encoded as its bytes come; with
// Convert, any other recording that libsndfile reads. A stream may stall for as long as its
// writer likes, so it never shares an encoder with other files, which would wait with it.
FileJobReport EncodeStream(int nFd, const std::filesystem::path& input,
                           const std::filesystem::path& output, const FileJobOptions& sharedOptions,
                           EncodeReading reading) {
    FileJobOptions options = sharedOptions;
    options.m_makeEncoder = nullptr;
    if (!IsStandardStream(output)) {
        if (auto refusal = RefuseOutput({}, output, options)) {
            return *refusal;
        }
    }
    CStreamByteSource source(nFd);
    const CheckedWav wav = CheckStreamHeader(source);
    if (wav.m_bRejected && reading == EncodeReading::Convert) {
        return EncodeSpooled(source, wav, input, output, options);
    }
    if (!wav.Accepted()) {
        return Refused(wav, input);
    }
    CStreamSampleSource samples(source, wav.m_format);
    return EncodeToOutput(samples, input, output, options);
}

} // namespace

FileJobReport EncodeFile(const std::filesystem::path& input, const std::filesystem::path& output,
                         const FileJobOptions& options, EncodeReading reading) {
    if (const std::optional<int> nFd = StreamDescriptor(input)) {
        return EncodeStream(*nFd, input, output, options, reading);
    }
    if (auto refusal = RefuseOutput(input, output, options)) {
        return *refusal;
    }
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(JobFiles(options), source, input.string());
    if (wav.Accepted()) {
        CWavSampleSource samples(source, wav.m_format, wav.m_nDataBytes);
        return EncodeToOutput(samples, input, output, options);
    }
    if (!wav.m_bRejected || reading == EncodeReading::HeaderCheck) {
        return Refused(wav, input);
    }
    if (reading == EncodeReading::Convert) {
        CAnyAudioReader reader;
        const bool bOpened = reader.Open(input);
        return EncodeRead(reader, bOpened, wav, input, output, options);
    }
    FileJobReport report = Refused(wav, input);
    report.m_strHint = FormatHint(input);
    return report;
}

FileJobReport EncodeWavFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options) {
    return EncodeFile(input, output, options, EncodeReading::HeaderCheck);
}

FileJobReport EncodeWavFileWithHint(const std::filesystem::path& input,
                                    const std::filesystem::path& output,
                                    const FileJobOptions& options) {
    return EncodeFile(input, output, options, EncodeReading::HeaderCheckWithHint);
}

FileJobReport EncodeAnyAudioFile(const std::filesystem::path& input,
                                 const std::filesystem::path& output,
                                 const FileJobOptions& options) {
    return EncodeFile(input, output, options, EncodeReading::Convert);
}

} // namespace veltrane
