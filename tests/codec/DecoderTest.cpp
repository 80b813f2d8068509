// SPDX-License-Identifier: BSD-3-Clause
// The decoder against the encoder: the same predictors and the same total excitation, frame by
// frame; output aligned with the input; any buffer decoded without harm.
#include "tests/support/GoldenVectors.h"

#include "codec/FramePacker.h"
#include "codec/LpcQuantizer.h"
#include "codec/SpeechDecoder.h"
#include "codec/SpeechEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>

namespace veltrane::test {
namespace {

// The decoder's excitation history after every frame of the given input, compared with the
// encoder's; returns how many of the compared values were not zero.
std::size_t CompareExcitation(const std::vector<std::int16_t>& samples) {
    CSpeechEncoder encoder;
    CSpeechDecoder decoder;
    std::size_t nNonZero = 0;
    for (std::size_t t = 0; (t + 1) * kFrameSamples <= samples.size(); ++t) {
        EncodedFrame frame;
        encoder.EncodeFrame(&samples[t * kFrameSamples], &frame);
        std::int16_t anOut[kFrameSamples];
        decoder.DecodeFrame(frame, anOut);
        const double* adWant = encoder.ExcitationHistory();
        const double* adGot = decoder.ExcitationHistory();
        for (int i = 0; i < kExcHistoryLength; ++i) {
            EXPECT_EQ(adGot[i], adWant[i]) << "frame " << t << " history element " << i;
            if (adGot[i] != adWant[i]) {
                return nNonZero;
            }
            nNonZero += adWant[i] != 0.0;
        }
    }
    return nNonZero;
}

// On real speech (and every other golden input) the decoder's u is the encoder's u, sample for
// sample, in every subframe of every frame: after each frame the two 295-sample histories are
// identical.
TEST(DecoderExcitation, EqualsTheEncodersTotalExcitation) {
    const std::vector<std::int16_t> speech = ReadWavSamples(GoldenPath("speech_en", ".wav"));
    ASSERT_GE(speech.size(), 100u * kFrameSamples);
    EXPECT_GT(CompareExcitation(speech), 100000u); // real excitation, not silence
    for (const std::string& name : GoldenVectorNames()) {
        SCOPED_TRACE(name);
        CompareExcitation(ReadWavSamples(GoldenPath(name, ".wav")));
    }
}

// A predictor from random reflection coefficients: always stable.
std::array<double, kLpcOrder> RandomPredictor(std::mt19937& random) {
    std::uniform_real_distribution<double> rc(-0.9, 0.9);
    double adK[kLpcOrder];
    for (double& dK : adK) {
        dK = rc(random);
    }
    std::array<double, kLpcOrder> adA;
    ReflectionToPredictor(adK, adA.data());
    return adA;
}

// Call t of the quantizer interpolates between the analyses of calls t-2 and t-1 and writes
// the indices of call t-1; the decoder must rebuild exactly those six predictors from frame t
// and the frame before it.
TEST(DecoderPredictors, AreTheEncodersInterpolatedPredictorsOfTheSameFrame) {
    std::mt19937 random(5);
    CSpeechEncoder encoder;
    CSpeechDecoder decoder;
    const ExcitationIndices silence = {0, 0, 0, 0,    0,    0,    0,    0,    0,
                                       0, 0, 0, 1936, 1936, 1936, 1936, 1936, 1936};
    for (int t = 0; t < 30; ++t) {
        const std::array<double, kLpcOrder> adA = RandomPredictor(random);
        EncoderFrame work{};
        encoder.QuantizeLpc(adA.data(), work);
        const SubframePredictors& aadWant = work.m_aadInterp;
        EncodedFrame frame;
        PackFields(work.m_words, silence, frame);
        std::int16_t anOut[kFrameSamples];
        decoder.DecodeFrame(frame, anOut);
        ASSERT_EQ(decoder.Predictors(), aadWant) << "frame " << t;
        if (t >= 1) { // from the second frame on the two sets differ: a real interpolation
            EXPECT_NE(aadWant[0], aadWant[5]) << "frame " << t;
        }
    }
}

TEST(DecodeFrames, DropsTheTwoStartUpFramesSoNFramesGive240TimesNMinusTwo) {
    for (std::size_t nFrames : {0u, 1u, 2u, 3u, 10u}) {
        const std::vector<std::uint8_t> bytes =
            EncodeAll(std::vector<std::int16_t>(nFrames * kFrameSamples, 100));
        const DecodedFrames decoded = DecodeFrames(bytes);
        EXPECT_EQ(decoded.m_nFrames, nFrames);
        EXPECT_EQ(decoded.m_nTrailingBytes, 0u);
        EXPECT_EQ(decoded.m_anSamples.size(), nFrames > 2 ? (nFrames - 2) * kFrameSamples : 0u);
    }
}

// A short pulse: 81 samples of a 500 Hz tone under a Hann window, centred on nAt. (A single
// click is too sparse for the predictor to model, a pulse of speech-like band is not.)
std::vector<std::int16_t> PulseAt(std::size_t nAt, std::size_t nLength) {
    std::vector<std::int16_t> samples(nLength, 0);
    for (int n = -40; n <= 40; ++n) {
        const double dWindow = 0.5 + 0.5 * std::cos(std::numbers::pi * n / 41.0);
        const double dTone = std::cos(2.0 * std::numbers::pi * n * 500.0 / kSampleRate);
        samples[nAt + n] = static_cast<std::int16_t>(10000.0 * dWindow * dTone);
    }
    return samples;
}

// A pulse centred on input sample nAt comes out centred on sample nAt of the decoding. Each
// pulse starts on a frame's first sample: out of silence the pulse gain can grow only 6.5-fold
// per subframe until the next frame's absolute gain, so an onset later in a frame comes out
// late by the encoder's own design, whatever the decoder does.
TEST(DecodeFrames, OutputSampleIAnswersInputSampleI) {
    for (std::size_t nAt : {1000u, 1480u, 2440u}) {
        const DecodedFrames decoded = DecodeFrames(EncodeAll(PulseAt(nAt, 20 * kFrameSamples)));
        ASSERT_EQ(decoded.m_anSamples.size(), 18u * kFrameSamples);
        double dMoment = 0.0;
        double dEnergy = 0.0;
        std::size_t nPeak = 0;
        for (std::size_t i = 0; i < decoded.m_anSamples.size(); ++i) {
            const double dSample = decoded.m_anSamples[i];
            dMoment += dSample * dSample * static_cast<double>(i);
            dEnergy += dSample * dSample;
            if (std::abs(dSample) > std::abs(decoded.m_anSamples[nPeak])) {
                nPeak = i;
            }
        }
        ASSERT_GT(dEnergy, 0.0);
        EXPECT_NEAR(dMoment / dEnergy, static_cast<double>(nAt), 4.0);
        EXPECT_NEAR(static_cast<double>(nPeak), static_cast<double>(nAt), 4.0);
        EXPECT_GT(std::abs(decoded.m_anSamples[nPeak]), 2000) << nAt;
    }
}

// A torn last frame is not decoded and is reported to the caller; the whole frames before it
// decode as they would alone.
TEST(DecodeFrames, ATornBufferDecodesItsWholeFramesAndReportsTheRest) {
    const std::vector<std::int16_t> samples = ReadWavSamples(GoldenPath("speech_en", ".wav"));
    std::vector<std::uint8_t> bytes =
        EncodeAll(std::vector<std::int16_t>(samples.begin(), samples.begin() + 12 * 240));
    const DecodedFrames whole = DecodeFrames(bytes);
    bytes.resize(bytes.size() + 17, 0xA5);
    const DecodedFrames torn = DecodeFrames(bytes);
    EXPECT_EQ(torn.m_nFrames, 12u);
    EXPECT_EQ(torn.m_nTrailingBytes, 17u);
    EXPECT_EQ(torn.m_anSamples, whole.m_anSamples);
    const DecodedFrames tiny = DecodeFrames(std::span<const std::uint8_t>(bytes.data(), 29));
    EXPECT_EQ(tiny.m_nFrames, 0u);
    EXPECT_EQ(tiny.m_nTrailingBytes, 29u);
    EXPECT_TRUE(tiny.m_anSamples.empty());
}

// Random bytes and frames with every bit set (every code beyond its range) decode to the
// expected number of samples; the clipped output stays within 16 bits by construction, so what
// is checked is that it is deterministic and not all silence.
TEST(DecodeFrames, GarbageDecodesToValidSampleCounts) {
    std::mt19937 random(21);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> garbage(30 * 400 + 7);
    for (auto& nByte : garbage) {
        nByte = static_cast<std::uint8_t>(byte(random));
    }
    const DecodedFrames decoded = DecodeFrames(garbage);
    EXPECT_EQ(decoded.m_nFrames, 400u);
    EXPECT_EQ(decoded.m_nTrailingBytes, 7u);
    EXPECT_EQ(decoded.m_anSamples.size(), 398u * kFrameSamples);
    EXPECT_EQ(DecodeFrames(garbage).m_anSamples, decoded.m_anSamples);
    EXPECT_TRUE(std::any_of(decoded.m_anSamples.begin(), decoded.m_anSamples.end(),
                            [](std::int16_t n) { return n != 0; }));

    const std::vector<std::uint8_t> ones(30 * 50, 0xFF);
    EXPECT_EQ(DecodeFrames(ones).m_anSamples.size(), 48u * kFrameSamples);
}

// Frames of silent spectral envelope whose every subframe feeds the previous one back at gain
// g and adds five positive pulses at gain index nPulseGain.
std::vector<std::uint8_t> FeedbackFrames(std::size_t nFrames, std::int32_t nPitchGain,
                                         std::int32_t nPulseCode, std::int32_t nPulseGain) {
    const LpcParamWords silentEnvelope = {121, 24693, 881, 23, 5, 3, 4, 92, 159};
    ExcitationIndices slots{};
    for (int c = 0; c < kSubframes; ++c) {
        slots[LagSlot(c)] = 0;
        slots[PitchGainSlot(c)] = nPitchGain;
        slots[PulseCodeSlot(c)] = nPulseCode;
        slots[PulseGainSlot(c)] = c == 0 ? nPulseGain : std::min(nPulseGain, 7);
    }
    EncodedFrame frame;
    PackFields(silentEnvelope, slots, frame);
    std::vector<std::uint8_t> bytes;
    for (std::size_t t = 0; t < nFrames; ++t) {
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

// Pitch gain 173.5 fed back for 40 frames takes the excitation beyond the range of a double.
// The decoder starts its signal again from silence and, once silent frames have let the rest
// die away, decodes a valid stream that follows exactly as a new decoder would.
TEST(DecodeFrames, RecoversFromAnExcitationThatOverflows) {
    std::vector<std::uint8_t> bytes = FeedbackFrames(40, 31, 968, 30);
    const std::vector<std::uint8_t> silence = FeedbackFrames(120, 0, 1936, 0);
    bytes.insert(bytes.end(), silence.begin(), silence.end());
    const std::vector<std::int16_t> samples = ReadWavSamples(GoldenPath("speech_en", ".wav"));
    const std::vector<std::uint8_t> speech =
        EncodeAll(std::vector<std::int16_t>(samples.begin(), samples.begin() + 60 * 240));
    bytes.insert(bytes.end(), speech.begin(), speech.end());

    const DecodedFrames after = DecodeFrames(bytes);
    const DecodedFrames alone = DecodeFrames(speech);
    ASSERT_EQ(after.m_anSamples.size(), (160u + 58u) * kFrameSamples);
    EXPECT_TRUE(std::equal(alone.m_anSamples.begin(), alone.m_anSamples.end(),
                           after.m_anSamples.begin() + 160 * kFrameSamples));
}

} // namespace
} // namespace veltrane::test
