// SPDX-License-Identifier: BSD-3-Clause
// The file encoder on arbitrary bytes written as a WAV file: it gives the header check's verdict,
// and an accepted file becomes exactly the frames that the in-memory conversion makes of the same
// bytes, one per whole frame that the file holds (a file without a whole frame fails and writes
// nothing), with no temporary file left behind.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "FuzzJobs.h"
#include "codec/CodecTypes.h"
#include "convert/EncodeJob.h"
#include "convert/WavHeader.h"
#include "tests/support/ReferenceEncoding.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

using namespace veltrane;
using namespace veltrane::fuzz;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::span<const std::uint8_t> bytes(pData, nSize);
    const auto files = PrepareJobFiles(bytes, "input.wav", "input.wrm");
    const auto& [input, output] = files;

    std::vector<std::uint8_t> expected;
    const WavCheckResult check = EncodeWavBytes(bytes, expected);

    const FileJobReport report = RunReplacingJob(EncodeWavFile, files);
    const std::uint64_t nFrames =
        check.Accepted()
            ? WholeFrames(AvailableDataBytes(check.m_format, nSize), check.m_format.m_nBlockAlign)
            : 0;
    if (check.Accepted() && nFrames == 0) {
        Require(report.m_outcome == FileOutcome::Failed, "a file with no whole frame fails");
        Require(!fs::exists(output), "a file with no whole frame leaves no output");
    } else if (check.Accepted()) {
        Require(report.m_outcome == FileOutcome::Converted, "an accepted file is converted");
        Require(report.m_nFrames == nFrames, "one frame per whole frame the file holds");
        Require(expected.size() == nFrames * kFrameBytes, "the in-memory conversion agrees");
        Require(ReadWholeFile(output) == expected, "the file holds the in-memory frames");
    } else {
        Require(report.m_outcome == FileOutcome::Rejected, "a rejected header is rejected");
        Require(report.m_strMessage == check.m_pszMessage, "with the header check's message");
        Require(!fs::exists(output), "a rejected file leaves no output");
    }
    RequireOnlyFiles({input, output});
    return 0;
}
