// SPDX-License-Identifier: BSD-3-Clause
#include "cli/QualityCommand.h"

#include "analysis/Quality.h"
#include "cli/ReportInput.h"
#include "codec/CodecTypes.h"
#include "convert/ConvertedSamples.h"
#include "convert/EncodeLoop.h"
#include "convert/FormatHint.h"
#include "convert/FormatNames.h"
#include "convert/WavFile.h"
#include "convert/WavSampleSource.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace veltrane {

namespace {

constexpr const char* kMsgNothingToMeasure =
    "It holds no whole frame of 240 samples; there is nothing to measure.\n";

struct FileQuality {
    std::filesystem::path m_file;
    std::string m_strMessage; // empty when measured
    std::string m_strHint;    // a line after the path of a refused file; may be empty
    std::size_t m_nFrames = 0;
    double m_dSeconds = 0.0;
    QualityReport m_report;
};

// The samples streamed through the meter a chunk at a time, so that memory does not grow with
// the recording's length. nSamples: the recording's length when known (its samples after the
// last whole frame count in the duration).
void Measure(CSampleSource& samples, std::optional<std::uint64_t> nSamples, FileQuality& quality) {
    CQualityMeter meter;
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(kChunkFrames) * kFrameSamples);
    std::uint64_t nRead = 0;
    std::size_t nCount = 0;
    while ((nCount = samples.Read(chunk)) > 0) {
        meter.Add(std::span(chunk).first(nCount));
        nRead += nCount;
    }
    if (samples.Failed()) {
        quality.m_strMessage = samples.FailureMessage();
        return;
    }
    quality.m_nFrames = static_cast<std::size_t>(nRead / kFrameSamples);
    if (quality.m_nFrames == 0) {
        quality.m_strMessage = kMsgNothingToMeasure;
        return;
    }
    quality.m_dSeconds = static_cast<double>(nSamples.value_or(nRead)) / kSampleRate;
    quality.m_report = meter.Report();
}

// A file that the header check refused, measured from what libsndfile reads of it.
void MeasureConverted(std::unique_ptr<IFile> pFile, const CheckedWav& wav, FileQuality& quality) {
    CAnyAudioReader reader;
    if (!reader.Open(std::move(pFile))) {
        quality.m_strMessage = wav.m_strMessage;
        return;
    }
    if (auto refusal = ConversionRefusal(reader.Description())) {
        quality.m_strMessage = *refusal;
        return;
    }
    CConvertedSamples samples(reader);
    Measure(samples, std::nullopt, quality);
}

FileQuality MeasureFile(const std::filesystem::path& file, const BatchArgs& args) {
    FileQuality quality;
    quality.m_file = file;
    CFileByteSource source;
    if ((quality.m_strMessage = OpenReportInput(file, source)) != "") {
        return quality;
    }
    const CheckedWav wav = CheckOpenedWav(source);
    if (wav.Accepted()) {
        CWavSampleSource samples(source, wav.m_format, wav.m_nDataBytes);
        Measure(samples, wav.m_nDataBytes / wav.m_format.m_nBlockAlign, quality);
    } else if (wav.m_bRejected && args.m_bConvert) {
        MeasureConverted(source.Release(), wav, quality);
    } else {
        quality.m_strMessage = wav.m_strMessage;
        quality.m_strHint = wav.m_bRejected ? FormatHint(file) : "";
    }
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

// Measures every input, on up to nJobs threads, each file whole on one of them.
std::map<std::filesystem::path, FileQuality> MeasureAll(const std::vector<InputFile>& inputs,
                                                        const BatchArgs& args, unsigned nJobs) {
    std::vector<FileQuality> results(inputs.size());
    std::atomic<std::size_t> nNext = 0;
    auto work = [&] {
        for (std::size_t i; (i = nNext.fetch_add(1)) < inputs.size();) {
            results[i] = MeasureFile(inputs[i].m_path, args);
        }
    };
    std::vector<std::jthread> workers;
    for (unsigned j = 1; j < std::min<std::size_t>(nJobs, inputs.size()); ++j) {
        workers.emplace_back(work);
    }
    work();
    workers.clear(); // joins
    std::map<std::filesystem::path, FileQuality> measured;
    for (FileQuality& quality : results) {
        measured.emplace(quality.m_file, std::move(quality));
    }
    return measured;
}

} // namespace

int RunQuality(const BatchArgs& args, bool bJson) {
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    std::map<std::filesystem::path, FileQuality> measured;
    const int nStatus = ForEachInput(
        args, InputExtensions(args.m_bConvert),
        [&](const std::filesystem::path& file) {
            const FileQuality& quality = measured.at(file);
            if (bJson) {
                json.push_back(JsonObject(quality));
            }
            if (!quality.m_strMessage.empty()) {
                std::fprintf(stderr, "%s%s\n%s", quality.m_strMessage.c_str(), file.c_str(),
                             quality.m_strHint.c_str());
                return false;
            }
            if (!bJson && !args.m_bQuiet) {
                PrintLine(quality);
                std::fflush(stdout); // keeps the lines in file order when stderr shares the output
            }
            return true;
        },
        [&](const std::vector<InputFile>& inputs) {
            measured = MeasureAll(inputs, args, JobsFor(args));
        });
    if (bJson) {
        // A name that is not UTF-8 gets U+FFFD for each byte that does not fit, as JSON holds
        // only Unicode text.
        std::printf(
            "%s\n",
            json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    }
    return nStatus;
}

} // namespace veltrane
