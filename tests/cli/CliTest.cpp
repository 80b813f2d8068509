// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli end to end: golden vectors byte for byte, messages, exit statuses, options.
#include "tests/support/CliRunner.h"
#include "tests/support/GoldenVectors.h"
#include "tests/support/ReferenceEncoding.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::CWavBytes;
using test::GoldenPath;
using test::RunCli;

// Every vector of the golden set through the program; a missing file fails its test.
class GoldenCliTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenCliTest, EncodesToTheExpectedBytes) {
    const std::filesystem::path input = GoldenPath(GetParam(), ".wav");
    const std::filesystem::path expected = GoldenPath(GetParam(), ".wrm");
    ASSERT_TRUE(std::filesystem::is_regular_file(input)) << input;
    ASSERT_TRUE(std::filesystem::is_regular_file(expected)) << expected;
    CTestFolder dir;
    const auto result = RunCli({"encode", input.string(), "-o", "out.wrm"}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    const auto expectedBytes = test::ReadBytes(expected);
    ASSERT_FALSE(expectedBytes.empty());
    EXPECT_TRUE(test::ReadBytes(dir / "out.wrm") == expectedBytes) << GetParam() << " differs";
}

INSTANTIATE_TEST_SUITE_P(Vectors, GoldenCliTest, ::testing::ValuesIn(test::GoldenVectorNames()));

TEST(CliEncode, BundledSampleConverts) {
    CTestFolder dir;
    const auto sample = std::filesystem::path(VELTRANE_SAMPLES_DIR) / "speech.wav";
    const auto result = RunCli({"encode", sample.string(), "-o", "speech.wrm"}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr.rfind("speech.wrm: 370 frames, 11100 bytes, 5.55 s of audio, ", 0),
              0u)
        << result.m_strErr;
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(EncodeWavBytes(test::ReadBytes(sample), expected).Accepted());
    EXPECT_EQ(test::ReadBytes(dir / "speech.wrm"), expected);
}

TEST(CliOptions, VersionAndHelp) {
    CTestFolder dir;
    auto result = RunCli({"--version"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_strOut, "1.1.0.1\n");
    result = RunCli({"encode", "--help"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_NE(result.m_strOut.find("--jobs"), std::string::npos);
    EXPECT_NE(result.m_strOut.find("--output-dir"), std::string::npos);
}

TEST(CliOptions, UsageErrorsExitWithOneAndWriteNothing) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(2400)));
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"encode"},
        {"convert", "a.wav"},
        {"encode", "a.wav", "a.wav", "-o", "x.wrm"},
        {"encode", "a.wav", "-o", "x.wrm", "-d", "out"},
        {"encode", "-j", "0", "a.wav"},
        {"encode", "-j", "two", "a.wav"},
        {"encode", "--bogus", "a.wav"},
        {"check"},
    };
    for (const auto& args : usages) {
        const auto result = RunCli(args, dir.Path());
        EXPECT_EQ(result.m_nStatus, 1) << ::testing::PrintToString(args);
        EXPECT_FALSE(result.m_strErr.empty());
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.wav"}));
}

TEST(CliOptions, NoJobsIsRefusedInPlainWords) {
    CTestFolder dir;
    const auto result = RunCli({"encode", "-j", "0", "a.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 1);
    EXPECT_EQ(result.m_strErr.substr(0, result.m_strErr.find('\n') + 1),
              "--jobs must be at least 1\n");
}

TEST(CliEncode, RejectedHeadersGiveTheirMessageAndPathAndWriteNothing) {
    const std::vector<std::pair<CWavBytes, std::string>> cases = {
        {CWavBytes().Tag("RIFX"), "It is not WAV format!!!\n"},
        {CWavBytes().RiffFmt(16).Tag("LIST").U32(0), "Encoder does not support this format!!!\n"},
        {CWavBytes().RiffFmt(16, 2, 16000, 4), "You must use 'Mono' audio records!!!\n"},
        {CWavBytes().RiffFmt(16, 1, 44100),
         "Sampling frequency differs from 16kHz. You must use 16kHz!!!\n"},
        {CWavBytes().RiffFmt(16, 1, 16000, 3, 24),
         "Number of bits per sample differs from 16 or 8.\n"
         "You must use 16 bits per sample or at the least 8bits!!!\n"},
        {CWavBytes().RiffFmt(14).Tag("data").U32(0), "WAV file created with error!!!\n"},
    };
    for (const auto& [wav, strMessage] : cases) {
        CTestFolder dir;
        test::WriteBytes(dir / "in.wav", wav.Get());
        const auto result = RunCli({"encode", "in.wav", "-o", "in.wrm"}, dir.Path());
        EXPECT_EQ(result.m_nStatus, 2);
        EXPECT_EQ(result.m_strErr, strMessage + "in.wav\n");
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"in.wav"}));
    }
}

TEST(CliEncode, UnreadableInputGivesTheSystemText) {
    CTestFolder dir;
    const auto result = RunCli({"encode", "missing.wav", "-o", "x.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, std::string(std::strerror(ENOENT)) + "\nmissing.wav\n");
    EXPECT_TRUE(dir.Names().empty());
}

TEST(CliEncode, OneLineSummaryUnlessQuiet) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(240 * 150)));
    auto result = RunCli({"encode", "a.wav", "-o", "a.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_strErr.rfind("a.wrm: 150 frames, 4500 bytes, 2.25 s of audio, ", 0), 0u)
        << result.m_strErr;
    EXPECT_EQ(std::count(result.m_strErr.begin(), result.m_strErr.end(), '\n'), 1);
    EXPECT_NE(result.m_strErr.find("x real time\n"), std::string::npos);
    result = RunCli({"encode", "-q", "-f", "a.wav", "-o", "a.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(result.m_strErr, "");
}

TEST(CliEncode, DataCutShortIsEncodedOverTheFramesPresent) {
    CTestFolder dir;
    CWavBytes wav;
    wav.RiffFmt(16).Tag("data").U32(0xFFFFFFFFu);
    for (std::int16_t nSample : test::Noise(240 * 12 + 17)) {
        wav.U16(static_cast<std::uint16_t>(nSample));
    }
    test::WriteBytes(dir / "cut.wav", wav.Get());
    const auto result = RunCli({"encode", "cut.wav", "-o", "cut.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    std::vector<std::uint8_t> expected;
    EncodeWavBytes(wav.Get(), expected);
    EXPECT_EQ(expected.size(), 12u * 30);
    EXPECT_EQ(test::ReadBytes(dir / "cut.wrm"), expected);
}

TEST(CliCheck, ReportsEachFileAndFailsOnAnyRejection) {
    CTestFolder dir;
    test::WriteBytes(dir / "good.wav", test::Wav16(test::Noise(240 * 100 + 5)));
    CWavBytes cut;
    cut.RiffFmt(16, 1, 16000, 1, 8).Tag("JUNK").U32(4).Zeros(4).Tag("data").U32(100000).Zeros(480);
    test::WriteBytes(dir / "cut.wav", cut.Get());
    test::WriteBytes(dir / "bad.wav", CWavBytes().RiffFmt(16, 1, 8000).Get());
    auto result = RunCli({"check", "good.wav", "bad.wav", "cut.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strOut, "good.wav: 100 frames, 1.50 s, 16-bit, data at 44\n"
                               "cut.wav: 2 frames, 0.03 s, 8-bit, data at 56 (the header claims "
                               "100000 data bytes, the file holds 480)\n");
    EXPECT_EQ(result.m_strErr,
              "Sampling frequency differs from 16kHz. You must use 16kHz!!!\nbad.wav\n");
    result = RunCli({"check", "good.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0);
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"good.wav", "bad.wav", "cut.wav"}));
}

} // namespace
} // namespace veltrane
