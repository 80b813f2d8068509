// SPDX-License-Identifier: BSD-3-Clause
// Pitch and pulse searches and the gain quantizers, at their ties, thresholds and ends.
#include "codec/excitation/ExcitationFilters.h"
#include "codec/excitation/PitchSearch.h"
#include "codec/excitation/PulseSearch.h"
#include "codec/tables/GainTables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <random>

namespace veltrane {
namespace {

TEST(PitchGain, SignedLevelsAndTheirEnds) {
    const PitchGainCode negative = QuantizePitchGain(-0.1);
    EXPECT_EQ(negative.nGainIndex, 63);
    EXPECT_EQ(negative.dGain, -static_cast<double>(kPitchGainLevels[0]));

    const PitchGainCode huge = QuantizePitchGain(200.0);
    EXPECT_EQ(huge.nGainIndex, 31);
    EXPECT_FLOAT_EQ(static_cast<float>(huge.dGain), 173.543f);

    // On a threshold: the lower level; just above it: the next.
    EXPECT_EQ(QuantizePitchGain(kPitchGainThresholds[4]).nGainIndex, 4);
    EXPECT_EQ(QuantizePitchGain(std::nextafter(double(kPitchGainThresholds[4]), 9.0)).nGainIndex,
              5);
    EXPECT_EQ(QuantizePitchGain(-double(kPitchGainThresholds[4])).nGainIndex, 63 - 4);
    EXPECT_EQ(QuantizePitchGain(0.0).nGainIndex, 0);
}

TEST(PulseGain, AbsoluteInSubframeZeroAndARatioAfterIt) {
    std::int32_t nIndex = -1;
    EXPECT_EQ(QuantizePulseGain(0, 800.0, 0.0, &nIndex), 1026.0);
    EXPECT_EQ(nIndex, 30);
    EXPECT_EQ(QuantizePulseGain(0, -5.0, 0.0, &nIndex), 2.0);
    EXPECT_EQ(nIndex, 0);
    EXPECT_EQ(QuantizePulseGain(0, kPulseGainThresholds[0], 0.0, &nIndex), 2.0);
    EXPECT_EQ(nIndex, 0);

    const double dPrev = 40.0;
    EXPECT_EQ(QuantizePulseGain(2, 0.2 * dPrev, dPrev, &nIndex),
              static_cast<double>(kGainRatioLevels[0]) * dPrev);
    EXPECT_EQ(nIndex, 0);
    EXPECT_EQ(QuantizePulseGain(5, 4.3 * dPrev, dPrev, &nIndex),
              static_cast<double>(kGainRatioLevels[7]) * dPrev);
    EXPECT_EQ(nIndex, 7);
    EXPECT_EQ(QuantizePulseGain(1, 0.25 * dPrev, dPrev, &nIndex),
              static_cast<double>(kGainRatioLevels[0]) * dPrev);
}

TEST(EncodePulses, BaseThreeDigitsWithPulseZeroMostSignificant) {
    const std::int32_t anAmplitudes[5] = {1, -1, 0, 0, 1};
    EXPECT_EQ(EncodePulses(anAmplitudes, 5), 853);
    const std::int32_t anSilent[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(EncodePulses(anSilent, 0), 1936);
    const std::int32_t anHighest[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(EncodePulses(anHighest, 7), 1943);
}

TEST(PulseSearch, TiesChooseTheLowerPhaseAndTheLowerPulse) {
    std::array<double, 40> d{};
    d[3] = -2.0;
    d[6] = 2.0; // phases 3 and 6 tie
    EXPECT_EQ(SelectPhase(d.data()), 3);

    d = {};
    d[1 + 8] = -3.0;
    d[1 + 24] = 3.0;
    std::int32_t anSigns[5], anMarks[5];
    PulseSigns(d.data(), 1, anSigns);
    StrongestPulse(d.data(), 1, anMarks);
    EXPECT_EQ(
        (std::array<std::int32_t, 5>{0, -1, 0, 1, 0}),
        (std::array<std::int32_t, 5>{anSigns[0], anSigns[1], anSigns[2], anSigns[3], anSigns[4]}));
    EXPECT_EQ(anMarks[1], 1);
    EXPECT_EQ(anMarks[0] + anMarks[2] + anMarks[3] + anMarks[4], 0);
}

TEST(PulseSearch, EveryPatternKeepsTheMarkedPulseAndBitsSwitchOffTheOthers) {
    const std::int32_t anSigns[5] = {1, -1, 1, 1, -1};
    const std::int32_t anMarks[5] = {0, 0, 1, 0, 0};
    PulsePatterns patterns;
    BuildCandidates(2, anSigns, anMarks, patterns);
    const int anUnmarked[4] = {0, 1, 3, 4};
    for (int m = 0; m < kPatternCount; ++m) {
        EXPECT_EQ(patterns[m][2 + 16], 1) << m;
        for (int r = 0; r < 4; ++r) {
            const int nPulse = anUnmarked[r];
            const std::int32_t nExpected = (m >> r) & 1 ? 0 : anSigns[nPulse];
            EXPECT_EQ(patterns[m][2 + 8 * nPulse], nExpected) << m << " " << r;
        }
        int nNonZero = 0;
        for (int n = 0; n < 40; ++n) {
            nNonZero += patterns[m][n] != 0;
        }
        EXPECT_EQ(nNonZero, 5 - std::popcount(static_cast<unsigned>(m))) << m;
    }
}

TEST(PulseSearch, AZeroTargetGivesTheSilentPulseCode) {
    std::array<double, 40> d{}, h{}, x2{};
    h[0] = 1.0;
    const int nPhase = SelectPhase(d.data());
    std::int32_t anSigns[5], anMarks[5], anChosen[5];
    PulseSigns(d.data(), nPhase, anSigns);
    StrongestPulse(d.data(), nPhase, anMarks);
    PulsePatterns patterns;
    BuildCandidates(nPhase, anSigns, anMarks, patterns);
    PreselectCandidates(patterns, nPhase, d.data(), 0.0, anChosen);
    EXPECT_EQ((std::array<std::int32_t, 5>{0, 1, 2, 3, 4}),
              (std::array<std::int32_t, 5>{anChosen[0], anChosen[1], anChosen[2], anChosen[3],
                                           anChosen[4]}));
    const PulseChoice choice =
        SelectCandidate(patterns, nPhase, anChosen, h.data(), x2.data(), 0, 0.0);
    EXPECT_EQ(choice.dGain, 2.0);
    EXPECT_EQ(choice.nGainIndex, 0);
    EXPECT_EQ(EncodePulses(choice.anAmplitudes, nPhase), 1936);
}

// A signal history of Gaussian noise (standard deviation 100) from seed nSeed.
std::array<double, 295> NoiseHistory(unsigned nSeed) {
    std::mt19937 random(nSeed);
    std::normal_distribution<double> noise(0.0, 100.0);
    std::array<double, 295> history;
    for (double& value : history) {
        value = noise(random);
    }
    return history;
}

TEST(PreselectLags, TheCacheShiftsOneBlockAndSubframeThreeRedoesTheOldFrameBlocks) {
    std::array<double, 295> history = NoiseHistory(5);
    std::array<double, 40> d{};
    d[0] = 1.0;
    const double dBeta = 0.3;
    std::array<double, 84> marker, cache;
    for (int i = 0; i < 84; ++i) {
        marker[i] = 1000.0 + i;
    }
    std::int32_t anCandidates[15];
    const auto Fresh = [&](int b, int l) {
        return 1.0 / FastEnergy(&history[255 - 40 * b - 3 * l], dBeta);
    };

    for (int k : {0, 1, 2, 3, 4, 5}) {
        cache = marker;
        PreselectLags(history.data(), d.data(), dBeta, k, cache.data(), anCandidates);
        for (int b = 0; b < 6; ++b) {
            const bool bRecomputed = b == 0 || (k == 3 && b >= 4);
            for (int l = 0; l < 14; ++l) {
                EXPECT_EQ(cache[14 * b + l], bRecomputed ? Fresh(b, l) : marker[14 * (b - 1) + l])
                    << "subframe " << k << " block " << b << " entry " << l;
            }
        }
    }
}

// Run as the encoder runs it (subframes 0..3 of a frame with one tilt, the history moving on
// by a subframe each time), the cache at subframe 3 is every block recomputed with that tilt,
// whatever the previous frame left, and a tilt that changed at the frame boundary.
TEST(PreselectLags, AtSubframeThreeTheCacheEqualsAFullRecomputation) {
    std::array<double, 295> history = NoiseHistory(6);
    std::mt19937 random(7); // the subframes' targets and excitations
    std::normal_distribution<double> noise(0.0, 100.0);
    std::array<double, 84> cache;
    cache.fill(3.40282e38);
    std::array<double, 40> d{}, u{};
    std::int32_t anCandidates[15];
    for (int t = 0; t < 3; ++t) {
        const double dBeta = 0.7 - 0.5 * t;
        for (int k = 0; k < 6; ++k) {
            for (double& value : d) {
                value = noise(random);
            }
            PreselectLags(history.data(), d.data(), dBeta, k, cache.data(), anCandidates);
            if (k == 3) {
                for (int b = 0; b < 6; ++b) {
                    for (int l = 0; l < 14; ++l) {
                        const double dFresh =
                            1.0 / FastEnergy(&history[255 - 40 * b - 3 * l], dBeta);
                        EXPECT_TRUE(std::memcmp(&cache[14 * b + l], &dFresh, sizeof dFresh) == 0)
                            << "frame " << t << " block " << b << " entry " << l;
                    }
                }
            }
            for (double& value : u) {
                value = noise(random);
            }
            if (6 * t + k == 2 || 6 * t + k == 7) { // non-finite values pass through the history
                u[5] = t == 0 ? std::numeric_limits<double>::infinity()
                              : std::numeric_limits<double>::quiet_NaN();
            }
            ShiftHistory(u.data(), history.data());
        }
    }
}

TEST(PreselectLags, AZeroHistoryGivesTheFirstCodesInOrder) {
    std::array<double, 295> history{};
    std::array<double, 40> d{};
    d[5] = 1.0;
    std::array<double, 84> cache;
    cache.fill(3.40282e38);
    std::int32_t anCandidates[15];
    PreselectLags(history.data(), d.data(), 0.0, 0, cache.data(), anCandidates);
    const std::int32_t anExpected[15] = {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    EXPECT_TRUE(std::equal(anCandidates, anCandidates + 15, anExpected));
    std::array<double, 40> h{}, x{};
    h[0] = 1.0;
    const LagChoice lag = SearchLag(history.data(), anCandidates, h.data(), x.data());
    EXPECT_EQ(lag.nLagCode, 0);
    EXPECT_EQ(lag.nGainIndex, 0);
    EXPECT_FLOAT_EQ(static_cast<float>(lag.dGain), 0.0945019f);
}

TEST(FastEnergy, FlushesTinyValuesAndOtherwiseFiltersThroughTheTilt) {
    std::array<double, 40> segment{};
    segment[0] = 2.0;
    segment[1] = 1e-18; // 0.5 * 2 + 1e-18 is not tiny
    EXPECT_DOUBLE_EQ(FastEnergy(segment.data(), 0.0), kTinyEnergy + 4.0);
    const double dWithTilt = FastEnergy(segment.data(), 0.5);
    EXPECT_GT(dWithTilt, kTinyEnergy + 4.0 + 1.0);
    segment[0] = 1e-17; // at the flush level: no energy at all
    segment[1] = 0.0;
    EXPECT_EQ(FastEnergy(segment.data(), 0.9), kTinyEnergy);
}

TEST(ExcitationFilters, BackwardFilterIsTheCorrelationWithTheImpulseResponse) {
    std::array<double, 40> h{}, t{}, d;
    h[0] = 1.0;
    h[1] = 0.5;
    t[10] = 2.0;
    BackwardFilter(t.data(), h.data(), d.data());
    EXPECT_EQ(d[10], 2.0);
    EXPECT_EQ(d[9], 1.0);
    EXPECT_EQ(d[11], 0.0);
}

} // namespace
} // namespace veltrane
