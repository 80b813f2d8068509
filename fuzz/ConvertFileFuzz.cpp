// SPDX-License-Identifier: BSD-3-Clause
// What --convert does with arbitrary bytes written as a file: libsndfile reads it or not, the
// header's claims are refused when no recording has them, and a file that is converted becomes
// whole frames; nothing is left behind but the output, and a header that claims much never makes
// the memory grow with its claim (the fuzzer's memory limit fails the run).
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "FuzzJobs.h"
#include "codec/CodecTypes.h"
#include "convert/EncodeJob.h"
#include "convert/FileJob.h"

#include <cstdint>
#include <filesystem>
#include <span>

using namespace veltrane;
using namespace veltrane::fuzz;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::span<const std::uint8_t> bytes(pData, nSize);
    const auto files = PrepareJobFiles(bytes, "input.audio", "input.wrm");
    const auto& [input, output] = files;
    const FileJobReport report = RunReplacingJob(EncodeAnyAudioFile, files);
    if (report.m_outcome == FileOutcome::Converted) {
        Require(report.m_nFrames > 0, "a converted file has a frame");
        Require(fs::file_size(output) == report.m_nFrames * kFrameBytes,
                "the output holds its frames, whole");
    } else {
        Require(report.m_outcome == FileOutcome::Rejected ||
                    report.m_outcome == FileOutcome::Failed,
                "a file not converted is rejected or failed");
        RequireNothingWritten(report, output);
    }
    RequireOnlyFiles({input, output});
    return 0;
}
