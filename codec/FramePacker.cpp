// SPDX-License-Identifier: BSD-3-Clause
#include "FramePacker.h"

#include "SpeechEncoder.h"

#include <cassert>
#include <cstdint>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

// One field of a word: where its value comes from and how wide it is.
struct Field {
    enum Source { kParam, kSlot, kZero } eSource;
    int nIndex;
    int nBits;
};

constexpr Field P(int n) {
    return {Field::kParam, n, kParamWordBits[n]};
}
constexpr Field Lag(int c) {
    return {Field::kSlot, LagSlot(c), kLagCodeBits};
}
constexpr Field PitchGain(int c) {
    return {Field::kSlot, PitchGainSlot(c), kPitchGainBits};
}
constexpr Field PulseCode(int c) {
    return {Field::kSlot, PulseCodeSlot(c), kPulseCodeBits};
}
constexpr Field PulseGain(int c) {
    return {Field::kSlot, PulseGainSlot(c), c == 0 ? kFirstPulseGainBits : kPulseGainRatioBits};
}
constexpr Field Zero(int nBits) {
    return {Field::kZero, 0, nBits};
}

struct WordLayout {
    int nOffset; // byte offset of the word
    int nBits;   // 32, or 16 for the last word
    int nFields;
    Field aFields[6]; // most significant first
};

// The frame's words, field by field from the most significant bit down.
constexpr WordLayout kLayout[] = {
    {0, 32, 3, {P(1), P(2), P(3)}},
    {4, 32, 5, {PulseCode(0), PitchGain(0), PitchGain(1), PitchGain(2), PulseGain(1)}},
    {8, 32, 5, {PulseCode(1), PitchGain(3), PitchGain(4), PitchGain(5), PulseGain(2)}},
    {12, 32, 6, {PulseCode(2), P(0), PulseGain(3), PulseGain(4), PulseGain(5), P(4)}},
    {16, 32, 4, {PulseCode(3), PulseCode(4), P(7), Zero(2)}},
    {20, 32, 5, {PulseCode(5), Lag(0), P(8), P(5), Zero(2)}},
    {24, 32, 4, {Lag(1), Lag(2), Lag(3), Lag(4)}},
    {28, 16, 3, {Lag(5), PulseGain(0), P(6)}},
};

constexpr bool LayoutIsComplete() {
    int nTotal = 0;
    for (const WordLayout& word : kLayout) {
        int nBits = 0;
        for (int f = 0; f < word.nFields; ++f) {
            nBits += word.aFields[f].nBits;
        }
        if (nBits != word.nBits) {
            return false;
        }
        nTotal += nBits;
    }
    return nTotal == kFrameBytes * 8;
}
static_assert(LayoutIsComplete(), "every word's fields must fill it exactly");

std::int32_t FieldValue(const Field& field, const LpcParamWords& words,
                        const ExcitationIndices& slots) {
    switch (field.eSource) {
    case Field::kParam:
        return words[field.nIndex];
    case Field::kSlot:
        return slots[field.nIndex];
    case Field::kZero:
        break;
    }
    return 0;
}

} // namespace

int ExcitationSlotBits(int nSlot) {
    if (nSlot < 6) {
        return kLagCodeBits;
    }
    if (nSlot < 12) {
        return kPitchGainBits;
    }
    if (nSlot < 18) {
        return kPulseCodeBits;
    }
    return nSlot == 18 ? kFirstPulseGainBits : kPulseGainRatioBits;
}

void PackFields(const LpcParamWords& words, const ExcitationIndices& slots, EncodedFrame& frame) {
    for (const WordLayout& layout : kLayout) {
        std::uint32_t nWord = 0;
        for (int f = 0; f < layout.nFields; ++f) {
            const Field& field = layout.aFields[f];
            const std::int32_t nValue = FieldValue(field, words, slots);
            assert(nValue >= 0 && nValue < (1 << field.nBits) && "value spills out of its field");
            nWord = (nWord << field.nBits) + static_cast<std::uint32_t>(nValue);
        }
        for (int b = 0; b < layout.nBits / 8; ++b) {
            frame[layout.nOffset + b] = static_cast<std::uint8_t>(nWord >> (8 * b));
        }
    }
}

void UnpackFields(const EncodedFrame& frame, LpcParamWords& words, ExcitationIndices& slots) {
    for (const WordLayout& layout : kLayout) {
        std::uint32_t nWord = 0;
        for (int b = layout.nBits / 8 - 1; b >= 0; --b) {
            nWord = (nWord << 8) | frame[layout.nOffset + b];
        }
        for (int f = layout.nFields - 1; f >= 0; --f) {
            const Field& field = layout.aFields[f];
            const std::int32_t nValue =
                static_cast<std::int32_t>(nWord & ((std::uint32_t{1} << field.nBits) - 1));
            nWord >>= field.nBits;
            if (field.eSource == Field::kParam) {
                words[field.nIndex] = nValue;
            } else if (field.eSource == Field::kSlot) {
                slots[field.nIndex] = nValue;
            }
        }
    }
}

void CSpeechEncoder::PackFrame(EncodedFrame* pFrame, const EncoderFrame& frame) const {
    PackFields(frame.m_words, frame.m_excIndices, *pFrame);
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
