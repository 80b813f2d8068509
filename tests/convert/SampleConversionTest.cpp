// Sample bytes to encoder samples, and the proposed output names.
#include "convert/SampleConversion.h"
#include "convert/OutputName.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltrane {
namespace {

std::vector<std::int16_t> Convert(const std::vector<std::uint8_t>& bytes, int nAlign) {
    std::vector<std::int16_t> samples(bytes.size(), 0x5555);
    samples.resize(ConvertSamples(bytes, nAlign, samples));
    return samples;
}

TEST(SampleConversion, EightBitIsCentredAndScaled) {
    EXPECT_EQ(Convert({0, 128, 255, 127, 129}, 1),
              (std::vector<std::int16_t>{-32768, 0, 32512, -256, 256}));
}

TEST(SampleConversion, SixteenBitIsLittleEndianSigned) {
    EXPECT_EQ(Convert({0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F}, 2),
              (std::vector<std::int16_t>{0x1234, -1, -32768, 32767}));
    // An odd trailing byte is not half a sample.
    EXPECT_EQ(Convert({0x01, 0x00, 0x02}, 2), (std::vector<std::int16_t>{1}));
}

TEST(OutputName, LastThreeCharactersBecomeWrm) {
    EXPECT_EQ(ProposedName("speech.wav"), "speech.wrm");
    EXPECT_EQ(ProposedName("TALK.WAV"), "TALK.wrm");
    EXPECT_EQ(ProposedName("voice.wave"), "voice.wwrm");
    EXPECT_EQ(ProposedName("abc"), "wrm");
    EXPECT_EQ(ProposedName("take.wrm"), "take.wrm");
}

// A character of several UTF-8 bytes counts as one, so the name stays valid UTF-8.
TEST(OutputName, MultiByteCharactersCountAsOneCharacter) {
    EXPECT_EQ(ProposedName("запись.вав"), "запись.wrm");
    EXPECT_EQ(ProposedName("a.wäv"), "a.wrm");
    EXPECT_EQ(ProposedName("take.wa\xF0\x9F\x8E\xA4"), "take.wrm"); // a 4-byte character
    EXPECT_EQ(ProposedName("äö"), "äö.wrm");
}

TEST(OutputName, ShortNamesGetAnExtension) {
    EXPECT_EQ(ProposedName("ab"), "ab.wrm");
    EXPECT_EQ(ProposedName("a"), "a.wrm");
    EXPECT_EQ(ProposedName(""), ".wrm");
}

TEST(OutputName, BesideTheInputOrInTheOutputFolder) {
    EXPECT_EQ(ProposedOutputPath("/rec/day1/a.wav", ""), "/rec/day1/a.wrm");
    EXPECT_EQ(ProposedOutputPath("a.wav", ""), "a.wrm");
    EXPECT_EQ(ProposedOutputPath("/rec/day1/a.wav", "/out"), "/out/a.wrm");
}

// The command line's rule: the last extension, in any case, gives way to ".wrm".
TEST(OutputName, CommandLineReplacesTheLastExtensionOrAppends) {
    EXPECT_EQ(EncodedName("speech.wav"), "speech.wrm");
    EXPECT_EQ(EncodedName("talk.WAV"), "talk.wrm");
    EXPECT_EQ(EncodedName("voice.wave"), "voice.wrm");
    EXPECT_EQ(EncodedName("x.flac"), "x.wrm");
    EXPECT_EQ(EncodedName("a.b"), "a.wrm");
    EXPECT_EQ(EncodedName("take.2.wav"), "take.2.wrm");
    EXPECT_EQ(EncodedName("recording"), "recording.wrm");
    EXPECT_EQ(EncodedName(".hidden"), ".hidden.wrm");
    EXPECT_EQ(EncodedName("запись.вав"), "запись.wrm");
    EXPECT_EQ(EncodedOutputPath("/rec/v1.0/recording", ""), "/rec/v1.0/recording.wrm");
    EXPECT_EQ(EncodedOutputPath("/rec/day1/a.WAV", "/out"), "/out/a.wrm");
}

} // namespace
} // namespace veltrane
