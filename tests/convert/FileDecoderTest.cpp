// SPDX-License-Identifier: BSD-3-Clause
// Decoding one ".wrm" file to disk, and the names of decodings.
#include "convert/FileDecoder.h"
#include "convert/OutputName.h"
#include "convert/WavFile.h"
#include "tests/support/ReferenceEncoding.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include "codec/SpeechDecoder.h"
#include "convert/WavWriter.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::CWavBytes;

std::vector<std::uint8_t> FramesOfNoise(std::size_t nFrames) {
    std::vector<std::uint8_t> frames;
    EncodeWavBytes(test::Wav16(test::Noise(240 * nFrames)), frames);
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

FileJobOptions Replacing() {
    FileJobOptions options;
    options.m_bReplace = true;
    return options;
}

// Chunks of 100 frames: 0..3 frames around the dropped start, and files across chunk edges.
TEST(DecodeWrmFile, WritesTheWavOfDecodeFramesWhateverTheLength) {
    CTestFolder dir;
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

} // namespace
} // namespace veltrane
