// Decoding one ".wrm" file to disk, the names of decodings, and reading a WAV file's samples.
#include "convert/FileDecoder.h"
#include "convert/BatchRunner.h"
#include "convert/FrameEncoding.h"
#include "convert/OutputName.h"
#include "convert/WavFile.h"

#include "TestFiles.h"
#include "WavBytes.h"

#include "codec/SpeechDecoder.h"
#include "codec/WavWriter.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

using test::CTempDir;
using test::CWavBytes;

std::vector<std::uint8_t> FramesOfNoise(std::size_t nFrames) {
    std::vector<std::uint8_t> frames;
    EncodeWavBytes(CWavBytes::Canonical16(test::Noise(240 * nFrames)), frames);
    return frames;
}

TEST(DecodedName, ReplacesTheWrmEndingSoThatTheRecordingIsNeverHit) {
    EXPECT_EQ(DecodedName("speech.wrm"), "speech.decoded.wav");
    EXPECT_EQ(DecodedName("TALK.WRM"), "TALK.decoded.wav");
    EXPECT_EQ(DecodedName("take.bin"), "take.bin.decoded.wav");
    EXPECT_EQ(DecodedName(".wrm"), ".wrm.decoded.wav");
    EXPECT_EQ(DecodedOutputPath("in/a.wrm", ""), std::filesystem::path("in/a.decoded.wav"));
    EXPECT_EQ(DecodedOutputPath("in/a.wrm", "out"), std::filesystem::path("out/a.decoded.wav"));
}

// Chunks of 100 frames: 0..3 frames around the dropped start, and files across chunk edges.
FileJobOptions Replacing() {
    FileJobOptions options;
    options.m_bReplace = true;
    return options;
}

TEST(DecodeWrmFile, WritesTheWavOfDecodeFramesWhateverTheLength) {
    CTempDir dir;
    for (const std::size_t nFrames : {0u, 1u, 2u, 3u, 100u, 101u, 250u}) {
        const std::vector<std::uint8_t> frames = FramesOfNoise(nFrames);
        test::WriteBytes(dir / "a.wrm", frames);
        const FileJobReport report = DecodeWrmFile(dir / "a.wrm", dir / "a.wav", Replacing());
        ASSERT_EQ(report.m_outcome, FileOutcome::Converted) << report.m_strMessage;
        const std::vector<std::uint8_t> expected = WriteWav16(DecodeFrames(frames).m_anSamples);
        EXPECT_TRUE(test::ReadBytes(dir / "a.wav") == expected) << nFrames << " frames";
        EXPECT_EQ(report.m_nFrames, nFrames);
        EXPECT_EQ(report.m_nBytes, expected.size());
        const WavSamples wav = ReadWavSamples(dir / "a.wav");
        ASSERT_TRUE(wav.m_check.Accepted()) << wav.m_check.m_strMessage;
        EXPECT_EQ(wav.m_anSamples.size(), nFrames > 2 ? 240 * (nFrames - 2) : 0);
    }
}

TEST(DecodeWrmFile, RejectsTornFilesAndWavFilesWritingNothing) {
    CTempDir dir;
    std::vector<std::uint8_t> torn = FramesOfNoise(4);
    torn.resize(torn.size() - 7);
    test::WriteBytes(dir / "torn.wrm", torn);
    FileJobReport report = DecodeWrmFile(dir / "torn.wrm", dir / "torn.wav", {});
    EXPECT_EQ(report.m_outcome, FileOutcome::Rejected);
    EXPECT_EQ(report.m_strMessage,
              "Its size, 113 bytes, is not a whole number of 30-byte frames.\n");
    EXPECT_EQ(report.m_pathShown, dir / "torn.wrm");
    // 44 + 2 * 68 bytes: a multiple of 30, so only the header tells it from frames.
    test::WriteBytes(dir / "take.wrm", CWavBytes::Canonical16(test::Noise(68)));
    report = DecodeWrmFile(dir / "take.wrm", dir / "take.wav", {});
    EXPECT_EQ(report.m_outcome, FileOutcome::Rejected);
    EXPECT_EQ(report.m_strMessage, "It is a WAV file, not a .wrm file.\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"torn.wrm", "take.wrm"}));
}

TEST(DecodeWrmFile, CancelAfterTheFirstChunkLeavesNothing) {
    CTempDir dir;
    test::WriteBytes(dir / "a.wrm", FramesOfNoise(250));
    std::atomic<bool> bCancel{false};
    FileJobOptions options;
    options.m_pbCancel = &bCancel;
    std::vector<std::uint64_t> chunks;
    options.m_onFrames = [&](std::uint64_t nFrames) {
        chunks.push_back(nFrames);
        bCancel = true;
    };
    EXPECT_EQ(DecodeWrmFile(dir / "a.wrm", dir / "a.wav", options).m_outcome,
              FileOutcome::Cancelled);
    EXPECT_EQ(chunks, (std::vector<std::uint64_t>{100}));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.wrm"}));
}

TEST(DecodeWrmFile, KeepsAnExistingOutputAndNeverReplacesItsInput) {
    CTempDir dir;
    const std::vector<std::uint8_t> frames = FramesOfNoise(5);
    test::WriteBytes(dir / "a.wrm", frames);
    test::WriteBytes(dir / "a.wav", {7});
    EXPECT_EQ(DecodeWrmFile(dir / "a.wrm", dir / "a.wav", {}).m_outcome, FileOutcome::Skipped);
    EXPECT_EQ(test::ReadBytes(dir / "a.wav"), (std::vector<std::uint8_t>{7}));
    EXPECT_EQ(DecodeWrmFile(dir / "a.wrm", dir / "a.wrm", Replacing()).m_outcome,
              FileOutcome::Failed);
    EXPECT_EQ(test::ReadBytes(dir / "a.wrm"), frames);
    std::vector<FileOutcome> outcomes;
    RunBatch(
        {{dir / "a.wrm", dir / "a.wav"}}, 1, Replacing(), DecodeWrmFile,
        [&](std::size_t, const FileJobReport& report) { outcomes.push_back(report.m_outcome); });
    EXPECT_EQ(outcomes, (std::vector<FileOutcome>{FileOutcome::Converted}));
    EXPECT_EQ(test::ReadBytes(dir / "a.wav"), WriteWav16(DecodeFrames(frames).m_anSamples));
}

TEST(ReadWavSamples, GivesEverySampleOrTheHeaderMessage) {
    CTempDir dir;
    const std::vector<std::int16_t> samples = test::Noise(1000);
    test::WriteBytes(dir / "a.wav", CWavBytes::Canonical16(samples));
    EXPECT_EQ(ReadWavSamples(dir / "a.wav").m_anSamples, samples);
    test::WriteBytes(dir / "b.wav", CWavBytes().RiffFmt(16, 2, 16000, 4).Get());
    const WavSamples rejected = ReadWavSamples(dir / "b.wav");
    EXPECT_TRUE(rejected.m_check.m_bRejected);
    EXPECT_EQ(rejected.m_check.m_strMessage, kMsgNotMono);
    EXPECT_FALSE(ReadWavSamples(dir / "none.wav").m_check.Accepted());
}

} // namespace
} // namespace veltrane
