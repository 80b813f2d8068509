// SPDX-License-Identifier: BSD-3-Clause
#include "cli/QualityCommand.h"

#include "analysis/Quality.h"
#include "codec/CodecTypes.h"
#include "convert/EncodeLoop.h"
#include "convert/WavFile.h"
#include "convert/WavSampleSource.h"

#include <nlohmann/json.hpp>

#include <cerrno>
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

// The file's samples streamed through the meter a chunk at a time, so that memory does not grow
// with the recording's length.
FileQuality MeasureFile(const std::filesystem::path& file) {
    FileQuality quality;
    quality.m_file = file;
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, file.string());
    if (!wav.Accepted()) {
        quality.m_strMessage = wav.m_strMessage;
        return quality;
    }
    // The source gives the whole frames; the samples after them count in the length.
    const auto nSamples = static_cast<std::size_t>(wav.m_nDataBytes / wav.m_format.m_nBlockAlign);
    quality.m_nFrames = nSamples / kFrameSamples;
    if (quality.m_nFrames == 0) {
        quality.m_strMessage = kMsgNothingToMeasure;
        return quality;
    }
    CWavSampleSource samples(source, wav.m_format, wav.m_nDataBytes);
    CQualityMeter meter;
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(kChunkFrames) * kFrameSamples);
    std::size_t nRead = 0;
    while ((nRead = samples.Read(chunk)) > 0) {
        meter.Add(std::span(chunk).first(nRead));
    }
    if (samples.Failed()) {
        quality.m_strMessage = SystemErrorText(source.Error() ? source.Error() : EIO);
        return quality;
    }
    quality.m_dSeconds = static_cast<double>(nSamples) / kSampleRate;
    quality.m_report = meter.Report();
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

// A figure rounded to nDecimals, or null for none (silence, nothing decoded, no error).
nlohmann::ordered_json JsonFigure(std::optional<double> dValue, int nDecimals) {
    if (!dValue || !std::isfinite(*dValue)) {
        return nullptr;
    }
    const double dScale = std::pow(10.0, nDecimals);
    return std::round(*dValue * dScale) / dScale;
}

nlohmann::ordered_json JsonObject(const FileQuality& q) {
    nlohmann::ordered_json object = {{"file", q.m_file.string()}};
    if (!q.m_strMessage.empty()) {
        object["error"] = q.m_strMessage.substr(0, q.m_strMessage.size() - 1);
        return object;
    }
    object["frames"] = q.m_nFrames;
    object["seconds"] = JsonFigure(q.m_dSeconds, 4);
    object["snr_db"] = JsonFigure(q.m_report.m_dSnrDb, 2);
    object["segsnr_db"] = JsonFigure(q.m_report.m_segSnr.m_dDb, 2);
    object["bitrate"] = JsonFigure(q.m_report.m_dBitRate, 1);
    return object;
}

} // namespace

int RunQuality(const std::vector<std::filesystem::path>& files, bool bJson) {
    bool bAllMeasured = true;
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
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
            json.push_back(JsonObject(quality));
        }
    }
    if (bJson) {
        // A name that is not UTF-8 gets U+FFFD for each byte that does not fit, as JSON holds
        // only Unicode text.
        std::printf(
            "%s\n",
            json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    }
    return bAllMeasured ? 0 : 2;
}

} // namespace veltrane
