// SPDX-License-Identifier: BSD-3-Clause
#include "cli/CheckCommand.h"

#include "cli/ReportInput.h"
#include "codec/CodecTypes.h"
#include "convert/ConvertedSamples.h"
#include "convert/FormatHint.h"
#include "convert/FormatNames.h"
#include "convert/WavFile.h"
#include "convert/WrmFile.h"

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

bool Fail(const std::string& strMessage, const std::filesystem::path& file,
          const std::string& strHint = {}) {
    std::fprintf(stderr, "%s%s\n%s", strMessage.c_str(), file.c_str(), strHint.c_str());
    return false;
}

// A .wrm file passes when its size is a whole number of frames.
bool CheckWrm(const std::filesystem::path& file, bool bQuiet) {
    std::error_code error;
    const std::uintmax_t nSize = std::filesystem::file_size(file, error);
    if (error) {
        return Fail(SystemErrorText(error.value()), file);
    }
    const WrmFacts facts = WrmFactsOf(nSize);
    if (facts.m_nTailBytes != 0) {
        return Fail(TornTailFinding(nSize), file);
    }
    if (!bQuiet) {
        std::printf("%s: %llu frames, %.2f s of audio\n", file.c_str(),
                    static_cast<unsigned long long>(facts.m_nFrames), facts.m_dSeconds);
        std::fflush(stdout);
    }
    return true;
}

// True when the file passes; prints what was found.
bool CheckOne(const std::filesystem::path& file, const BatchArgs& args) {
    if (IsWrmName(file)) {
        return CheckWrm(file, args.m_bQuiet);
    }
    CFileByteSource source;
    if (const std::string strMessage = OpenReportInput(file, source); !strMessage.empty()) {
        return Fail(strMessage, file);
    }
    const CheckedWav wav = CheckOpenedWav(source);
    if (wav.m_bRejected && args.m_bConvert) {
        if (const std::optional<ConversionPlan> plan = PlanConversion(source.Release())) {
            if (plan->m_strRefusal) {
                return Fail(*plan->m_strRefusal, file);
            }
            if (!args.m_bQuiet) {
                PrintConversion(file, *plan);
            }
            return true;
        }
    }
    if (!wav.Accepted()) {
        return Fail(wav.m_strMessage, file, wav.m_bRejected ? FormatHint(file) : "");
    }
    if (!args.m_bQuiet) {
        PrintAccepted(file, wav);
    }
    return true;
}

} // namespace

int RunCheck(const BatchArgs& args) {
    return ForEachInput(
        args, InputExtensions(args.m_bConvert),
        [&args](const std::filesystem::path& file) { return CheckOne(file, args); });
}

} // namespace veltrane
