// SPDX-License-Identifier: BSD-3-Clause
#include "convert/AnyAudioEncoder.h"

#include "convert/ConvertedSamples.h"
#include "convert/FileEncoder.h"
#include "convert/FormatHint.h"
#include "convert/StandardStreams.h"
#include "convert/WavFile.h"

namespace veltrane {

namespace {

// The header check's verdict on input; none when it cannot tell (the file cannot be opened).
std::optional<CheckedWav> CheckHeader(const std::filesystem::path& input) {
    CFileByteSource source;
    CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, input.string());
    return wav.Accepted() || wav.m_bRejected ? std::optional(wav) : std::nullopt;
}

FileJobReport EncodeConverted(CAnyAudioReader& reader, const std::filesystem::path& input,
                              const std::filesystem::path& output, const FileJobOptions& options) {
    CConvertedSamples samples(reader);
    return EncodeSamplesToFile(
        samples, [&samples] { return samples.FailureMessage(); }, input, output, options);
}

} // namespace

FileJobReport EncodeWavFileWithHint(const std::filesystem::path& input,
                                    const std::filesystem::path& output,
                                    const FileJobOptions& options) {
    FileJobReport report = EncodeWavFile(input, output, options);
    if (report.m_outcome == FileOutcome::Rejected && !IsStandardStream(input)) {
        report.m_strHint = FormatHint(input);
    }
    return report;
}

FileJobReport EncodeAnyAudioFile(const std::filesystem::path& input,
                                 const std::filesystem::path& output,
                                 const FileJobOptions& options) {
    // Standard input is read once, so only the header check's reading of it is possible.
    const std::optional<CheckedWav> wav =
        IsStandardStream(input) ? std::nullopt : CheckHeader(input);
    if (!wav || wav->Accepted()) {
        return EncodeWavFile(input, output, options);
    }
    if (auto refusal = RefuseOutput(input, output, options)) {
        return *refusal;
    }
    CAnyAudioReader reader;
    if (!reader.Open(input)) {
        return reader.SystemError() != 0
                   ? JobOutcome(FileOutcome::Failed, SystemErrorText(reader.SystemError()), input)
                   : JobOutcome(FileOutcome::Rejected, wav->m_strMessage, input);
    }
    if (auto refusal = ConversionRefusal(reader.Description())) {
        return JobOutcome(FileOutcome::Rejected, *refusal, input);
    }
    return EncodeConverted(reader, input, output, options);
}

std::optional<ConversionPlan> PlanConversion(const std::filesystem::path& file) {
    CAnyAudioReader reader;
    if (!reader.Open(file)) {
        return std::nullopt;
    }
    return ConversionPlan{reader.Description(), ConvertedLength(reader.Description()),
                          ConversionRefusal(reader.Description())};
}

} // namespace veltrane
