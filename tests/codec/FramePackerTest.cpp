// SPDX-License-Identifier: BSD-3-Clause
// The frame layout: every field in its own bits, nothing spilled into a neighbour.
#include "codec/FramePacker.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace veltrane {
namespace {

const LpcParamWords kSilenceWords = {121, 24693, 881, 23, 5, 3, 4, 92, 159};
const EncodedFrame kSilenceFrame = {0x57, 0xDC, 0xEA, 0xC0, 0x00, 0x00, 0x00, 0xF2, 0x00, 0x00,
                                    0x00, 0xF2, 0x05, 0x90, 0x07, 0xF2, 0x70, 0x41, 0x1E, 0xF2,
                                    0xEC, 0x13, 0x00, 0xF2, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};

ExcitationIndices SilenceSlots() {
    ExcitationIndices slots{};
    for (int c = 0; c < kSubframes; ++c) {
        slots[PulseCodeSlot(c)] = 1936;
    }
    return slots;
}

int PopCount(const EncodedFrame& frame) {
    int nBits = 0;
    for (std::uint8_t nByte : frame) {
        nBits += std::popcount(nByte);
    }
    return nBits;
}

TEST(PackFields, SilenceGivesTheKnownFrame) {
    EncodedFrame frame;
    PackFields(kSilenceWords, SilenceSlots(), frame);
    EXPECT_EQ(frame, kSilenceFrame);
}

TEST(PackFields, EveryFieldAtItsMaximumFillsExactlyItsOwnBits) {
    EncodedFrame all{};
    int nTotalBits = 0;
    for (int w = 0; w < kParamWords; ++w) {
        LpcParamWords words{};
        words[w] = (1 << kParamWordBits[w]) - 1;
        EncodedFrame frame;
        PackFields(words, ExcitationIndices{}, frame);
        EXPECT_EQ(PopCount(frame), kParamWordBits[w]) << "P" << w;
        for (int b = 0; b < kFrameBytes; ++b) {
            EXPECT_EQ(all[b] & frame[b], 0) << "P" << w << " overlaps at byte " << b;
            all[b] |= frame[b];
        }
        nTotalBits += kParamWordBits[w];
    }
    for (int s = 0; s < kExcitationSlots; ++s) {
        ExcitationIndices slots{};
        slots[s] = (1 << ExcitationSlotBits(s)) - 1;
        EncodedFrame frame;
        PackFields(LpcParamWords{}, slots, frame);
        EXPECT_EQ(PopCount(frame), ExcitationSlotBits(s)) << "slot " << s;
        for (int b = 0; b < kFrameBytes; ++b) {
            EXPECT_EQ(all[b] & frame[b], 0) << "slot " << s << " overlaps at byte " << b;
            all[b] |= frame[b];
        }
        nTotalBits += ExcitationSlotBits(s);
    }
    EXPECT_EQ(nTotalBits, 236);
    // The two always-zero bits of bytes 16 and 20 are the only ones no field uses.
    EXPECT_EQ(all[16] & 0x03, 0);
    EXPECT_EQ(all[20] & 0x03, 0);
    EXPECT_EQ(PopCount(all), 236);
}

TEST(PackFields, TheLargestCodesOfTheirRangesRoundTrip) {
    ExcitationIndices slots{};
    for (int c = 0; c < kSubframes; ++c) {
        slots[LagSlot(c)] = 240;
        slots[PitchGainSlot(c)] = 63;
        slots[PulseCodeSlot(c)] = 1943;
        slots[PulseGainSlot(c)] = c == 0 ? 30 : 7;
    }
    const LpcParamWords words = {503, 32339, 2027, 62, 7, 7, 7, 251, 251};
    EncodedFrame frame;
    PackFields(words, slots, frame);
    LpcParamWords wordsBack{};
    ExcitationIndices slotsBack{};
    UnpackFields(frame, wordsBack, slotsBack);
    EXPECT_EQ(wordsBack, words);
    EXPECT_EQ(slotsBack, slots);
}

TEST(PackFields, LagCodesSitWhereTheLayoutPutsThem) {
    ExcitationIndices slots{};
    for (int c = 0; c < kSubframes; ++c) {
        slots[LagSlot(c)] = 10 + c;
    }
    EncodedFrame frame;
    PackFields(LpcParamWords{}, slots, frame);
    EXPECT_EQ(frame[24], 14); // subframe 4
    EXPECT_EQ(frame[25], 13);
    EXPECT_EQ(frame[26], 12);
    EXPECT_EQ(frame[27], 11); // subframe 1
    EXPECT_EQ(frame[29], 15); // subframe 5
    // Subframe 0 straddles bytes 21 and 22: bits 20..13 of the word at byte 20.
    EXPECT_EQ(((frame[22] << 8 | frame[21]) >> 5) & 0xFF, 10);
}

TEST(UnpackFields, InvertsPackingForRandomFrames) {
    std::mt19937 random(3);
    for (int trial = 0; trial < 500; ++trial) {
        LpcParamWords words;
        ExcitationIndices slots;
        for (int w = 0; w < kParamWords; ++w) {
            words[w] = std::uniform_int_distribution<int>(0, (1 << kParamWordBits[w]) - 1)(random);
        }
        for (int s = 0; s < kExcitationSlots; ++s) {
            slots[s] =
                std::uniform_int_distribution<int>(0, (1 << ExcitationSlotBits(s)) - 1)(random);
        }
        EncodedFrame frame;
        PackFields(words, slots, frame);
        LpcParamWords wordsBack{};
        ExcitationIndices slotsBack{};
        UnpackFields(frame, wordsBack, slotsBack);
        ASSERT_EQ(wordsBack, words) << trial;
        ASSERT_EQ(slotsBack, slots) << trial;
    }
}

} // namespace
} // namespace veltrane
