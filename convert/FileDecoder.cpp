// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FileDecoder.h"

#include "codec/SpeechDecoder.h"
#include "convert/EncodeLoop.h"
#include "convert/FileByteSource.h"
#include "convert/JobOutput.h"
#include "convert/StandardStreams.h"
#include "convert/WavWriter.h"
#include "convert/WrmFile.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

namespace {

constexpr const char* kMsgWavNotWrm = "It is a WAV file, not a .wrm file.\n";
constexpr std::uint64_t kBytesPerSample = 2;
constexpr int kRiffSizeOffset = 4;  // in the canonical 44-byte header
constexpr int kDataSizeOffset = 40; // in the canonical 44-byte header

std::uint64_t DecodedSamples(std::uint64_t nFrames) {
    return nFrames > kDecoderDelayFrames ? (nFrames - kDecoderDelayFrames) * kFrameSamples : 0;
}

void PutLe32(std::vector<std::uint8_t>& bytes, int nOffset, std::uint32_t nValue) {
    for (int b = 0; b < 4; ++b) {
        bytes[nOffset + b] = static_cast<std::uint8_t>(nValue >> (8 * b));
    }
}

// The header of a canonical file of nSamples samples: the header of an empty one with the
// sizes of the data that follows it. On a stream, whose length is told by its end, both sizes
// are 0xFFFFFFFF ("not known"), as sox and ffmpeg write them on a pipe.
std::vector<std::uint8_t> HeaderFor(std::uint64_t nSamples, bool bStream) {
    std::vector<std::uint8_t> header = WriteWav16({});
    constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;
    const auto nDataBytes = static_cast<std::uint32_t>(nSamples * kBytesPerSample);
    PutLe32(header, kRiffSizeOffset, bStream ? kUnknownSize : kWavHeaderBytes - 8 + nDataBytes);
    PutLe32(header, kDataSizeOffset, bStream ? kUnknownSize : nDataBytes);
    return header;
}

void AppendSamples(std::span<const std::int16_t> samples, std::vector<std::uint8_t>& bytes) {
    for (const std::int16_t nSample : samples) {
        const auto nBits = static_cast<std::uint16_t>(nSample);
        bytes.push_back(static_cast<std::uint8_t>(nBits));
        bytes.push_back(static_cast<std::uint8_t>(nBits >> 8));
    }
}

// The most sample bytes that a WAV file's 32-bit sizes can hold.
constexpr std::uint64_t kLargestData = std::numeric_limits<std::uint32_t>::max() - kWavHeaderBytes;

// The rejections and failures known before decoding; none when the file can be decoded.
std::optional<FileJobReport> CheckWrm(CByteSource& source, std::uint64_t nSize,
                                      const std::filesystem::path& input) {
    if (IsRiffWave(source)) {
        return JobOutcome(FileOutcome::Rejected, kMsgWavNotWrm, input);
    }
    if (DecodedSamples(nSize / kFrameBytes) * kBytesPerSample > kLargestData) {
        return JobOutcome(FileOutcome::Failed, SystemErrorText(EFBIG), input);
    }
    return std::nullopt;
}

// Decodes the frames of one chunk and appends the samples kept to bytes.
void DecodeChunk(CSpeechDecoder& decoder, std::span<const std::uint8_t> frames,
                 std::uint64_t nFirstFrame, std::vector<std::uint8_t>& bytes) {
    std::int16_t anSamples[kFrameSamples];
    for (std::size_t f = 0; f * kFrameBytes < frames.size(); ++f) {
        EncodedFrame frame;
        std::copy_n(frames.begin() + f * kFrameBytes, kFrameBytes, frame.begin());
        decoder.DecodeFrame(frame, anSamples);
        if (nFirstFrame + f >= kDecoderDelayFrames) {
            AppendSamples(anSamples, bytes);
        }
    }
}

FileJobReport WriteSamples(CByteSource& source, std::uint64_t nSize,
                           const std::filesystem::path& input, const std::filesystem::path& output,
                           const FileJobOptions& options) {
    CJobOutput file(output, options);
    const std::uint64_t nFrames = nSize / kFrameBytes;
    const std::uint64_t nSamples = DecodedSamples(nFrames);
    if (auto failure = file.Create(input)) {
        return *failure;
    }
    int nError = file.Write(HeaderFor(nSamples, file.IsStream()));
    if (nError != 0) {
        return file.WriteFailure(nError);
    }
    auto pDecoder = std::make_unique<CSpeechDecoder>();
    std::vector<std::uint8_t> frames(static_cast<std::size_t>(kChunkFrames) * kFrameBytes);
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t nDone = 0; nDone < nFrames;) {
        const std::size_t nCount = std::min<std::uint64_t>(nFrames - nDone, kChunkFrames);
        const std::span chunk(frames.data(), nCount * kFrameBytes);
        if (source.ReadAt(nDone * kFrameBytes, chunk.data(), chunk.size()) != chunk.size()) {
            return JobOutcome(FileOutcome::Failed,
                              SystemErrorText(source.Error() ? source.Error() : EIO), input);
        }
        bytes.clear();
        DecodeChunk(*pDecoder, chunk, nDone, bytes);
        if ((nError = file.Write(bytes)) != 0) {
            return file.WriteFailure(nError);
        }
        if (options.m_onFrames) {
            options.m_onFrames(nCount);
        }
        nDone += nCount;
        if (nDone < nFrames && StopRequested(options.m_pbCancel)) {
            return JobOutcome(FileOutcome::Cancelled, "", output);
        }
    }
    if (auto failure = file.Commit()) {
        return *failure;
    }
    FileJobReport report = JobOutcome(FileOutcome::Converted, "", output);
    report.m_nFrames = nFrames;
    report.m_nBytes = kWavHeaderBytes + nSamples * kBytesPerSample;
    report.m_strWarning = TornTailWarning(nSize);
    report.m_dAudioSeconds = static_cast<double>(nSamples) / kSampleRate;
    return report;
}

// Standard input or a pipe, read whole: a .wrm stream is small (the largest that a WAV file can
// take is 268 MiB), and its frame count goes into the header before the samples.
FileJobReport DecodeStream(int nFd, const std::filesystem::path& input,
                           const std::filesystem::path& output, const FileJobOptions& options) {
    if (!IsStandardStream(output)) {
        if (auto refusal = RefuseOutput({}, output, options)) {
            return *refusal;
        }
    }
    constexpr std::uint64_t kLargestInput =
        (kLargestData / kBytesPerSample / kFrameSamples + kDecoderDelayFrames + 1) * kFrameBytes;
    std::vector<std::uint8_t> bytes;
    if (const int nError = ReadWholeStream(nFd, kLargestInput, bytes); nError != 0) {
        return JobOutcome(FileOutcome::Failed, SystemErrorText(nError), input);
    }
    CSpanByteSource source(bytes);
    if (auto rejection = CheckWrm(source, bytes.size(), input)) {
        return *rejection;
    }
    return WriteSamples(source, bytes.size(), input, output, options);
}

} // namespace

FileJobReport DecodeWrmFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options) {
    if (const std::optional<int> nFd = StreamDescriptor(input)) {
        return DecodeStream(*nFd, input, output, options);
    }
    if (auto refusal = RefuseOutput(input, output, options)) {
        return *refusal;
    }
    CFileByteSource source;
    if (!source.Open(JobFiles(options), input.string())) {
        return JobOutcome(FileOutcome::Failed, SystemErrorText(source.Error()), input);
    }
    const std::uint64_t nSize = source.Size();
    if (source.Error() != 0) {
        return JobOutcome(FileOutcome::Failed, SystemErrorText(source.Error()), input);
    }
    if (auto rejection = CheckWrm(source, nSize, input)) {
        return *rejection;
    }
    return WriteSamples(source, nSize, input, output, options);
}

} // namespace veltrane
