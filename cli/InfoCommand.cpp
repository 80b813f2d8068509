// SPDX-License-Identifier: BSD-3-Clause
#include "cli/InfoCommand.h"

#include "cli/ReportInput.h"
#include "codec/CodecTypes.h"
#include "convert/ConvertedSamples.h"
#include "convert/FormatHint.h"
#include "convert/FormatNames.h"
#include "convert/StandardStreams.h"
#include "convert/WavFile.h"
#include "convert/WrmFile.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace veltrane {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kMsgUnknown =
    "It is neither a WAV file, nor a recording that libsndfile reads, nor named .wrm.\n";

// The text of a message without its final line feed, for a line or a JSON string.
std::string Line(const std::string& strMessage) {
    std::string strLine = strMessage;
    while (!strLine.empty() && strLine.back() == '\n') {
        strLine.pop_back();
    }
    for (char& ch : strLine) {
        ch = ch == '\n' ? ' ' : ch;
    }
    return strLine;
}

double Rounded(double dValue) {
    return static_cast<double>(static_cast<long long>(dValue * 10000.0 + 0.5)) / 10000.0;
}

Json WrmInfo(std::uint64_t nBytes) {
    const WrmFacts facts = WrmFactsOf(nBytes);
    return {{"kind", "wrm"},
            {"bytes", facts.m_nBytes},
            {"frames", facts.m_nFrames},
            {"seconds", Rounded(facts.m_dSeconds)},
            {"whole_frames", facts.m_nTailBytes == 0},
            {"tail_bytes", facts.m_nTailBytes}};
}

// What encode --convert makes of a recording, into info.
void AddConversion(const ConversionPlan& plan, Json& info) {
    info["description"] = DescribeAudio(plan.m_description);
    info["sample_rate"] = plan.m_description.m_nSampleRate;
    info["channels"] = plan.m_description.m_nChannels;
    info["convert"] = !plan.m_strRefusal;
    if (plan.m_strRefusal) {
        info["convert_refusal"] = Line(*plan.m_strRefusal);
    } else if (plan.m_nSamples >= 0) {
        const auto nSamples = static_cast<std::uint64_t>(plan.m_nSamples);
        info["converted_frames"] = nSamples / kFrameSamples;
        info["converted_seconds"] = Rounded(static_cast<double>(nSamples) / kSampleRate);
    }
}

Json AcceptedWavInfo(const CheckedWav& wav) {
    const WavFormat& format = wav.m_format;
    const std::uint64_t nSamples = wav.m_nDataBytes / format.m_nBlockAlign;
    return {{"kind", "wav"},
            {"format", "PCM"},
            {"sample_rate", kSampleRate},
            {"channels", 1},
            {"bits", 8 * format.m_nBlockAlign},
            {"data_offset", format.m_nDataOffset},
            {"data_bytes", wav.m_nDataBytes},
            {"header_data_bytes", format.m_nDataBytes},
            {"frames", nSamples / kFrameSamples},
            {"seconds", Rounded(static_cast<double>(nSamples) / kSampleRate)},
            {"tail_samples", nSamples % kFrameSamples},
            {"encode", true},
            {"convert", true}};
}

// What file holds; {"error": ...} when it cannot be told.
Json Describe(const std::filesystem::path& file) {
    if (IsWrmName(file)) {
        std::error_code error;
        const std::uintmax_t nSize = std::filesystem::file_size(file, error);
        return error ? Json{{"error", Line(SystemErrorText(error.value()))}} : WrmInfo(nSize);
    }
    CFileByteSource source;
    if (const std::string strMessage = OpenReportInput(file, source); !strMessage.empty()) {
        return {{"error", Line(strMessage)}};
    }
    const CheckedWav wav = CheckOpenedWav(source);
    if (wav.Accepted()) {
        return AcceptedWavInfo(wav);
    }
    if (!wav.m_bRejected) {
        return {{"error", Line(wav.m_strMessage)}};
    }
    const bool bRiff = IsRiffWave(source);
    const std::uint64_t nSize = source.Size();
    Json info = {{"kind", bRiff ? "wav" : "audio"}};
    if (bRiff) {
        info["encode"] = false;
        info["check_message"] = Line(wav.m_strMessage);
    }
    if (const std::optional<ConversionPlan> plan = PlanConversion(source.Release())) {
        AddConversion(*plan, info);
        return info;
    }
    if (bRiff) {
        info["convert"] = false;
        return info;
    }
    // A .wrm file has no header: what is nothing else on standard input is taken for one.
    return IsStreamInput(file) ? WrmInfo(nSize) : Json{{"error", Line(kMsgUnknown)}};
}

// A number as the text shows it: seconds with two decimals, counts whole.
std::string Number(const Json& value) {
    if (!value.is_number_float()) {
        return value.dump();
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.2f", value.get<double>());
    return szText;
}

// One line of text for info.
std::string Text(const Json& info) {
    const std::string strKind = info["kind"];
    if (strKind == "wrm") {
        std::string strText = ".wrm, " + Number(info["frames"]) + " frames, " +
                              Number(info["seconds"]) + " s, " + Number(info["bytes"]) + " bytes";
        return strText +
               (info["whole_frames"].get<bool>()
                    ? ", whole frames"
                    : "; the last " + Number(info["tail_bytes"]) + " bytes are not a whole frame");
    }
    std::string strText;
    if (info.contains("format")) {
        return "WAV, " + Number(info["bits"]) + "-bit PCM, 16000 Hz, mono, data at " +
               Number(info["data_offset"]) + ": " + Number(info["data_bytes"]) + " bytes (" +
               Number(info["header_data_bytes"]) + " by the header), " + Number(info["frames"]) +
               " frames, " + Number(info["seconds"]) + " s, " + Number(info["tail_samples"]) +
               " samples after the last whole frame; encode takes it";
    }
    if (info.contains("check_message")) {
        strText = "WAV that encode refuses (" + info["check_message"].get<std::string>() + ")";
    }
    if (info.contains("description")) {
        strText += (strText.empty() ? "" : "; ") + info["description"].get<std::string>();
    }
    if (!info["convert"].get<bool>()) {
        return strText + "; encode --convert refuses it" +
               (info.contains("convert_refusal")
                    ? " (" + info["convert_refusal"].get<std::string>() + ")"
                    : std::string());
    }
    strText += "; encode --convert takes it";
    if (info.contains("converted_frames")) {
        strText += ": " + Number(info["converted_frames"]) + " frames, " +
                   Number(info["converted_seconds"]) + " s";
    }
    return strText;
}

} // namespace

int RunInfo(const BatchArgs& args, bool bJson) {
    Json json = Json::array();
    std::vector<std::string> extensions = InputExtensions(args.m_bConvert);
    extensions.emplace_back(".wrm");
    const int nStatus = ForEachInput(args, extensions, [&](const std::filesystem::path& file) {
        Json info = {{"file", file.string()}};
        info.update(Describe(file));
        if (bJson) {
            json.push_back(info);
        }
        if (info.contains("error")) {
            std::fprintf(stderr, "%s\n%s\n", info["error"].get<std::string>().c_str(),
                         file.c_str());
            return false;
        }
        if (!bJson && !args.m_bQuiet) {
            std::printf("%s: %s\n", file.c_str(), Text(info).c_str());
            std::fflush(stdout); // keeps the lines in file order when stderr shares the output
        }
        return true;
    });
    if (bJson) {
        std::printf("%s\n", json.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
    }
    return nStatus;
}

} // namespace veltrane
