// SPDX-License-Identifier: BSD-3-Clause
// The encoder on arbitrary samples: every frame keeps its four reserved bits zero and every
// field inside its range, a fresh encoder gives the same bytes for the same samples, and the
// first frame always describes the start-up silence.
#include "FuzzCheck.h"
#include "codec/FramePacker.h"
#include "codec/LpcQuantizer.h"
#include "codec/SpeechDecoder.h"
#include "codec/SpeechEncoder.h"
#include "codec/tables/RcTables.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace veltrane;
using veltrane::fuzz::Require;

namespace {

// Enough frames for the pitch search to reach back into earlier frames, few enough to keep the
// run fast under the sanitizers.
constexpr std::size_t kMaxFrames = 8;

// The two 2-bit gaps of the layout: the lowest bits of the words at bytes 16 and 20.
constexpr std::uint8_t kReservedMask = 0x03;
constexpr std::size_t kReservedBytes[] = {16, 20};

constexpr std::int32_t kMaxLagCode = 240;
constexpr std::int32_t kMaxPulseCode = 1943;
constexpr std::int32_t kMaxFirstPulseGain = 30;

// Samples little-endian from the bytes, zero-padded to whole frames.
std::vector<std::int16_t> SamplesOf(const std::uint8_t* pData, std::size_t nSize) {
    const std::size_t nSamples = nSize / 2;
    const std::size_t nFrames =
        std::clamp<std::size_t>((nSamples + kFrameSamples - 1) / kFrameSamples, 1, kMaxFrames);
    std::vector<std::int16_t> samples(nFrames * kFrameSamples, 0);
    for (std::size_t i = 0; i < std::min(nSamples, samples.size()); ++i) {
        samples[i] = static_cast<std::int16_t>(pData[2 * i] | (pData[2 * i + 1] << 8));
    }
    return samples;
}

std::vector<EncodedFrame> Encode(const std::vector<std::int16_t>& samples) {
    CSpeechEncoder encoder;
    std::vector<EncodedFrame> frames(samples.size() / kFrameSamples);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        encoder.EncodeFrame(samples.data() + f * kFrameSamples, &frames[f]);
    }
    return frames;
}

const EncodedFrame& SilenceFrame() {
    static const EncodedFrame frame = Encode(std::vector<std::int16_t>(kFrameSamples, 0))[0];
    return frame;
}

void CheckParamWords(const LpcParamWords& words) {
    std::int32_t anIndex[kLpcOrder];
    SplitParamWords(words, anIndex);
    for (int n = 0; n < kLpcOrder; ++n) {
        Require(anIndex[n] >= 0 && anIndex[n] < kRcLevels[n],
                "each reflection index lies in its coefficient's range");
    }
    Require(CombineParamWords(anIndex) == words, "the parameter words are a mixed-radix number");
}

std::int32_t Slot(const ExcitationIndices& slots, int nSlot) {
    return slots[static_cast<std::size_t>(nSlot)];
}

void CheckSlots(const ExcitationIndices& slots) {
    for (int c = 0; c < kSubframes; ++c) {
        const std::int32_t nLag = Slot(slots, LagSlot(c));
        const std::int32_t nPulse = Slot(slots, PulseCodeSlot(c));
        const std::int32_t nGain = Slot(slots, PulseGainSlot(c));
        Require(nLag >= 0 && nLag <= kMaxLagCode, "lag code 0..240");
        Require(nPulse >= 0 && nPulse <= kMaxPulseCode, "pulse code 0..1943");
        Require(c != 0 || nGain <= kMaxFirstPulseGain, "first pulse gain 0..30");
    }
}

void CheckFrame(const EncodedFrame& frame) {
    for (const std::size_t nByte : kReservedBytes) {
        Require((frame[nByte] & kReservedMask) == 0, "the four reserved bits are zero");
    }
    LpcParamWords words{};
    ExcitationIndices slots{};
    UnpackFields(frame, words, slots);
    CheckParamWords(words);
    CheckSlots(slots);
    EncodedFrame repacked{};
    PackFields(words, slots, repacked);
    Require(repacked == frame, "packing the unpacked fields gives the frame back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::vector<std::int16_t> samples = SamplesOf(pData, nSize);
    const std::vector<EncodedFrame> frames = Encode(samples);

    Require(frames.front() == SilenceFrame(), "the first frame describes the start-up silence");
    for (const EncodedFrame& frame : frames) {
        CheckFrame(frame);
    }
    Require(Encode(samples) == frames, "a fresh encoder gives the same bytes");

    // Whatever the encoder writes, the decoder takes.
    std::vector<std::uint8_t> bytes;
    for (const EncodedFrame& frame : frames) {
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    Require(DecodeFrames(bytes).m_nFrames == frames.size(), "the decoder reads every frame");
    return 0;
}
