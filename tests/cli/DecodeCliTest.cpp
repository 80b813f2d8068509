// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli decode end to end: the sample and the golden vectors decode to what
// DecodeFrames gives, in valid WAV files; torn files, existing outputs, jobs and SIGINT.
#include "tests/support/CliRunner.h"
#include "tests/support/GoldenVectors.h"

#include "codec/SpeechDecoder.h"
#include "convert/WavHeader.h"
#include "convert/WavWriter.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <csignal>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::RunCli;

const std::filesystem::path kGoldenDir = VELTRANE_GOLDEN_DIR;

// What decode must write for these frames: the WAV of DecodeFrames, which our own header
// check accepts with 240 * (N - 2) samples.
std::vector<std::uint8_t> ExpectedWav(const std::vector<std::uint8_t>& frames) {
    const std::vector<std::uint8_t> wav = WriteWav16(DecodeFrames(frames).m_anSamples);
    CSpanByteSource source(wav);
    const WavCheckResult check = CheckWavHeader(source);
    EXPECT_TRUE(check.Accepted());
    const std::size_t nFrames = frames.size() / 30;
    EXPECT_EQ(check.m_format.m_nDataBytes, nFrames > 2 ? 2 * 240 * (nFrames - 2) : 0);
    return wav;
}

std::string Stem(const std::string& strPath) {
    return std::filesystem::path(strPath).stem().string();
}

TEST(CliDecode, BundledSampleDecodesBesideItsWrmUnderTheDecodedName) {
    CTestFolder dir;
    const auto sample = std::filesystem::path(VELTRANE_SAMPLES_DIR) / "speech.wav";
    std::filesystem::copy_file(sample, dir / "speech.wav");
    ASSERT_EQ(RunCli({"encode", "-q", "speech.wav"}, dir.Path()).m_nStatus, 0);
    const auto result = RunCli({"decode", "speech.wrm"}, dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(
        result.m_strErr.rfind("speech.decoded.wav: 370 frames, 176684 bytes, 5.52 s of audio, ", 0),
        0u)
        << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(dir / "speech.wav"), test::ReadBytes(sample));
    const auto decoded = test::ReadBytes(dir / "speech.decoded.wav");
    EXPECT_TRUE(decoded == ExpectedWav(test::ReadBytes(dir / "speech.wrm")));
}

TEST(CliDecode, GoldenVectorsDecodeAlikeOnOneAndTwoJobs) {
    const std::vector<std::string> inputs = test::GoldenFiles(kGoldenDir, ".wrm");
    ASSERT_EQ(inputs.size(), test::GoldenVectorNames().size());
    CTestFolder dir;
    const auto one = RunCli(test::Concat({"decode", "-j", "1", "-d", "one"}, inputs), dir.Path());
    const auto two = RunCli(test::Concat({"decode", "-j", "2", "-d", "two"}, inputs), dir.Path());
    ASSERT_EQ(one.m_nStatus, 0) << one.m_strErr;
    ASSERT_EQ(two.m_nStatus, 0) << two.m_strErr;
    EXPECT_NE(two.m_strErr.find("Converted 11, failed 0, skipped 0; "), std::string::npos);
    for (const std::string& strInput : inputs) {
        const std::string strName = Stem(strInput) + ".decoded.wav";
        const auto expected = ExpectedWav(test::ReadBytes(strInput));
        EXPECT_TRUE(test::ReadBytes(dir / "one" / strName) == expected) << strName;
        EXPECT_TRUE(test::ReadBytes(dir / "two" / strName) == expected) << strName;
    }
}

// A WAV file of 44 + 2 * 68 bytes is a multiple of 30 bytes: only its header tells it from frames.
// A file cut inside its last frame (a copy cut short) is decoded over its whole frames, with a
// warning, as the encoder treats short data.
TEST(CliDecode, TornFilesAreDecodedWithAWarningAndWavFilesRejected) {
    CTestFolder dir;
    auto frames = test::ReadBytes(kGoldenDir / "vowels_2s.wrm");
    test::WriteBytes(dir / "good.wrm", frames);
    frames.resize(frames.size() - 1);
    test::WriteBytes(dir / "torn.wrm", frames);
    test::WriteBytes(dir / "take.wrm", test::Wav16(test::Noise(68)));
    const auto result = RunCli({"decode", "torn.wrm", "good.wrm", "take.wrm"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    const std::size_t nWhole = frames.size() / 30;
    EXPECT_NE(result.m_strErr.find("Warning: the last 29 bytes are not a whole 30-byte frame and "
                                   "were not decoded; " +
                                   std::to_string(nWhole) + " frames were.\ntorn.wrm\n"),
              std::string::npos)
        << result.m_strErr;
    const auto whole = test::ReadBytes(dir / "good.decoded.wav");
    const auto torn = test::ReadBytes(dir / "torn.decoded.wav");
    ASSERT_EQ(torn.size(), whole.size() - 240 * 2); // one frame fewer
    EXPECT_TRUE(std::equal(torn.begin() + 44, torn.end(), whole.begin() + 44));
    EXPECT_NE(result.m_strErr.find("It is a WAV file, not a .wrm file.\ntake.wrm\n"),
              std::string::npos);
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"good.wrm", "torn.wrm", "take.wrm",
                                                  "good.decoded.wav", "torn.decoded.wav"}));
}

// A .wrm stream decodes to the bytes of its file: to a file with the header's sizes, to standard
// output with sizes "not known"; a torn stream warns as a torn file does, and check reports the
// torn tail as a failure.
TEST(CliDecode, StandardInputDecodesAsItsFileAndCheckFindsATornTail) {
    CTestFolder dir;
    auto frames = test::ReadBytes(kGoldenDir / "speech_en.wrm");
    test::WriteBytes(dir / "a.wrm", frames);
    frames.erase(frames.end() - 10, frames.end());
    test::WriteBytes(dir / "torn.wrm", frames);
    ASSERT_EQ(RunCli({"decode", "-q", "a.wrm", "torn.wrm"}, dir.Path()).m_nStatus, 0);
    for (const char* pszName : {"a", "torn"}) {
        const test::CliStreams streams{dir / (std::string(pszName) + ".wrm"), {}};
        auto result = RunCli({"decode", "-", "-o", "pipe.wav"}, dir.Path(), streams);
        EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
        const auto file = test::ReadBytes(dir / (std::string(pszName) + ".decoded.wav"));
        EXPECT_EQ(test::ReadBytes(dir / "pipe.wav"), file) << pszName;
        result = RunCli({"decode", "-"}, dir.Path(), streams);
        EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
        ASSERT_EQ(result.m_strOut.size(), file.size());
        EXPECT_EQ(result.m_strOut.substr(44), std::string(file.begin() + 44, file.end()));
        EXPECT_EQ(result.m_strOut.substr(40, 4), std::string(4, '\xFF'));
        std::filesystem::remove(dir / "pipe.wav");
    }
    auto check = RunCli({"check", "a.wrm", "torn.wrm"}, dir.Path());
    EXPECT_EQ(check.m_nStatus, 2);
    EXPECT_TRUE(
        check.m_strOut.starts_with("a.wrm: " + std::to_string(frames.size() / 30 + 1) + " frames"))
        << check.m_strOut;
    EXPECT_EQ(check.m_strErr, "The last 20 bytes are not a whole 30-byte frame; " +
                                  std::to_string(frames.size() / 30) +
                                  " frames are whole.\ntorn.wrm\n");
}

TEST(CliDecode, ExistingOutputIsKeptWithoutForce) {
    CTestFolder dir;
    const auto frames = test::ReadBytes(kGoldenDir / "noise_2s.wrm");
    test::WriteBytes(dir / "a.wrm", frames);
    test::WriteBytes(dir / "a.wav", {1, 2, 3});
    auto result = RunCli({"decode", "a.wrm", "-o", "a.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, "The output file exists already; it is not replaced.\na.wav\n(-f "
                               "replaces it; --skip-existing leaves an output that is complete and "
                               "converts the rest.)\n");
    EXPECT_EQ(test::ReadBytes(dir / "a.wav"), (std::vector<std::uint8_t>{1, 2, 3}));
    result = RunCli({"decode", "-f", "a.wrm", "-o", "a.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_TRUE(test::ReadBytes(dir / "a.wav") == ExpectedWav(frames));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.wrm", "a.wav"}));
}

TEST(CliDecode, SigintRemovesTheUnfinishedWavFilesAndExits130) {
    CTestFolder dir;
    // 20 minutes of speech frames each: still decoding when the signal arrives.
    const auto frames = test::ReadBytes(kGoldenDir / "speech_en.wrm");
    std::vector<std::uint8_t> longFrames;
    for (int k = 0; k < 165; ++k) {
        longFrames.insert(longFrames.end(), frames.begin(), frames.end());
    }
    test::WriteBytes(dir / "long1.wrm", longFrames);
    test::WriteBytes(dir / "long2.wrm", longFrames);
    std::filesystem::create_directory(dir / "out");
    test::CCliProcess process({"decode", "-j", "2", "-d", "out", "long1.wrm", "long2.wrm"},
                              dir.Path());
    ASSERT_TRUE(process.WaitForOutput(dir / "out"));
    process.Signal(SIGINT);
    const auto result = process.Wait();
    EXPECT_EQ(result.m_nStatus, 130) << result.m_strErr;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 0);
}

} // namespace
} // namespace veltrane
