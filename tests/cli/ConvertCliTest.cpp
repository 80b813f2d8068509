// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli encode and check with and without --convert, on recordings the header check
// refuses: a WAV with a LIST chunk, a 44.1 kHz stereo 24-bit WAV and a FLAC file, all made from
// the golden speech_en.wav (the LIST one by hand, the others with sox).
#include "tests/support/CliRunner.h"

#include <nlohmann/json.hpp>

#include "convert/WavHeader.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::RunCli;

const std::filesystem::path kGoldenDir = VELTRANE_GOLDEN_DIR;
const std::filesystem::path kSpeech = kGoldenDir / "speech_en.wav";
constexpr const char* kHintTail = "; --convert accepts it.\n";

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t nAt, std::uint32_t nValue) {
    for (int b = 0; b < 4; ++b) {
        bytes[nAt + b] = static_cast<std::uint8_t>(nValue >> (8 * b));
    }
}

// speech_en.wav with the LIST/INFO chunk that ffmpeg writes between fmt and data.
std::vector<std::uint8_t> WithListChunk() {
    std::vector<std::uint8_t> wav = test::ReadBytes(kSpeech);
    const std::string strInfo = std::string("INFOISFT\x0e\0\0\0Lavf59.27.100\0", 26);
    std::vector<std::uint8_t> chunk = {'L', 'I', 'S', 'T', 0, 0, 0, 0};
    PutLe32(chunk, 4, static_cast<std::uint32_t>(strInfo.size()));
    chunk.insert(chunk.end(), strInfo.begin(), strInfo.end());
    wav.insert(wav.begin() + 36, chunk.begin(), chunk.end());
    PutLe32(wav, 4, static_cast<std::uint32_t>(wav.size() - 8));
    return wav;
}

// Makes to from speech_en.wav with sox and the given output options; true when it worked.
bool Sox(const std::string& strOptions, const std::filesystem::path& to) {
    const std::string strCommand =
        "sox '" + kSpeech.string() + "' " + strOptions + " '" + to.string() + "' 2>/dev/null";
    return std::system(strCommand.c_str()) == 0 && std::filesystem::exists(to);
}

// The samples per channel of a 24-bit PCM WAV file written by sox (data chunk last).
std::uint64_t SamplesOf24BitStereo(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = test::ReadBytes(file);
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t nSize = bytes[at + 4] | (bytes[at + 5] << 8) | (bytes[at + 6] << 16) |
                                    (static_cast<std::uint32_t>(bytes[at + 7]) << 24);
        if (std::string(bytes.begin() + at, bytes.begin() + at + 4) == "data") {
            return nSize / 6;
        }
        at += 8 + nSize + (nSize & 1);
    }
    return 0;
}

class ConvertCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::WriteBytes(m_dir / "list.wav", WithListChunk());
        ASSERT_TRUE(Sox("-r 44100 -c 2 -b 24", m_dir / "stereo44.wav"));
        ASSERT_TRUE(Sox("", m_dir / "speech.flac"));
    }
    std::string Path(const char* pszName) const { return (m_dir / pszName).string(); }

    CTestFolder m_dir;
};

TEST_F(ConvertCliTest, ListChunkWavGivesTheBytesOfTheSameSamplesWithoutIt) {
    const auto result = RunCli({"encode", "--convert", "list.wav"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(m_dir / "list.wrm"), test::ReadBytes(kGoldenDir / "speech_en.wrm"));
}

TEST_F(ConvertCliTest, FlacIsDecodedLosslesslyAndNamedWrm) {
    const auto result = RunCli({"encode", "--convert", "speech.flac"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(m_dir / "speech.wrm"), test::ReadBytes(kGoldenDir / "speech_en.wrm"));
}

TEST_F(ConvertCliTest, StereoAt44kHzGivesTheExpectedFramesAndCheckAgrees) {
    const std::uint64_t nInput = SamplesOf24BitStereo(m_dir / "stereo44.wav");
    ASSERT_GT(nInput, 0u);
    const std::uint64_t nFrames = (nInput * 16000 + 22050) / 44100 / 240; // rounded, then whole
    const auto check = RunCli({"check", "--convert", "stereo44.wav"}, m_dir.Path());
    EXPECT_EQ(check.m_nStatus, 0) << check.m_strErr;
    EXPECT_NE(check.m_strOut.find("stereo44.wav: 44100 Hz, 2 channels, 24-bit PCM"),
              std::string::npos)
        << check.m_strOut;
    EXPECT_NE(check.m_strOut.find(": " + std::to_string(nFrames) + " frames"), std::string::npos)
        << check.m_strOut;
    const auto result = RunCli({"encode", "--convert", "stereo44.wav"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(m_dir / "stereo44.wrm").size(), nFrames * 30);
}

TEST_F(ConvertCliTest, WithoutConvertEachKeepsItsMessageAndPathThenTheHint) {
    struct Case {
        const char* m_pszFile;
        const char* m_pszMessage;
        std::string m_strHint;
    };
    const Case cases[] = {
        {"list.wav", kMsgUnsupported,
         std::string("Found 16000 Hz, mono, 16-bit PCM (WAV) with a LIST chunk") + kHintTail},
        {"stereo44.wav", kMsgUnsupported,
         std::string("Found 44100 Hz, 2 channels, 24-bit PCM (WAVE_FORMAT_EXTENSIBLE)") +
             kHintTail},
        {"speech.flac", kMsgNotWav,
         std::string("Found 16000 Hz, mono, 16-bit PCM (FLAC)") + kHintTail},
    };
    for (const Case& c : cases) {
        const std::string strExpected = c.m_pszMessage + Path(c.m_pszFile) + "\n" + c.m_strHint;
        const auto encode = RunCli({"encode", "-q", Path(c.m_pszFile)}, m_dir.Path());
        EXPECT_EQ(encode.m_nStatus, 2);
        EXPECT_EQ(encode.m_strErr, strExpected);
        const auto check = RunCli({"check", Path(c.m_pszFile)}, m_dir.Path());
        EXPECT_EQ(check.m_nStatus, 2);
        EXPECT_EQ(check.m_strErr, strExpected);
    }
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"list.wav", "speech.flac", "stereo44.wav"}));
}

TEST_F(ConvertCliTest, WhatLibsndfileCannotReadKeepsTheCheckMessageAlone) {
    test::WriteBytes(m_dir / "notes.wav", {'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string strExpected = std::string(kMsgNotWav) + "notes.wav\n";
    const auto encode = RunCli({"encode", "-q", "--convert", "notes.wav"}, m_dir.Path());
    EXPECT_EQ(encode.m_nStatus, 2);
    EXPECT_EQ(encode.m_strErr, strExpected);
    const auto check = RunCli({"check", "--convert", "notes.wav"}, m_dir.Path());
    EXPECT_EQ(check.m_nStatus, 2);
    EXPECT_EQ(check.m_strErr, strExpected);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "notes.wrm"));
}

TEST_F(ConvertCliTest, ACutOffFlacFailsWithLibsndfilesTextAndLeavesNothing) {
    std::vector<std::uint8_t> flac = test::ReadBytes(m_dir / "speech.flac");
    flac.resize(flac.size() / 3);
    test::WriteBytes(m_dir / "cut.flac", flac);
    const auto result = RunCli({"encode", "-q", "--convert", "cut.flac"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("\ncut.flac\n"), std::string::npos) << result.m_strErr;
    EXPECT_EQ(m_dir.Names(),
              (std::set<std::string>{"cut.flac", "list.wav", "speech.flac", "stereo44.wav"}));
}

// Headers that claim what no recording is: refused at once with the reason and the path,
// nothing written, instead of buffers that grow with the claim (a rate of 1 per second asks the
// resampler for 16000 samples of every one read).
TEST_F(ConvertCliTest, AbsurdHeadersAreRefusedWithTheirReason) {
    struct Case {
        test::FmtFields m_fmt;
        std::size_t m_nDataBytes;
        std::string m_sReason;
    };
    const std::vector<Case> cases = {
        {{1, 1, 1, 2, 16}, 65536, "Its sample rate, 1 per second, is outside what --convert takes"},
        {{1, 1, 999, 2, 16}, 4000, "Its sample rate, 999 per second,"},
        {{1, 1, 768001, 2, 16}, 4000, "Its sample rate, 768001 per second,"},
        {{1, 65, 16000, 130, 16}, 130 * 100, "It has 65 channels; --convert takes 1 to 64."},
        {{1, 2, 44100, 4, 16}, 0, "It holds no samples."},
    };
    for (const Case& c : cases) {
        const test::Bytes wav =
            test::Riff({test::FmtChunk(c.m_fmt),
                        test::Chunk("data", static_cast<std::uint32_t>(c.m_nDataBytes),
                                    test::Bytes(c.m_nDataBytes, 0x11))});
        test::WriteBytes(m_dir / "odd.wav", wav);
        const auto result = RunCli({"encode", "-q", "--convert", "odd.wav"}, m_dir.Path());
        EXPECT_EQ(result.m_nStatus, 2) << c.m_sReason;
        EXPECT_TRUE(result.m_strErr.starts_with(c.m_sReason)) << result.m_strErr;
        EXPECT_NE(result.m_strErr.find("\nodd.wav\n"), std::string::npos) << result.m_strErr;
        EXPECT_FALSE(std::filesystem::exists(m_dir / "odd.wrm"));
        const auto check = RunCli({"check", "--convert", "odd.wav"}, m_dir.Path());
        EXPECT_EQ(check.m_nStatus, 2);
        EXPECT_EQ(check.m_strErr, result.m_strErr);
    }
}

// -r with --convert takes every file of a type libsndfile reads, by extension in any case, and
// leaves the others; a tree with nothing to convert says so and fails, while an empty share of
// a list that has files is no failure.
TEST_F(ConvertCliTest, RecursiveConvertTakesEveryTypeLibsndfileReads) {
    const std::filesystem::path tree = m_dir / "tree";
    std::filesystem::create_directories(tree / "sub");
    ASSERT_TRUE(Sox("-r 8000", tree / "a.flac"));
    ASSERT_TRUE(Sox("-r 22050", tree / "sub/b.AIFF"));
    const bool bOgg = Sox("-r 16000", tree / "sub/c.ogg");
    std::filesystem::copy_file(kSpeech, tree / "d.WAV");
    test::WriteBytes(tree / "notes.txt", {'h', 'i'});
    auto result = RunCli({"encode", "-q", "-r", "--convert", "-d", "out", "tree"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_TRUE(std::filesystem::exists(m_dir / "out/a.wrm"));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "out/sub/b.wrm"));
    EXPECT_EQ(std::filesystem::exists(m_dir / "out/sub/c.wrm"), bOgg);
    EXPECT_EQ(test::ReadBytes(m_dir / "out/d.wrm"), test::ReadBytes(kGoldenDir / "speech_en.wrm"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out/notes.wrm"));

    // Without --convert only WAV files count; with no file at all the folders are named.
    std::filesystem::create_directories(m_dir / "empty/deeper");
    result = RunCli({"encode", "-r", "empty"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, "No input files: nothing to convert was found below\nempty\n");
    result = RunCli({"decode", "-r", "tree"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    result = RunCli({"encode", "-q", "-r", "-d", "shard", "--shard", "1/3", "tree"},
                    m_dir.Path()); // one WAV file, three shares: the first is empty
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_FALSE(std::filesystem::exists(m_dir / "shard/d.wrm"));
}

TEST_F(ConvertCliTest, FilesTheCheckAcceptsAreEncodedAsWithoutConvert) {
    const auto input = kGoldenDir / "vowels_8bit_fact.wav";
    const auto result =
        RunCli({"encode", "--convert", input.string(), "-o", "out.wrm"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(test::ReadBytes(m_dir / "out.wrm"),
              test::ReadBytes(kGoldenDir / "vowels_8bit_fact.wrm"));
}

// Standard input is read as the same file would be: a WAV the header check takes streams
// through, anything else is kept in a temporary file for libsndfile; check, quality and info
// say of "-" what they say of the file.
TEST_F(ConvertCliTest, EveryRecordingFromStandardInputGivesWhatItsFileGives) {
    for (const char* pszFile : {"list.wav", "stereo44.wav", "speech.flac"}) {
        const test::CliStreams streams{m_dir / pszFile, {}};
        auto fromFile =
            RunCli({"encode", "-q", "--convert", pszFile, "-o", "file.wrm"}, m_dir.Path());
        auto fromPipe =
            RunCli({"encode", "-q", "--convert", "-", "-o", "pipe.wrm"}, m_dir.Path(), streams);
        ASSERT_EQ(fromFile.m_nStatus, 0) << fromFile.m_strErr;
        ASSERT_EQ(fromPipe.m_nStatus, 0) << pszFile << fromPipe.m_strErr;
        EXPECT_EQ(test::ReadBytes(m_dir / "pipe.wrm"), test::ReadBytes(m_dir / "file.wrm"))
            << pszFile;
        for (const std::string strVerb : {"check", "quality", "info"}) {
            fromFile = RunCli({strVerb, "--convert", pszFile}, m_dir.Path());
            fromPipe = RunCli({strVerb, "--convert", "-"}, m_dir.Path(), streams);
            EXPECT_EQ(fromPipe.m_nStatus, 0) << strVerb << " " << pszFile << fromPipe.m_strErr;
            EXPECT_EQ(fromPipe.m_strOut.substr(1),
                      fromFile.m_strOut.substr(std::string(pszFile).size()))
                << strVerb << " " << pszFile;
        }
        std::filesystem::remove(m_dir / "file.wrm");
        std::filesystem::remove(m_dir / "pipe.wrm");
    }
}

// info --json on each kind: the figures agree with what encode makes of the file.
TEST_F(ConvertCliTest, InfoDescribesEachKindInJson) {
    std::filesystem::copy_file(kSpeech, m_dir / "speech.wav");
    std::filesystem::copy_file(kGoldenDir / "speech_en.wrm", m_dir / "speech.wrm");
    std::vector<std::uint8_t> torn = test::ReadBytes(kGoldenDir / "speech_en.wrm");
    const std::size_t nFrames = torn.size() / 30;
    torn.resize(torn.size() - 7);
    test::WriteBytes(m_dir / "torn.wrm", torn);
    const auto result = RunCli(
        {"info", "--json", "speech.wav", "list.wav", "speech.flac", "speech.wrm", "torn.wrm"},
        m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    const auto json = nlohmann::json::parse(result.m_strOut);
    ASSERT_EQ(json.size(), 5u);
    EXPECT_EQ(json[0]["kind"], "wav");
    EXPECT_EQ(json[0]["encode"], true);
    EXPECT_EQ(json[0]["frames"], nFrames);
    EXPECT_EQ(json[0]["bits"], 16);
    EXPECT_EQ(json[1]["kind"], "wav");
    EXPECT_EQ(json[1]["encode"], false);
    EXPECT_EQ(json[1]["check_message"], "Encoder does not support this format!!!");
    EXPECT_EQ(json[1]["convert"], true);
    EXPECT_EQ(json[1]["converted_frames"], nFrames);
    EXPECT_EQ(json[2]["kind"], "audio");
    EXPECT_EQ(json[2]["sample_rate"], 16000);
    EXPECT_EQ(json[2]["converted_frames"], nFrames);
    EXPECT_EQ(json[3]["kind"], "wrm");
    EXPECT_EQ(json[3]["frames"], nFrames);
    EXPECT_EQ(json[3]["whole_frames"], true);
    EXPECT_EQ(json[4]["frames"], nFrames - 1);
    EXPECT_EQ(json[4]["tail_bytes"], 23);
    EXPECT_EQ(json[4]["whole_frames"], false);
}

// The verbs that report share the batch verbs' input options: -r (with --convert, every type
// libsndfile reads), --shard, --files-from and -q.
TEST_F(ConvertCliTest, ReportVerbsTakeTheSharedInputOptions) {
    auto result = RunCli({"check", "-q", "-r", "--convert", "."}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, "");
    result = RunCli({"check", "-r", "."}, m_dir.Path()); // only .wav without --convert
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr.find("speech.flac"), std::string::npos) << result.m_strErr;
    result = RunCli({"quality", "-r", "--convert", "--shard", "1/3", "."}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_TRUE(result.m_strOut.starts_with("./list.wav: ")) << result.m_strOut;
    EXPECT_EQ(std::count(result.m_strOut.begin(), result.m_strOut.end(), '\n'), 1);
    test::WriteBytes(m_dir / "list.txt",
                     {'s', 'p', 'e', 'e', 'c', 'h', '.', 'f', 'l', 'a', 'c', '\n'});
    result = RunCli({"info", "--files-from", "list.txt"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_TRUE(result.m_strOut.starts_with("speech.flac: 16000 Hz, mono")) << result.m_strOut;
    result = RunCli({"quality", "stereo44.wav"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("--convert accepts it."), std::string::npos) << result.m_strErr;
}

} // namespace
} // namespace veltrane
