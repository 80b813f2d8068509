// SPDX-License-Identifier: BSD-3-Clause
// The encoder's frame timing: frames describe the input two calls late, and the first two
// frames of every file describe silence.
#include "tests/support/GoldenVectors.h"

#include "codec/FramePacker.h"
#include "codec/SpeechEncoder.h"

#include <gtest/gtest.h>

#include <random>

namespace veltrane::test {
namespace {

std::vector<std::int16_t> Noise(std::size_t nFrames, unsigned nSeed) {
    std::mt19937 random(nSeed);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<std::int16_t> samples(nFrames * kFrameSamples);
    for (auto& nSample : samples) {
        nSample = static_cast<std::int16_t>(sample(random));
    }
    return samples;
}

EncodedFrame Frame(const std::vector<std::uint8_t>& bytes, std::size_t t) {
    EncodedFrame frame;
    std::copy(&bytes[30 * t], &bytes[30 * t + 30], frame.begin());
    return frame;
}

TEST(FrameTiming, FirstFrameIsTheSilenceFrameWhateverTheInput) {
    const EncodedFrame silence = Frame(EncodeAll(std::vector<std::int16_t>(240)), 0);
    for (unsigned nSeed : {1u, 2u, 3u}) {
        EXPECT_EQ(Frame(EncodeAll(Noise(1, nSeed)), 0), silence) << nSeed;
    }
    const EncodedFrame kExpected = {0x57, 0xDC, 0xEA, 0xC0, 0x00, 0x00, 0x00, 0xF2, 0x00, 0x00,
                                    0x00, 0xF2, 0x05, 0x90, 0x07, 0xF2, 0x70, 0x41, 0x1E, 0xF2,
                                    0xEC, 0x13, 0x00, 0xF2, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
    EXPECT_EQ(silence, kExpected);
}

TEST(FrameTiming, SecondFrameCarriesTheFirstAnalysisWithSilentExcitation) {
    const std::vector<std::uint8_t> bytes = EncodeAll(Noise(2, 9));
    LpcParamWords words{};
    ExcitationIndices slots{};
    UnpackFields(Frame(bytes, 1), words, slots);
    for (int c = 0; c < kSubframes; ++c) {
        EXPECT_EQ(slots[LagSlot(c)], 0);
        EXPECT_EQ(slots[PitchGainSlot(c)], 0);
        EXPECT_EQ(slots[PulseCodeSlot(c)], 1936);
        EXPECT_EQ(slots[PulseGainSlot(c)], 0);
    }
    EXPECT_NE(words, (LpcParamWords{121, 24693, 881, 23, 5, 3, 4, 92, 159}));
}

// Frame of the first output that differs when samples nFrom..nTo of input frame 5 are silenced.
std::size_t FirstAffectedFrame(std::size_t nFrom, std::size_t nTo) {
    const std::vector<std::int16_t> a = Noise(10, 4);
    std::vector<std::int16_t> b = a;
    std::fill(&b[5 * kFrameSamples + nFrom], &b[5 * kFrameSamples + nTo + 1], 0);
    const std::vector<std::uint8_t> encodedA = EncodeAll(a), encodedB = EncodeAll(b);
    for (std::size_t t = 0; t < 10; ++t) {
        if (Frame(encodedA, t) != Frame(encodedB, t)) {
            return t;
        }
    }
    return 10;
}

TEST(FrameTiming, AnInputFrameReachesTheOutputThroughTheNextCallsWords) {
    // Samples 0..179 of frame t lie in call t's analysis window, whose indices frame t + 1
    // carries; nothing earlier may depend on them.
    EXPECT_EQ(FirstAffectedFrame(0, 179), 6u);
    // The newest 60 samples of a call are outside its window: they count from the next call on.
    EXPECT_EQ(FirstAffectedFrame(180, 239), 7u);
}

TEST(FrameTiming, NFramesInGiveNFramesOutAndTheEncoderHoldsNoBufferedOutput) {
    const std::vector<std::int16_t> samples = Noise(7, 6);
    EXPECT_EQ(EncodeAll(samples).size(), 7u * 30u);
    std::vector<std::int16_t> partial(samples.begin(), samples.end() - 100);
    EXPECT_EQ(EncodeAll(partial).size(), 6u * 30u);
}

TEST(FrameTiming, SilenceKeepsEveryFrameTheSilenceFrame) {
    const std::vector<std::uint8_t> bytes = EncodeAll(std::vector<std::int16_t>(240 * 20));
    for (std::size_t t = 1; t < 20; ++t) {
        EXPECT_EQ(Frame(bytes, t), Frame(bytes, 0)) << t;
    }
}

} // namespace
} // namespace veltrane::test
