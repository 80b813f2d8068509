// SPDX-License-Identifier: BSD-3-Clause
// The decoder's WAV output: the one format the encoder takes back, 16 kHz mono 16-bit PCM.
#include "convert/WavWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veltrane {
namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int nBytes) {
    std::uint32_t nValue = 0;
    for (int i = nBytes - 1; i >= 0; --i) {
        nValue = nValue << 8 | b[at + i];
    }
    return nValue;
}

bool TagAt(const std::vector<std::uint8_t>& b, std::size_t at, const char* pszTag) {
    return std::memcmp(&b[at], pszTag, 4) == 0;
}

TEST(WriteWav16, CanonicalHeaderThenLittleEndianSamples) {
    const std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768};
    const std::vector<std::uint8_t> b = WriteWav16(samples);
    ASSERT_EQ(b.size(), 44u + 10u);
    EXPECT_TRUE(TagAt(b, 0, "RIFF"));
    EXPECT_EQ(Le(b, 4, 4), 36u + 10u);
    EXPECT_TRUE(TagAt(b, 8, "WAVE"));
    EXPECT_TRUE(TagAt(b, 12, "fmt "));
    EXPECT_EQ(Le(b, 16, 4), 16u);    // fmt size
    EXPECT_EQ(Le(b, 20, 2), 1u);     // PCM
    EXPECT_EQ(Le(b, 22, 2), 1u);     // mono
    EXPECT_EQ(Le(b, 24, 4), 16000u); // samples per second
    EXPECT_EQ(Le(b, 28, 4), 32000u); // bytes per second
    EXPECT_EQ(Le(b, 32, 2), 2u);     // block align
    EXPECT_EQ(Le(b, 34, 2), 16u);    // bits per sample
    EXPECT_TRUE(TagAt(b, 36, "data"));
    EXPECT_EQ(Le(b, 40, 4), 10u);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(static_cast<std::int16_t>(Le(b, 44 + 2 * i, 2)), samples[i]) << i;
    }
}

} // namespace
} // namespace veltrane
