// SPDX-License-Identifier: BSD-3-Clause
// The generated table of exponentials (codec/tables/make_lar_exp_table.py) holds what the
// log-area-ratio definitions and the C library's log and exp give, entry by entry.
#include "codec/tables/LarExpTable.h"
#include "codec/LpcQuantizer.h"
#include "codec/tables/RcTables.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace veltrane {
namespace {

TEST(LarExpTable, EveryEntryIsTheExponentialOfTheInterpolatedLogAreaRatios) {
    std::array<double, kRcScaleLevels> adLevelLar;
    for (int j = 0; j < kRcScaleLevels; ++j) {
        std::array<double, kLpcOrder> k{}, lar{};
        k.fill(static_cast<double>(kRcOutputs[j]));
        ReflectionToLar(k.data(), lar.data());
        adLevelLar[j] = lar[0];
    }
    EXPECT_EQ(adLevelLar[kRcZeroLevel], 0.0);

    int nDiffering = 0;
    for (int c = 0; c < kSubframes; ++c) {
        for (int a = 0; a < kRcScaleLevels; ++a) {
            for (int b = 0; b < kRcScaleLevels; ++b) {
                std::array<double, kLpcOrder> newer, older, lar;
                newer.fill(adLevelLar[a]);
                older.fill(adLevelLar[b]);
                InterpolateLar(c, newer.data(), older.data(), lar.data());
                const double dWant = std::exp(lar[0]);
                if (std::bit_cast<std::uint64_t>(dWant) !=
                    std::bit_cast<std::uint64_t>(kLarExp[c][a][b])) {
                    ADD_FAILURE() << "subframe " << c << " levels " << a << ", " << b << ": "
                                  << kLarExp[c][a][b] << " in the table, " << dWant << " computed";
                    ASSERT_LT(++nDiffering, 5);
                }
            }
        }
    }
}

// The table stands for the definitions in the predictor too: its reflection coefficients are
// LarToReflection of the interpolated log-area ratios.
TEST(LarExpTable, InterpolatedPredictorsFollowTheDefinitions) {
    std::int32_t anNewer[kLpcOrder], anOlder[kLpcOrder];
    for (int n = 0; n < kLpcOrder; ++n) {
        anNewer[n] = (7 * n + 3) % kRcLevels[n];
        anOlder[n] = (5 * n + 1) % kRcLevels[n];
    }
    SubframePredictors aadGot;
    InterpolatePredictors(anNewer, anOlder, aadGot);
    double adKNewer[kLpcOrder], adKOlder[kLpcOrder], adLNewer[kLpcOrder], adLOlder[kLpcOrder];
    for (int n = 0; n < kLpcOrder; ++n) {
        adKNewer[n] = ReflectionLevel(n, anNewer[n]);
        adKOlder[n] = ReflectionLevel(n, anOlder[n]);
    }
    ReflectionToLar(adKNewer, adLNewer);
    ReflectionToLar(adKOlder, adLOlder);
    for (int c = 0; c < kSubframes; ++c) {
        double adLar[kLpcOrder], adK[kLpcOrder], adRow[kLpcOrder];
        InterpolateLar(c, adLNewer, adLOlder, adLar);
        LarToReflection(adLar, adK);
        ReflectionToPredictor(adK, adRow);
        for (int n = 0; n < kLpcOrder; ++n) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(aadGot[c][n]),
                      std::bit_cast<std::uint64_t>(adRow[n]))
                << "subframe " << c << " coefficient " << n;
        }
    }
}

} // namespace
} // namespace veltrane
