// SPDX-License-Identifier: BSD-3-Clause
// What the decoder reads from a frame: every field back from its bits, the index codes back to
// the values the encoder meant, and corrupt codes put back into their ranges.
#include "codec/FramePacker.h"
#include "codec/LpcQuantizer.h"
#include "codec/SpeechDecoder.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"
#include "codec/tables/GainTables.h"
#include "codec/tables/RcTables.h"

#include <gtest/gtest.h>

#include <random>

namespace veltrane {
namespace {

int FieldBits(int nField) {
    return nField < kParamWords ? kParamWordBits[nField] : ExcitationSlotBits(nField - kParamWords);
}

std::int32_t& FieldOf(int nField, LpcParamWords& words, ExcitationIndices& slots) {
    return nField < kParamWords ? words[nField] : slots[nField - kParamWords];
}

// Each of the 33 fields takes every value its bits can hold, with every other field random.
TEST(DecoderUnpack, EveryValueOfEveryFieldRoundTrips) {
    std::mt19937 random(11);
    for (int nField = 0; nField < kParamWords + kExcitationSlots; ++nField) {
        for (std::int32_t nValue = 0; nValue < (1 << FieldBits(nField)); ++nValue) {
            LpcParamWords words;
            ExcitationIndices slots;
            for (int f = 0; f < kParamWords + kExcitationSlots; ++f) {
                FieldOf(f, words, slots) =
                    std::uniform_int_distribution<int>(0, (1 << FieldBits(f)) - 1)(random);
            }
            FieldOf(nField, words, slots) = nValue;
            EncodedFrame frame;
            PackFields(words, slots, frame);
            LpcParamWords wordsBack{};
            ExcitationIndices slotsBack{};
            UnpackFields(frame, wordsBack, slotsBack);
            ASSERT_EQ(wordsBack, words) << "field " << nField << " value " << nValue;
            ASSERT_EQ(slotsBack, slots) << "field " << nField << " value " << nValue;
        }
    }
}

TEST(DecodePulses, InvertsEncodePulsesOverEveryCode) {
    for (std::int32_t nCode = 0; nCode <= 1943; ++nCode) {
        std::int32_t anAmplitudes[kPulses];
        const int nPhase = DecodePulses(nCode, anAmplitudes);
        ASSERT_EQ(EncodePulses(anAmplitudes, nPhase), nCode);
    }
    // Phase 5, amplitudes +1, -1, 0, 0, +1: pulse 0 is the most significant digit.
    std::int32_t anAmplitudes[kPulses];
    EXPECT_EQ(DecodePulses(853, anAmplitudes), 5);
    EXPECT_EQ(std::vector<std::int32_t>(anAmplitudes, anAmplitudes + kPulses),
              (std::vector<std::int32_t>{1, -1, 0, 0, 1}));
}

TEST(PitchGainFromIndex, GivesBackWhatTheQuantizerChose) {
    for (double dGain : {-200.0, -1.0, -0.1, -1e-9, 0.0, 0.1, 0.5, 0.95, 2.0, 200.0}) {
        const PitchGainCode choice = QuantizePitchGain(dGain);
        EXPECT_EQ(PitchGainFromIndex(choice.nGainIndex), choice.dGain) << dGain;
    }
    EXPECT_EQ(PitchGainFromIndex(63), -static_cast<double>(kPitchGainLevels[0]));
    EXPECT_EQ(PitchGainFromIndex(32), -static_cast<double>(kPitchGainLevels[31]));
    EXPECT_EQ(PitchGainFromIndex(31), static_cast<double>(kPitchGainLevels[31]));
}

TEST(DecoderClamp, OutOfRangeCodesTakeTheirRangesEnds) {
    ExcitationIndices slots;
    for (int c = 0; c < kSubframes; ++c) {
        slots[LagSlot(c)] = 255;
        slots[PitchGainSlot(c)] = 63;
        slots[PulseCodeSlot(c)] = 2047;
        slots[PulseGainSlot(c)] = c == 0 ? 31 : -1;
    }
    ClampExcitationIndices(slots);
    for (int c = 0; c < kSubframes; ++c) {
        EXPECT_EQ(slots[LagSlot(c)], 240);
        EXPECT_EQ(slots[PitchGainSlot(c)], 63);
        EXPECT_EQ(slots[PulseCodeSlot(c)], 1943);
        EXPECT_EQ(slots[PulseGainSlot(c)], c == 0 ? 30 : 0);
    }
    EXPECT_EQ(PulseGainFromIndex(0, 31, 0.0), static_cast<double>(kPulseGainLevels[30]));
    EXPECT_EQ(PulseGainFromIndex(1, 8, 2.0), 2.0 * static_cast<double>(kGainRatioLevels[7]));
    std::int32_t anAmplitudes[kPulses];
    EXPECT_EQ(DecodePulses(2047, anAmplitudes), 7);
}

// The top digit of a word can exceed its radix (P0 = 511 gives i0 = 36 of 36 levels); each
// index is held to its coefficient's levels.
TEST(DecoderClamp, ParamWordDigitsBeyondTheirRadixTakeTheTopLevel) {
    const LpcParamWords words = {511, 32767, 2047, 63, 7, 7, 7, 255, 255};
    std::int32_t anIndex[kLpcOrder];
    SplitParamWords(words, anIndex);
    EXPECT_GE(anIndex[0], kRcLevels[0]); // the fault is real before clamping
    ClampReflectionIndices(anIndex);
    for (int n = 0; n < kLpcOrder; ++n) {
        EXPECT_GE(anIndex[n], 0) << n;
        EXPECT_LT(anIndex[n], kRcLevels[n]) << n;
    }
    EXPECT_EQ(anIndex[0], kRcLevels[0] - 1);
    EXPECT_EQ(anIndex[1], kRcLevels[1] - 1);
}

} // namespace
} // namespace veltrane
