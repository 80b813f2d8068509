// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StreamEncoder.h"

#include "convert/FileEncoder.h"
#include "convert/StandardStreams.h"
#include "convert/StreamSource.h"

#include <cerrno>

namespace veltrane {

FileJobReport EncodeWavStream(int nFd, const std::filesystem::path& output,
                              const FileJobOptions& options) {
    const std::filesystem::path input = kStandardStreamName;
    if (!IsStandardStream(output)) {
        if (auto refusal = RefuseOutput({}, output, options)) {
            return *refusal;
        }
    }
    CStreamByteSource source(nFd);
    const CheckedWav wav = CheckStreamHeader(source);
    if (!wav.Accepted()) {
        return JobOutcome(wav.m_bRejected ? FileOutcome::Rejected : FileOutcome::Failed,
                          wav.m_strMessage, input);
    }
    CStreamSampleSource samples(source, wav.m_format);
    FileJobReport report = EncodeSamplesToFile(
        samples, [&source] { return SystemErrorText(source.Error() ? source.Error() : EIO); },
        input, output, options);
    if (report.m_outcome == FileOutcome::Converted) {
        report.m_strWarning =
            ShortDataWarning(wav.m_format, samples.DataBytesRead(), report.m_nFrames);
    }
    return report;
}

} // namespace veltrane
