#include "cli/QualityCommand.h"

#include "codec/CodecTypes.h"
#include "analysis/Quality.h"
#include "convert/WavFile.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace veltrane {

namespace {

constexpr const char* kMsgNothingToMeasure =
    "It holds no whole frame of 240 samples; there is nothing to measure.\n";

struct FileQuality {
    std::filesystem::path m_file;
    std::string m_strMessage; // empty when measured
    std::size_t m_nFrames = 0;
    double m_dSeconds = 0.0;
    QualityReport m_report;
};

FileQuality MeasureFile(const std::filesystem::path& file) {
    FileQuality quality;
    quality.m_file = file;
    const WavSamples wav = ReadWavSamples(file);
    if (!wav.m_check.Accepted()) {
        quality.m_strMessage = wav.m_check.m_strMessage;
        return quality;
    }
    quality.m_nFrames = wav.m_anSamples.size() / kFrameSamples;
    if (quality.m_nFrames == 0) {
        quality.m_strMessage = kMsgNothingToMeasure;
        return quality;
    }
    quality.m_dSeconds = static_cast<double>(wav.m_anSamples.size()) / kSampleRate;
    quality.m_report = MeasureQuality(wav.m_anSamples);
    return quality;
}

// A figure with two decimals, or the text for none (silence, nothing decoded, no error).
std::string Figure(std::optional<double> dValue, const char* pszNone) {
    if (!dValue || !std::isfinite(*dValue)) {
        return pszNone;
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.2f", *dValue);
    return szText;
}

void PrintLine(const FileQuality& q) {
    std::printf("%s: %zu frames, %.2f s, SNR %s dB, segmental SNR %s dB, %.0f bit/s\n",
                q.m_file.c_str(), q.m_nFrames, q.m_dSeconds,
                Figure(q.m_report.m_dSnrDb, "n/a").c_str(),
                Figure(q.m_report.m_segSnr.m_dDb, "n/a").c_str(), q.m_report.m_dBitRate);
}

std::string JsonString(const std::string& strText) {
    std::string strJson = "\"";
    for (const char ch : strText) {
        if (ch == '"' || ch == '\\') {
            strJson.append(1, '\\').append(1, ch);
        } else if (ch == '\n') {
            strJson.append("\\n");
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            char szEscape[8];
            std::snprintf(szEscape, sizeof szEscape, "\\u%04x", static_cast<unsigned>(ch));
            strJson.append(szEscape);
        } else {
            strJson.append(1, ch);
        }
    }
    return strJson + "\"";
}

std::string JsonObject(const FileQuality& q) {
    std::string strObject = "{\"file\": " + JsonString(q.m_file.string());
    if (!q.m_strMessage.empty()) {
        const std::string strMessage = q.m_strMessage.substr(0, q.m_strMessage.size() - 1);
        return strObject + ", \"error\": " + JsonString(strMessage) + "}";
    }
    char szFigures[200];
    std::snprintf(szFigures, sizeof szFigures,
                  ", \"frames\": %zu, \"seconds\": %.4f, \"snr_db\": %s, \"segsnr_db\": %s, "
                  "\"bitrate\": %.1f}",
                  q.m_nFrames, q.m_dSeconds, Figure(q.m_report.m_dSnrDb, "null").c_str(),
                  Figure(q.m_report.m_segSnr.m_dDb, "null").c_str(), q.m_report.m_dBitRate);
    return strObject + szFigures;
}

} // namespace

int RunQuality(const std::vector<std::filesystem::path>& files, bool bJson) {
    bool bAllMeasured = true;
    std::string strJson = "[";
    for (const std::filesystem::path& file : files) {
        const FileQuality quality = MeasureFile(file);
        if (!quality.m_strMessage.empty()) {
            std::fprintf(stderr, "%s%s\n", quality.m_strMessage.c_str(), file.c_str());
            bAllMeasured = false;
        } else if (!bJson) {
            PrintLine(quality);
            std::fflush(stdout); // keeps the lines in file order when stderr shares the output
        }
        if (bJson) {
            strJson.append(strJson.size() > 1 ? ",\n " : "\n ").append(JsonObject(quality));
        }
    }
    if (bJson) {
        std::printf("%s\n]\n", strJson.c_str());
    }
    return bAllMeasured ? 0 : 2;
}

} // namespace veltrane
