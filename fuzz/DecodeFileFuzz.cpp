// SPDX-License-Identifier: BSD-3-Clause
// The file decoder on arbitrary bytes written as a ".wrm" file: it either rejects a WAV file and
// leaves no output, or writes a WAV file whose header passes the header check and whose samples
// are those of the in-memory decoder for the whole frames (a torn last frame is warned of).
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "FuzzJobs.h"
#include "codec/SpeechDecoder.h"
#include "convert/FileByteSource.h"
#include "convert/FileDecoder.h"
#include "convert/WavHeader.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <vector>

using namespace veltrane;
using namespace veltrane::fuzz;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kCanonicalHeaderBytes = 44;

bool LooksLikeWav(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

void CheckDecodedFile(const fs::path& output, std::span<const std::uint8_t> input) {
    CFileByteSource source;
    Require(source.Open(HostFileSystem(), output.string()), "the decoded file can be opened");
    const WavCheckResult check = CheckWavHeader(source);
    Require(check.Accepted(), "the decoded file passes the header check");
    Require(check.m_format.m_nBlockAlign == 2 &&
                check.m_format.m_nDataOffset == kCanonicalHeaderBytes,
            "the decoded file is canonical 16-bit");

    const DecodedFrames expected = DecodeFrames(input);
    const std::uint64_t nSampleBytes = expected.m_anSamples.size() * 2;
    Require(check.m_format.m_nDataBytes == nSampleBytes, "the data size counts every sample");
    Require(source.Size() == kCanonicalHeaderBytes + nSampleBytes, "nothing follows the samples");

    const std::vector<std::uint8_t> written = ReadWholeFile(output);
    Require(written.size() == source.Size(), "the whole file can be read back");
    for (std::size_t i = 0; i < expected.m_anSamples.size(); ++i) {
        const auto nBits = static_cast<std::uint16_t>(expected.m_anSamples[i]);
        const std::uint8_t* pSample = written.data() + kCanonicalHeaderBytes + 2 * i;
        Require(pSample[0] == (nBits & 0xFF) && pSample[1] == (nBits >> 8),
                "the file holds the in-memory decoder's samples, little-endian");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::span<const std::uint8_t> bytes(pData, nSize);
    const auto files = PrepareJobFiles(bytes, "input.wrm", "input.decoded.wav");
    const auto& [input, output] = files;
    const FileJobReport report = RunReplacingJob(DecodeWrmFile, files);
    if (!LooksLikeWav(bytes)) {
        Require(report.m_outcome == FileOutcome::Converted, "any file of frames decodes");
        Require(report.m_nFrames == nSize / kFrameBytes, "the report counts every whole frame");
        Require(report.m_strWarning.empty() == (nSize % kFrameBytes == 0),
                "a torn last frame, and only that, is warned of");
        CheckDecodedFile(output, bytes);
    } else {
        Require(report.m_outcome == FileOutcome::Rejected, "a WAV file is rejected");
        RequireNothingWritten(report, output);
    }
    RequireOnlyFiles({input, output});
    return 0;
}
