// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli quality end to end: the figures of real speech, as lines and as JSON, and the
// header check's messages for rejected files.
#include "tests/support/CliRunner.h"

#include "analysis/Quality.h"
#include "convert/WavFile.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <regex>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::RunCli;

const std::filesystem::path kSpeech = std::filesystem::path(VELTRANE_GOLDEN_DIR) / "speech_en.wav";
const std::filesystem::path kSample = std::filesystem::path(VELTRANE_SAMPLES_DIR) / "speech.wav";

// The library's figures for a file, two decimals as printed.
std::string Figures(const std::filesystem::path& file) {
    const QualityReport report = MeasureQuality(ReadWavSamples(file).m_anSamples);
    char szText[64];
    std::snprintf(szText, sizeof szText, "%.2f %.2f", *report.m_dSnrDb, *report.m_segSnr.m_dDb);
    return szText;
}

// Speech that the encoder keeps well: the decoder tests measured 11.6 dB SNR and 10.2 dB
// segmental SNR on speech_en.wav; a broken encoder falls far below.
void ExpectSpeechBands(double dSnr, double dSegSnr, double dBitRate) {
    EXPECT_GE(dSnr, 9.5);
    EXPECT_LE(dSnr, 15.5);
    EXPECT_GE(dSegSnr, 8.0);
    EXPECT_LE(dSegSnr, 15.5);
    EXPECT_EQ(dBitRate, 16000.0); // a fixed-rate codec, over the samples it codes
}

TEST(CliQuality, PrintsTheFiguresOfEachRecording) {
    CTestFolder dir;
    const auto result = RunCli({"quality", kSample.string(), kSpeech.string()}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    const std::regex line(R"re(.+: (\d+) frames, ([\d.]+) s, SNR (-?[\d.]+) dB, )re"
                          R"re(segmental SNR (-?[\d.]+) dB, (\d+) bit/s\n)re");
    std::smatch match;
    const std::string strSpeechLine = result.m_strOut.substr(result.m_strOut.find('\n') + 1);
    ASSERT_TRUE(std::regex_match(strSpeechLine, match, line)) << result.m_strOut;
    EXPECT_EQ(match[1].str() + " " + match[2].str(), "489 7.34");
    EXPECT_EQ(match[3].str() + " " + match[4].str(), Figures(kSpeech));
    ExpectSpeechBands(std::stod(match[3]), std::stod(match[4]), std::stod(match[5]));
}

// Files measured on several threads are printed in the order given, with the figures of one.
TEST(CliQuality, JobsChangeNeitherTheFiguresNorTheirOrder) {
    CTestFolder dir;
    std::vector<std::string> args = {"quality"};
    for (const char* pszName : {"e.wav", "a.wav", "d.wav", "b.wav", "c.wav"}) {
        std::filesystem::copy_file(pszName[0] % 2 ? kSpeech : kSample, dir / pszName);
        args.emplace_back(pszName);
    }
    args.emplace_back("missing.wav");
    const auto one =
        RunCli(test::Concat({"quality", "-j", "1"}, {args.begin() + 1, args.end()}), dir.Path());
    const auto three =
        RunCli(test::Concat({"quality", "-j", "3"}, {args.begin() + 1, args.end()}), dir.Path());
    EXPECT_EQ(one.m_nStatus, 2);
    EXPECT_EQ(three.m_nStatus, 2);
    EXPECT_TRUE(one.m_strOut.starts_with("e.wav: ")) << one.m_strOut;
    EXPECT_EQ(std::count(one.m_strOut.begin(), one.m_strOut.end(), '\n'), 5);
    EXPECT_EQ(three.m_strOut, one.m_strOut);
    EXPECT_EQ(three.m_strErr, one.m_strErr);
}

// A figure of the library rounded as the JSON gives it.
double Rounded(std::optional<double> dValue, double dScale) {
    return std::round(*dValue * dScale) / dScale;
}

TEST(CliQuality, JsonHoldsOneObjectPerFileAndRejectionsKeepTheirMessage) {
    CTestFolder dir;
    test::WriteBytes(dir / "stereo.wav", test::CWavBytes().RiffFmt(16, 2, 16000, 4).Get());
    test::WriteBytes(dir / "quiet.wav", test::Wav16(std::vector<std::int16_t>(2400)));
    const auto result =
        RunCli({"quality", "--json", kSpeech.string(), "stereo.wav", "quiet.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, "You must use 'Mono' audio records!!!\nstereo.wav\n");
    const nlohmann::json json = nlohmann::json::parse(result.m_strOut);
    ASSERT_EQ(json.size(), 3u) << result.m_strOut;
    const std::vector<std::int16_t> samples = ReadWavSamples(kSpeech).m_anSamples;
    const QualityReport report = MeasureQuality(samples);
    EXPECT_EQ(
        json[0],
        (nlohmann::json{{"file", kSpeech.string()},
                        {"frames", 489},
                        {"seconds", Rounded(static_cast<double>(samples.size()) / 16000.0, 10000)},
                        {"snr_db", Rounded(report.m_dSnrDb, 100)},
                        {"segsnr_db", Rounded(report.m_segSnr.m_dDb, 100)},
                        {"bitrate", Rounded(report.m_dBitRate, 10)}}))
        << json[0];
    EXPECT_EQ(json[1], (nlohmann::json{{"file", "stereo.wav"},
                                       {"error", "You must use 'Mono' audio records!!!"}}));
    // Silence: no figure to give, and no number that a parser would take for one.
    EXPECT_EQ(json[2]["file"], "quiet.wav");
    EXPECT_EQ(json[2]["frames"], 10);
    EXPECT_TRUE(json[2]["snr_db"].is_null());
    EXPECT_TRUE(json[2]["segsnr_db"].is_null());
}

// A file name is bytes; JSON is Unicode text: a name that is not UTF-8 still gives a document
// that parses, with U+FFFD for the bytes that do not fit, and its figures.
TEST(CliQuality, JsonOfANameThatIsNotUtf8IsValid) {
    CTestFolder dir;
    const std::string sName = "caf\xE9 \xFF\\\"x\".wav";
    std::filesystem::copy_file(kSpeech, dir / sName);
    const auto result = RunCli({"quality", "--json", sName}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    nlohmann::json json;
    ASSERT_NO_THROW(json = nlohmann::json::parse(result.m_strOut)) << result.m_strOut;
    EXPECT_EQ(json[0]["file"], "caf\uFFFD \uFFFD\\\"x\".wav");
    EXPECT_EQ(json[0]["frames"], 489);
}

} // namespace
} // namespace veltrane
