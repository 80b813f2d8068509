// SPDX-License-Identifier: BSD-3-Clause
// Linear-prediction analysis and the reflection-coefficient quantizer, at the places where a
// slip would change bytes only for rare signals.
#include "codec/LpcAnalysis.h"
#include "codec/LpcQuantizer.h"
#include "codec/tables/RcTables.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace veltrane {
namespace {

TEST(Levinson, StopsAtTheFirstUnstableOrderKeepingTheLastStableOne) {
    // k0 = 0.5; then k1 = (r2 - 0.5 * r1) / 0.75 = 1 exactly: order 2 is unstable.
    std::array<double, 21> r{};
    r[0] = 1.0;
    r[1] = 0.5;
    r[2] = 1.0;
    r[3] = 0.7; // must not be looked at
    std::array<double, 20> a, k;
    a.fill(9.0);
    k.fill(9.0);
    EXPECT_EQ(Levinson(r.data(), a.data(), k.data()), kLevinsonUnstable);
    EXPECT_EQ(a[0], 0.5);
    EXPECT_EQ(k[0], 0.5);
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(a[i], 0.0) << i;
        EXPECT_EQ(k[i], 0.0) << i;
    }
}

TEST(Levinson, NoEnergyGivesZerosAndAStableSignalAllOrders) {
    std::array<double, 21> r{};
    std::array<double, 20> a, k;
    a.fill(1.0);
    EXPECT_EQ(Levinson(r.data(), a.data(), k.data()), kLevinsonNoEnergy);
    EXPECT_EQ(a, (std::array<double, 20>{}));

    // An autocorrelation of an AR(1) process, rho^m: k0 = rho, every later order 0.
    for (int m = 0; m <= 20; ++m) {
        r[m] = std::pow(0.6, m);
    }
    EXPECT_EQ(Levinson(r.data(), a.data(), k.data()), kLevinsonComplete);
    EXPECT_DOUBLE_EQ(k[0], 0.6);
    EXPECT_NEAR(a[0], 0.6, 1e-12);
    for (int i = 1; i < 20; ++i) {
        EXPECT_NEAR(a[i], 0.0, 1e-12) << i;
    }
}

TEST(PredictorToReflection, InvertsTheStepUp) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coefficient(-0.9, 0.9);
    std::array<double, 20> k, a, back;
    for (double& value : k) {
        value = coefficient(random);
    }
    ReflectionToPredictor(k.data(), a.data());
    PredictorToReflection(a.data(), back.data());
    for (int i = 0; i < 20; ++i) {
        EXPECT_NEAR(back[i], k[i], 1e-9) << i;
    }
}

TEST(PredictorToReflection, AnOrderAtOrAboveOneGetsPositive098AndIsNotReduced) {
    std::array<double, 20> a{}, k;
    a[19] = -1.0; // exactly 1 in magnitude, negative sign
    a[18] = 0.3;
    a[0] = 0.2;
    PredictorToReflection(a.data(), k.data());
    EXPECT_EQ(k[19], 0.98);
    // Order 19 read the same B, so its reflection coefficient is a[18] untouched.
    EXPECT_EQ(k[18], 0.3);

    a[19] = 1.5;
    PredictorToReflection(a.data(), k.data());
    EXPECT_EQ(k[19], 0.98);
}

TEST(QuantizeReflection, AValueOnAThresholdTakesTheLowerLevel) {
    for (int n = 0; n < 20; ++n) {
        for (int i = 0; i + 1 < kRcLevels[n]; ++i) {
            const double dThreshold = kRcThresholds[kRcBase[n] + i];
            EXPECT_EQ(QuantizeReflection(n, dThreshold), i) << n;
            EXPECT_EQ(QuantizeReflection(n, std::nextafter(dThreshold, 1.0)), i + 1) << n;
        }
    }
}

TEST(QuantizeReflection, ValuesBeyondARangeFallIntoItsEndLevels) {
    EXPECT_EQ(QuantizeReflection(0, -1.0), 0);
    EXPECT_FLOAT_EQ(static_cast<float>(ReflectionLevel(0, 0)), -0.761597f);
    EXPECT_EQ(QuantizeReflection(1, 0.99), 27);
    EXPECT_FLOAT_EQ(static_cast<float>(ReflectionLevel(1, 27)), 0.635071f);
    for (int n = 0; n < 20; ++n) {
        EXPECT_EQ(ReflectionLevel(n, QuantizeReflection(n, 0.0)), 0.0) << n;
    }
}

TEST(ParamWords, ZeroReflectionCoefficientsGiveTheSilenceWords) {
    std::int32_t anIndex[20];
    for (int n = 0; n < 20; ++n) {
        anIndex[n] = QuantizeReflection(n, 0.0);
    }
    const std::int32_t anExpected[20] = {8, 21, 5, 9, 5, 8, 5, 7, 3, 5,
                                         3, 4,  2, 4, 2, 3, 2, 4, 2, 3};
    EXPECT_TRUE(std::equal(anIndex, anIndex + 20, anExpected));
    EXPECT_EQ(CombineParamWords(anIndex), (LpcParamWords{121, 24693, 881, 23, 5, 3, 4, 92, 159}));
}

TEST(ParamWords, SplitInvertsTheCombinationOverEveryRange) {
    std::int32_t anHighest[20];
    for (int n = 0; n < 20; ++n) {
        anHighest[n] = kRcLevels[n] - 1;
    }
    const LpcParamWords highest = CombineParamWords(anHighest);
    EXPECT_EQ(highest, (LpcParamWords{503, 32339, 2027, 62, 7, 7, 7, 251, 251}));

    std::int32_t anBack[20];
    SplitParamWords(LpcParamWords{503, 32339, 2027, 62, 7, 7, 7, 251, 251}, anBack);
    EXPECT_EQ(anBack[1], 27);
    EXPECT_EQ(anBack[2], 14);
    EXPECT_EQ(anBack[7], 10);
    EXPECT_EQ(anBack[11], 6);

    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        std::int32_t anIndex[20];
        for (int n = 0; n < 20; ++n) {
            anIndex[n] = std::uniform_int_distribution<int>(0, kRcLevels[n] - 1)(random);
        }
        SplitParamWords(CombineParamWords(anIndex), anBack);
        ASSERT_TRUE(std::equal(anIndex, anIndex + 20, anBack)) << "trial " << trial;
    }
}

TEST(InterpolateLar, SubframeFiveTakesTheNewerSetAloneAndSubframeZeroASixth) {
    std::array<double, 20> newer, older, lar;
    newer.fill(0.6);
    older.fill(-1.2);
    InterpolateLar(5, newer.data(), older.data(), lar.data());
    EXPECT_DOUBLE_EQ(lar[0], 0.6);
    InterpolateLar(0, newer.data(), older.data(), lar.data());
    EXPECT_DOUBLE_EQ(lar[7], 0.6 / 6 - 1.2 * 5 / 6);
}

TEST(ReflectionToLar, ZeroMapsToZeroAndTheRoundTripHolds) {
    std::array<double, 20> k{}, lar, back;
    k[3] = 0.5;
    k[4] = -0.98;
    ReflectionToLar(k.data(), lar.data());
    EXPECT_EQ(lar[0], 0.0);
    EXPECT_DOUBLE_EQ(lar[3], std::log(1.0 / 3.0));
    LarToReflection(lar.data(), back.data());
    for (int n = 0; n < 20; ++n) {
        EXPECT_NEAR(back[n], k[n], 1e-12) << n;
    }
}

} // namespace
} // namespace veltrane
