// SPDX-License-Identifier: BSD-3-Clause
// The quality measure: its figures on their own, and on real speech, where it must rate the
// right decoding in the expected band and a decoding of a damaged bitstream far below it.
#include "tests/support/GoldenVectors.h"

#include "analysis/Quality.h"
#include "codec/FramePacker.h"
#include "codec/SpeechDecoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace veltrane::test {
namespace {

TEST(SignalToNoise, IsTheEnergyRatioInDecibels) {
    const std::vector<double> reference(480, 1000.0);
    EXPECT_DOUBLE_EQ(*SignalToNoiseDb(reference, std::vector<std::int16_t>(480, 1100)), 20.0);
    EXPECT_DOUBLE_EQ(*SignalToNoiseDb(reference, std::vector<std::int16_t>(480, 0)), 0.0);
    EXPECT_TRUE(std::isinf(*SignalToNoiseDb(reference, std::vector<std::int16_t>(480, 1000))));
    EXPECT_FALSE(SignalToNoiseDb(std::vector<double>(480, 0.0), std::vector<std::int16_t>(480, 5)));
    // Only the common length counts.
    EXPECT_DOUBLE_EQ(*SignalToNoiseDb(reference, std::vector<std::int16_t>(10, 1100)), 20.0);
}

TEST(SegmentalSnr, AveragesTheLoudSegmentsWithinTheirBounds) {
    std::vector<double> reference(5 * kQualitySegment, 1000.0);
    std::vector<std::int16_t> decoded(5 * kQualitySegment, 1100); // 20 dB
    for (int i = 0; i < kQualitySegment; ++i) {
        decoded[kQualitySegment + i] = 1000;       // exact: held at the ceiling, 35 dB
        decoded[2 * kQualitySegment + i] = -3000;  // hopeless: held at the floor, -10 dB
        reference[3 * kQualitySegment + i] = 20.0; // silent: skipped, whatever its error
        decoded[3 * kQualitySegment + i] = 30000;
    }
    decoded.resize(decoded.size() - 1); // the last segment is not whole: not counted
    const SegmentalSnr result = SegmentalSnrDb(reference, decoded);
    EXPECT_EQ(result.m_nSegments, 3u);
    EXPECT_DOUBLE_EQ(*result.m_dDb, (20.0 + 35.0 - 10.0) / 3.0);
    EXPECT_FALSE(SegmentalSnrDb(std::vector<double>(480, 1.0), decoded).m_dDb);
}

TEST(BitRate, IsTheFramesBitsPerSecondOfRecording) {
    EXPECT_DOUBLE_EQ(BitRate(30 * 100, 240 * 100), 16000.0);
    EXPECT_DOUBLE_EQ(BitRate(30, 480), 8000.0);
    EXPECT_EQ(BitRate(0, 0), 0.0);
}

// The reference is the input after the DC-removal filter, frame for frame, and the frames are
// the encoder's own.
TEST(EncodeWithReference, GivesTheEncodersFramesAndItsPreFilteredInput) {
    std::vector<std::int16_t> samples(3 * kFrameSamples + 100, 1000);
    const ReferenceEncoding encoding = EncodeWithReference(samples);
    EXPECT_EQ(encoding.m_anBytes, EncodeAll(samples));
    ASSERT_EQ(encoding.m_adReference.size(), 3u * kFrameSamples);
    EXPECT_EQ(encoding.m_adReference[0], 1000.0);
    EXPECT_EQ(encoding.m_adReference[1], 990.0);
    EXPECT_NEAR(encoding.m_adReference[700], 1000.0 * std::pow(0.99, 700), 1e-9);
}

std::vector<std::int16_t> Speech() {
    return ReadWavSamples(GoldenPath("speech_en", ".wav"));
}

// Measured on speech_en.wav: SNR 11.61 dB, segmental SNR 10.15 dB over 405 segments.
TEST(QualityOfSpeech, LiesInTheBandOfRealSpeech) {
    const std::vector<std::int16_t> samples = Speech();
    ASSERT_GT(samples.size(), 100000u);
    const QualityReport report = MeasureQuality(samples);
    ASSERT_TRUE(report.m_dSnrDb && report.m_segSnr.m_dDb);
    EXPECT_GE(*report.m_dSnrDb, 9.5);
    EXPECT_LE(*report.m_dSnrDb, 15.5);
    EXPECT_GE(*report.m_segSnr.m_dDb, 8.0);
    EXPECT_LE(*report.m_segSnr.m_dDb, 15.5);
    EXPECT_GT(report.m_segSnr.m_nSegments, 300u);
    EXPECT_EQ(report.m_nSamples, (samples.size() / kFrameSamples - 2) * kFrameSamples);
    EXPECT_EQ(report.m_dBitRate, 16000.0); // over the coded samples: the codec's own rate
}

// The meter that streams a recording gives the figures of the whole-recording measure to the last
// bit, whatever the pieces it is given (here of 1000 samples and of 7, with a partial last frame).
TEST(QualityMeter, StreamingGivesTheFiguresOfTheWholeRecording) {
    const std::vector<std::int16_t> samples = Speech();
    const ReferenceEncoding encoding = EncodeWithReference(samples);
    const QualityReport whole = CompareDecoding(encoding.m_anBytes, encoding.m_adReference);
    for (const std::size_t nPiece : {std::size_t{1000}, std::size_t{7}}) {
        CQualityMeter meter;
        for (std::size_t at = 0; at < samples.size(); at += nPiece) {
            meter.Add(std::span(samples).subspan(at, std::min(nPiece, samples.size() - at)));
        }
        const QualityReport streamed = meter.Report();
        EXPECT_EQ(streamed.m_dSnrDb, whole.m_dSnrDb) << nPiece;
        EXPECT_EQ(streamed.m_segSnr.m_dDb, whole.m_segSnr.m_dDb) << nPiece;
        EXPECT_EQ(streamed.m_segSnr.m_nSegments, whole.m_segSnr.m_nSegments);
        EXPECT_EQ(streamed.m_dBitRate, whole.m_dBitRate);
        EXPECT_EQ(streamed.m_nSamples, whole.m_nSamples);
    }
    EXPECT_FALSE(CQualityMeter().Report().m_dSnrDb); // nothing measured
}

// Decoded sample i answers reference sample i: no other shift matches the two better.
TEST(QualityOfSpeech, ComparesAlignedSignals) {
    const std::vector<std::int16_t> samples = Speech();
    const ReferenceEncoding encoding = EncodeWithReference(samples);
    const DecodedFrames decoded = DecodeFrames(encoding.m_anBytes);
    auto correlation = [&](int nShift) {
        double dSum = 0.0;
        for (std::size_t i = 300; i + 300 < decoded.m_anSamples.size(); ++i) {
            dSum += encoding.m_adReference[i] * decoded.m_anSamples[i + nShift];
        }
        return dSum;
    };
    const double dAligned = correlation(0);
    for (int nShift = -300; nShift <= 300; ++nShift) {
        if (nShift != 0) {
            EXPECT_LT(correlation(nShift), dAligned) << nShift;
        }
    }
}

using Damage = std::function<void(LpcParamWords& words, ExcitationIndices& slots)>;

// Rewrites every frame of the encoding through damage.
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, const Damage& damage) {
    for (std::size_t at = 0; at + kFrameBytes <= bytes.size(); at += kFrameBytes) {
        EncodedFrame frame;
        std::copy_n(bytes.begin() + at, kFrameBytes, frame.begin());
        LpcParamWords words;
        ExcitationIndices slots;
        UnpackFields(frame, words, slots);
        damage(words, slots);
        PackFields(words, slots, frame);
        std::copy(frame.begin(), frame.end(), bytes.begin() + at);
    }
    return bytes;
}

struct Fault {
    const char* pszName;
    Damage damage;
};

// Each of these faults a decoder or an encoder could make; the measure must put every one far
// below the right decoding (about 11 dB). Measured on speech_en.wav: pulse gains one level up
// -11.9 dB (segmental -9.4), pitch gains of the wrong sign -2.2 (-1.3), lag codes one off -0.8
// (0.8), the spectral envelope one frame late 2.9 (3.7).
TEST(QualityOfSpeech, FallsFarBelowForADamagedBitstream) {
    const std::vector<std::int16_t> samples = Speech();
    const ReferenceEncoding encoding = EncodeWithReference(samples);
    LpcParamWords previous = {121, 24693, 881, 23, 5, 3, 4, 92, 159};
    const Fault faults[] = {
        {"pulse gains one level up",
         [](LpcParamWords&, ExcitationIndices& slots) {
             for (int c = 0; c < kSubframes; ++c) {
                 slots[PulseGainSlot(c)] = std::min(slots[PulseGainSlot(c)] + 1, c == 0 ? 30 : 7);
             }
         }},
        {"pitch gains of the wrong sign",
         [](LpcParamWords&, ExcitationIndices& slots) {
             for (int c = 0; c < kSubframes; ++c) {
                 slots[PitchGainSlot(c)] = 63 - slots[PitchGainSlot(c)];
             }
         }},
        {"lag codes one off",
         [](LpcParamWords&, ExcitationIndices& slots) {
             for (int c = 0; c < kSubframes; ++c) {
                 slots[LagSlot(c)] = std::min(slots[LagSlot(c)] + 1, 240);
             }
         }},
        {"envelope one frame late",
         [&previous](LpcParamWords& words, ExcitationIndices&) { std::swap(words, previous); }},
    };
    for (const Fault& fault : faults) {
        const QualityReport report =
            CompareDecoding(Damaged(encoding.m_anBytes, fault.damage), encoding.m_adReference);
        ASSERT_TRUE(report.m_dSnrDb && report.m_segSnr.m_dDb) << fault.pszName;
        EXPECT_LT(*report.m_dSnrDb, 5.0) << fault.pszName;
        EXPECT_LT(*report.m_segSnr.m_dDb, 5.0) << fault.pszName;
    }
}

} // namespace
} // namespace veltrane::test
