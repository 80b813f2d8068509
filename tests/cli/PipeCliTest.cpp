// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli with "-": a WAV file read from standard input, frames and decodings written to
// standard output, and the refusals around them.
#include "tests/support/CliRunner.h"
#include "tests/support/GoldenVectors.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {
namespace {

using test::CliStreams;
using test::CTestFolder;
using test::RunCli;

const std::filesystem::path kGoldenDir = VELTRANE_GOLDEN_DIR;

std::vector<std::uint8_t> AsBytes(const std::string& strText) {
    return {strText.begin(), strText.end()};
}

std::uint32_t Le32At(const std::string& strBytes, std::size_t nAt) {
    std::uint32_t nValue = 0;
    for (int b = 3; b >= 0; --b) {
        nValue =
            (nValue << 8) | static_cast<unsigned char>(strBytes[nAt + static_cast<std::size_t>(b)]);
    }
    return nValue;
}

// Every layout of the reference vectors (8- and 16-bit, fact, JUNK, odd fmt sizes) gives the
// same frames through a pipe as through files, with and without -o -.
TEST(PipeCli, EncodingStandardInputGivesTheBytesOfTheFile) {
    const std::vector<std::string> inputs = test::GoldenFiles(kGoldenDir, ".wav");
    ASSERT_EQ(inputs.size(), test::GoldenVectorNames().size());
    CTestFolder dir;
    for (const std::string& strInput : inputs) {
        const std::string strName = std::filesystem::path(strInput).stem().string() + ".wrm";
        const auto expected = test::ReadBytes(kGoldenDir / strName);
        const auto piped = RunCli({"encode", "-q", "-", "-o", "-"}, dir.Path(), {strInput, {}});
        ASSERT_EQ(piped.m_nStatus, 0) << strName << piped.m_strErr;
        EXPECT_TRUE(AsBytes(piped.m_strOut) == expected) << strName;
        EXPECT_EQ(piped.m_strErr, "");
    }
    // Without -o the frames go to standard output; with -o FILE they go to the file.
    const auto plain = RunCli({"encode", "-"}, dir.Path(), {inputs[0], {}});
    EXPECT_EQ(plain.m_nStatus, 0) << plain.m_strErr;
    const std::string strFirst = std::filesystem::path(inputs[0]).stem().string() + ".wrm";
    EXPECT_TRUE(AsBytes(plain.m_strOut) == test::ReadBytes(kGoldenDir / strFirst));
    const auto named = RunCli({"encode", "-", "-o", "named.wrm"}, dir.Path(), {inputs[0], {}});
    EXPECT_EQ(named.m_nStatus, 0) << named.m_strErr;
    EXPECT_EQ(named.m_strOut, "");
    EXPECT_EQ(test::ReadBytes(dir / "named.wrm"), test::ReadBytes(kGoldenDir / strFirst));
    // --convert takes standard input as the header check takes it.
    const auto converted = RunCli({"encode", "--convert", "-"}, dir.Path(), {inputs[0], {}});
    EXPECT_EQ(converted.m_nStatus, 0) << converted.m_strErr;
    EXPECT_TRUE(AsBytes(converted.m_strOut) == test::ReadBytes(kGoldenDir / strFirst));
}

// The header check reads its fields from the bytes the stream has passed: a JUNK chunk longer
// than what the stream keeps, a fact chunk and an 8-bit file all encode as from a file.
TEST(PipeCli, LongChunksBeforeTheSamplesAreSkippedOnTheWay) {
    CTestFolder dir;
    const std::vector<std::int16_t> samples = test::Voice(240 * 30);
    const test::Bytes pcm = test::Pcm16(samples);
    const test::Bytes junk(200000, 0x5A);
    const test::Bytes wav = test::Riff(
        {test::FmtChunk(), test::Chunk("JUNK", static_cast<std::uint32_t>(junk.size()), junk),
         test::Chunk("data", static_cast<std::uint32_t>(pcm.size()), pcm)});
    test::WriteBytes(dir / "junk.wav", wav);
    const auto piped = RunCli({"encode", "-", "-o", "-"}, dir.Path(), {dir / "junk.wav", {}});
    ASSERT_EQ(piped.m_nStatus, 0) << piped.m_strErr;
    EXPECT_TRUE(AsBytes(piped.m_strOut) == test::EncodeDirect(samples));
}

TEST(PipeCli, RefusedStreamGetsTheHeaderMessageAndWritesNothing) {
    CTestFolder dir;
    test::WriteBytes(dir / "stereo.wav",
                     test::CWavBytes().RiffFmt(16, 2).Tag("data").U32(960).Zeros(960).Get());
    const auto result = RunCli({"encode", "-", "-o", "-"}, dir.Path(), {dir / "stereo.wav", {}});
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strOut, "");
    EXPECT_EQ(result.m_strErr, "You must use 'Mono' audio records!!!\n-\n");
}

// A stream or a file that ends before its header's count is encoded as far as it goes, with a
// warning that says how much; a streaming writer's 0xFFFFFFFF is no shortfall.
TEST(PipeCli, DataShorterThanTheHeaderSaysIsEncodedWithAWarning) {
    CTestFolder dir;
    const std::vector<std::int16_t> samples = test::Voice(240 * 10 + 100);
    const test::Bytes pcm = test::Pcm16(samples);
    test::WriteBytes(dir / "cut.wav",
                     test::Riff({test::FmtChunk(), test::Chunk("data", 96000, pcm)}));
    test::WriteBytes(dir / "open.wav",
                     test::Riff({test::FmtChunk(), test::Chunk("data", 0xFFFFFFFF, pcm)}));
    const std::string strWarning = "Warning: the data is shorter than the header says (" +
                                   std::to_string(pcm.size()) +
                                   " of 96000 bytes); 10 frames were encoded.\n";
    const auto piped = RunCli({"encode", "-", "-o", "-"}, dir.Path(), {dir / "cut.wav", {}});
    EXPECT_EQ(piped.m_nStatus, 0);
    EXPECT_TRUE(AsBytes(piped.m_strOut) == test::EncodeDirect(samples));
    EXPECT_NE(piped.m_strErr.find(strWarning + "-\n"), std::string::npos) << piped.m_strErr;
    const auto file = RunCli({"encode", "cut.wav"}, dir.Path());
    EXPECT_EQ(file.m_nStatus, 0);
    EXPECT_NE(file.m_strErr.find(strWarning + "cut.wav\n"), std::string::npos) << file.m_strErr;
    EXPECT_EQ(test::ReadBytes(dir / "cut.wrm"), test::EncodeDirect(samples));
    const auto open = RunCli({"encode", "open.wav"}, dir.Path());
    EXPECT_EQ(open.m_nStatus, 0);
    EXPECT_EQ(open.m_strErr.find("Warning"), std::string::npos) << open.m_strErr;
    // -q keeps errors only.
    const auto quiet = RunCli({"encode", "-q", "-f", "cut.wav"}, dir.Path());
    EXPECT_EQ(quiet.m_nStatus, 0);
    EXPECT_EQ(quiet.m_strErr, "");
}

// On standard output a decoding's header says "length not known", its samples are those of
// the file's decoding, and sox reads it.
TEST(PipeCli, DecodingToStandardOutputIsAStreamingWav) {
    CTestFolder dir;
    const std::filesystem::path wrm = kGoldenDir / "speech_en.wrm";
    const auto piped = RunCli({"decode", wrm.string(), "-o", "-"}, dir.Path());
    ASSERT_EQ(piped.m_nStatus, 0) << piped.m_strErr;
    const auto file = RunCli({"decode", wrm.string(), "-o", "file.wav"}, dir.Path());
    ASSERT_EQ(file.m_nStatus, 0) << file.m_strErr;
    const auto fileBytes = test::ReadBytes(dir / "file.wav");
    ASSERT_EQ(piped.m_strOut.size(), fileBytes.size());
    EXPECT_EQ(Le32At(piped.m_strOut, 4), 0xFFFFFFFFu);
    EXPECT_EQ(Le32At(piped.m_strOut, 40), 0xFFFFFFFFu);
    const auto pipedBytes = AsBytes(piped.m_strOut);
    EXPECT_TRUE(std::equal(fileBytes.begin() + 44, fileBytes.end(), pipedBytes.begin() + 44));
    test::WriteBytes(dir / "piped.wav", AsBytes(piped.m_strOut));
    const std::string strSox =
        "cd '" + dir.Path() +
        "' && sox -V1 piped.wav -t raw piped.raw && sox -V1 file.wav -t raw file.raw";
    ASSERT_EQ(std::system(strSox.c_str()), 0);
    EXPECT_EQ(test::ReadBytes(dir / "piped.raw"), test::ReadBytes(dir / "file.raw"));
    EXPECT_EQ(test::ReadBytes(dir / "piped.raw").size(), fileBytes.size() - 44);
}

// A reader that stops early (head -c 100) ends the run at once and quietly, with the status of a
// program that SIGPIPE ends, for encode and decode alike.
TEST(PipeCli, AClosedPipeEndsTheRunQuietlyWith141) {
    CTestFolder dir;
    const std::filesystem::path long40s = kGoldenDir / "speech_tremolo_40s.wav";
    const std::filesystem::path wrm = kGoldenDir / "speech_tremolo_40s.wrm";
    const std::vector<std::vector<std::string>> commands = {
        {"encode", long40s.string(), "-o", "-"},
        {"decode", wrm.string(), "-o", "-"},
        {"encode", "--convert", long40s.string(), "-o", "-"}};
    for (const std::vector<std::string>& args : commands) {
        const std::string sPipe = dir.Make("pipe");
        std::filesystem::remove(sPipe);
        ASSERT_EQ(::mkfifo(sPipe.c_str(), 0600), 0);
        const int nReader = ::open(sPipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(nReader, 0);
        test::CCliProcess process(args, dir.Path(), {"/dev/null", sPipe});
        char ach[100];
        std::size_t nGot = 0;
        while (nGot < sizeof ach) { // as head -c 100 reads, then goes
            const ssize_t n = ::read(nReader, ach + nGot, sizeof ach - nGot);
            if (n > 0) {
                nGot += static_cast<std::size_t>(n);
            }
        }
        ::close(nReader);
        const test::CliResult result = process.Wait();
        EXPECT_EQ(result.m_nStatus, 141) << args[0] << result.m_strErr;
        EXPECT_EQ(result.m_strErr, "") << args[0];
    }
}

// The shell's <(...) names a pipe of the process as /dev/fd/N: read as a stream, with the bytes
// of the file; a pipe made by name (mkfifo) is never opened, as no writer need ever come.
TEST(PipeCli, ProcessSubstitutionIsReadAsAStreamAndANamedPipeRefused) {
    CTestFolder dir;
    const std::filesystem::path wrm = kGoldenDir / "speech_en.wrm";
    ASSERT_EQ(RunCli({"decode", "-q", wrm.string(), "-o", "file.wav"}, dir.Path()).m_nStatus, 0);
    const std::vector<std::string> shell = {"bash", "-c",
                                            "exec \"$0\" \"$@\" 3< <(cat '" + wrm.string() + "')"};
    for (const std::string strInput : {"/dev/fd/3", "/proc/self/fd/3"}) {
        test::CCliProcess process({"decode", strInput, "-o", "pipe.wav"}, dir.Path(), {}, shell);
        const auto result = process.Wait();
        EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
        EXPECT_EQ(test::ReadBytes(dir / "pipe.wav"), test::ReadBytes(dir / "file.wav"));
        std::filesystem::remove(dir / "pipe.wav");
    }
    ASSERT_EQ(::mkfifo((dir / "fifo.wrm").c_str(), 0600), 0);
    const auto result = RunCli({"decode", "fifo.wrm", "-o", "fifo.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_NE(result.m_strErr.find("It is not a regular file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "fifo.wav"));
}

TEST(PipeCli, UsageErrorsAroundTheStandardStreams) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(480)));
    test::WriteBytes(dir / "b.wav", test::Wav16(test::Noise(480)));
    std::filesystem::create_directory(dir / "folder");
    const std::vector<std::vector<std::string>> cases = {
        {"encode", "a.wav", "b.wav", "-o", "-"}, // several inputs, one output
        {"encode", "-", "a.wav"},                // standard input among others
        {"encode", "-", "-d", "out"},            // standard input has no name for -d
        {"encode", "a.wav", "-o", "folder"},     // -o names a folder
        {"encode", "--files-from", "-", "-"},    // standard input twice
    };
    for (const auto& args : cases) {
        const auto result = RunCli(args, dir.Path());
        EXPECT_EQ(result.m_nStatus, 1) << args[1] << " " << args.back() << result.m_strErr;
        EXPECT_NE(result.m_strErr.find("Run with --help"), std::string::npos) << result.m_strErr;
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.wav", "b.wav", "folder"}));
}

// Binary data is never written to a terminal.
TEST(PipeCli, TerminalOnStandardOutputIsRefused) {
    CTestFolder dir;
    test::WriteBytes(dir / "a.wav", test::Wav16(test::Noise(480)));
    const int nMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(nMaster, 0);
    ASSERT_EQ(::grantpt(nMaster), 0);
    ASSERT_EQ(::unlockpt(nMaster), 0);
    const std::string strTerminal = ::ptsname(nMaster);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"encode", "a.wav", "-o", "-"}, {"encode", "-"}}) {
        const auto result = RunCli(args, dir.Path(), {dir / "a.wav", strTerminal});
        EXPECT_EQ(result.m_nStatus, 1) << result.m_strErr;
        EXPECT_NE(result.m_strErr.find("terminal"), std::string::npos) << result.m_strErr;
    }
    ::close(nMaster);
}

} // namespace
} // namespace veltrane
