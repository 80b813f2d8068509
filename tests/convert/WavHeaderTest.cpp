// SPDX-License-Identifier: BSD-3-Clause
// The header check: accepted layouts, every message in the order of the checks, and headers
// that end early.
#include "convert/WavHeader.h"

#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrane {
namespace {

using test::CWavBytes;

WavCheckResult Check(const CWavBytes& wav) {
    CSpanByteSource source(wav.Get());
    return CheckWavHeader(source);
}

std::string MessageOf(const CWavBytes& wav) {
    const WavCheckResult result = Check(wav);
    return result.Accepted() ? std::string("accepted") : std::string(result.m_pszMessage);
}

void ExpectAccepted(const CWavBytes& wav, int nAlign, std::uint64_t nOffset, std::uint64_t nBytes) {
    const WavCheckResult result = Check(wav);
    ASSERT_TRUE(result.Accepted()) << result.m_pszMessage;
    EXPECT_EQ(result.m_format.m_nBlockAlign, nAlign);
    EXPECT_EQ(result.m_format.m_nDataOffset, nOffset);
    EXPECT_EQ(result.m_format.m_nDataBytes, nBytes);
}

TEST(WavHeaderLayout, Canonical44) {
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("data").U32(9600).Zeros(9600), 2, 44, 9600);
}

TEST(WavHeaderLayout, EightBitCanonical) {
    ExpectAccepted(CWavBytes().RiffFmt(16, 1, 16000, 1, 8).Tag("data").U32(480), 1, 44, 480);
}

TEST(WavHeaderLayout, Fmt18SkipsTwoBytes) {
    // A nonzero extension size must not be taken for the next tag.
    ExpectAccepted(CWavBytes().RiffFmt(18).U16(0x6164).Tag("data").U32(1000), 2, 46, 1000);
}

TEST(WavHeaderLayout, FactGivesCountTimesAlign) {
    // The data chunk's own size field (here 7) is not used after a fact chunk.
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("fact").U32(4).U32(300).Tag("data").U32(7), 2, 56,
                   600);
    ExpectAccepted(
        CWavBytes().RiffFmt(16, 1, 16000, 1, 8).Tag("fact").U32(4).U32(300).Tag("data").U32(7), 1,
        56, 300);
}

TEST(WavHeaderLayout, FactSizeMovesOffset) {
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("fact").U32(12).U32(10), 2, 64, 20);
}

TEST(WavHeaderLayout, FactCountIsNotCutTo32Bits) {
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("fact").U32(4).U32(0xFFFFFFFFu), 2, 56,
                   0x1FFFFFFFEull);
}

TEST(WavHeaderLayout, Junk28ThenData) {
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("JUNK").U32(28).Zeros(28).Tag("data").U32(480), 2,
                   80, 480);
}

TEST(WavHeaderLayout, TagsInAnyCase) {
    ExpectAccepted(CWavBytes().RiffFmt(16, 1, 16000, 2, 16, 1, "FmT ").Tag("DaTa").U32(4), 2, 44,
                   4);
    CWavBytes lower;
    lower.Tag("riff").U32(0).Tag("wave").Tag("fmt ").U32(16);
    lower.U16(1).U16(1).U32(16000).U32(32000).U16(2).U16(16).Tag("junk").U32(0).Tag("data").U32(2);
    ExpectAccepted(lower, 2, 52, 2);
}

TEST(WavHeaderLayout, OffsetBeyond16BitsKeepsItsValue) {
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("JUNK").U32(40000).Zeros(40000).Tag("data").U32(2),
                   2, 40052, 2);
    ExpectAccepted(CWavBytes().RiffFmt(16 + 70000).Zeros(70000).Tag("data").U32(2), 2, 70044, 2);
}

TEST(WavHeaderLayout, HugeChunkSizesDoNotWrap) {
    // 20 + F + 8 + J + 8 exceeds 32 bits; the tag is then read past the end, as zeros.
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(0xFFFFFFF0u)), kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16).Tag("JUNK").U32(0xFFFFFFFFu)), kMsgUnsupported);
}

TEST(WavHeaderReject, OnlyThreeOrdersAfterFmt) {
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16).Tag("LIST").U32(4).Tag("INFO").Tag("data").U32(2)),
              kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16).Tag("JUNK").U32(4).Zeros(4).Tag("LIST").U32(2)),
              kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16).Tag("JUNK").U32(4).Zeros(4).Tag("fact").U32(4)),
              kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16).Tag("dat ").U32(2)), kMsgUnsupported);
}

TEST(WavHeaderReject, EachFieldGetsItsMessage) {
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFX").U32(0).Tag("WAVE")), kMsgNotWav);
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("AVI ")), kMsgNotWav);
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("WAVE").Tag("LIST")), kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 2, 16, 3)), kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 2, 16000, 4, 16)), kMsgNotMono);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 2, 16000, 2, 16)), kMsgNotMono);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 8000)), kMsgNot16kHz);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 4, 16)), kMsgBadBits);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 3, 24)), kMsgBadBits);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 2, 8)), kMsgBadBits);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 1, 16)), kMsgBadBits);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14)), kMsgBadFmtSize);
}

TEST(WavHeaderReject, FirstFailedCheckWins) {
    // Every fault at once, then each one repaired in the order of the checks.
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFX").U32(0).Tag("WAVX").Tag("fmx ").U32(14)),
              kMsgNotWav);
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("WAVE").Tag("fmx ").U32(14).U16(3)),
              kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14, 2, 8000, 4, 24, 3)), kMsgUnsupported);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14, 2, 8000, 4, 24)), kMsgNotMono);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14, 1, 8000, 4, 24)), kMsgNot16kHz);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14, 1, 16000, 4, 24)), kMsgBadBits);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14, 1, 16000, 2, 16).Tag("LIST")), kMsgBadFmtSize);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16, 1, 16000, 2, 16).Tag("LIST")), kMsgUnsupported);
}

TEST(WavHeaderReject, ShortFmtIsReadAsSixteenBytes) {
    // With F = 14 the body still spans 16 bytes: the bits field comes from bytes 34..35.
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(14).Tag("data").U32(2)), kMsgBadFmtSize);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(0).Tag("data").U32(2)), kMsgBadFmtSize);
}

TEST(WavHeaderTruncated, MissingBytesReadAsZero) {
    EXPECT_EQ(MessageOf(CWavBytes()), kMsgNotWav);
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0)), kMsgNotWav);
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("WAVE")), kMsgUnsupported);
    // Format tag present, channels missing: zero channels.
    EXPECT_EQ(MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("WAVE").Tag("fmt ").U32(16).U16(1)),
              kMsgNotMono);
    // The fmt body ends inside the rate field: 16000 = 0x3E80, only the low byte present.
    EXPECT_EQ(
        MessageOf(CWavBytes().Tag("RIFF").U32(0).Tag("WAVE").Tag("fmt ").U32(16).U16(1).U16(1).Tag(
            "\x80")),
        kMsgNot16kHz);
    EXPECT_EQ(MessageOf(CWavBytes().RiffFmt(16)), kMsgUnsupported);
    // A data size cut off after two bytes: the missing high bytes read as zero.
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("data").U16(0x1234), 2, 44, 0x1234);
    ExpectAccepted(CWavBytes().RiffFmt(16).Tag("data"), 2, 44, 0);
}

TEST(WavHeaderData, AvailableBytesClampToFile) {
    const WavFormat format{2, 44, 0xFFFFFFFFu};
    EXPECT_EQ(AvailableDataBytes(format, 44 + 4800), 4800u);
    EXPECT_EQ(AvailableDataBytes(format, 44), 0u);
    EXPECT_EQ(AvailableDataBytes(format, 10), 0u);
    EXPECT_EQ(AvailableDataBytes(WavFormat{2, 44, 100}, 44 + 4800), 100u);
    EXPECT_EQ(WholeFrames(479, 2), 0u);
    EXPECT_EQ(WholeFrames(480, 2), 1u);
    EXPECT_EQ(WholeFrames(480, 1), 2u);
    EXPECT_EQ(WholeFrames(0x1FFFFFFFEull, 2), 0xFFFFFFFFull / 240);
}

} // namespace
} // namespace veltrane
