// SPDX-License-Identifier: BSD-3-Clause
#include "cli/CheckCommand.h"

#include "codec/CodecTypes.h"
#include "convert/ConvertedSamples.h"
#include "convert/FormatHint.h"
#include "convert/WavFile.h"

#include <cstdio>

namespace veltrane {

namespace {

void PrintAccepted(const std::filesystem::path& file, const CheckedWav& wav) {
    const WavFormat& format = wav.m_format;
    const std::uint64_t nFrames = WholeFrames(wav.m_nDataBytes, format.m_nBlockAlign);
    std::printf("%s: %llu frames, %.2f s, %d-bit, data at %llu", file.c_str(),
                static_cast<unsigned long long>(nFrames),
                static_cast<double>(wav.m_nDataBytes / format.m_nBlockAlign) / kSampleRate,
                8 * format.m_nBlockAlign, static_cast<unsigned long long>(format.m_nDataOffset));
    if (wav.m_nDataBytes < format.m_nDataBytes) {
        std::printf(" (the header claims %llu data bytes, the file holds %llu)",
                    static_cast<unsigned long long>(format.m_nDataBytes),
                    static_cast<unsigned long long>(wav.m_nDataBytes));
    }
    std::printf("\n");
    std::fflush(stdout); // keeps the lines in file order when stderr shares the output
}

// What encode --convert makes of a file that the header check refuses.
void PrintConversion(const std::filesystem::path& file, const ConversionPlan& plan) {
    std::printf("%s: %s, converted to 16000 Hz, mono, 16-bit", file.c_str(),
                DescribeAudio(plan.m_description).c_str());
    if (plan.m_nSamples >= 0) {
        const auto nSamples = static_cast<std::uint64_t>(plan.m_nSamples);
        std::printf(": %llu frames, %.2f s",
                    static_cast<unsigned long long>(nSamples / kFrameSamples),
                    static_cast<double>(nSamples) / kSampleRate);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// True when the file passes; prints what was found.
bool CheckOne(const std::filesystem::path& file, bool bConvert) {
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, file.string());
    if (wav.m_bRejected && bConvert) {
        if (const std::optional<ConversionPlan> plan = PlanConversion(file)) {
            if (plan->m_strRefusal) {
                std::fprintf(stderr, "%s%s\n", plan->m_strRefusal->c_str(), file.c_str());
                return false;
            }
            PrintConversion(file, *plan);
            return true;
        }
    }
    if (!wav.Accepted()) {
        const std::string strHint = wav.m_bRejected ? FormatHint(file) : "";
        std::fprintf(stderr, "%s%s\n%s", wav.m_strMessage.c_str(), file.c_str(), strHint.c_str());
        return false;
    }
    PrintAccepted(file, wav);
    return true;
}

} // namespace

int RunCheck(const std::vector<std::filesystem::path>& files, bool bConvert) {
    bool bAllPassed = true;
    for (const std::filesystem::path& file : files) {
        bAllPassed = CheckOne(file, bConvert) && bAllPassed;
    }
    return bAllPassed ? 0 : 2;
}

} // namespace veltrane
