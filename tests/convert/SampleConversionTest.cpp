// SPDX-License-Identifier: BSD-3-Clause
// Sample bytes to encoder samples, and the proposed output names.
#include "convert/SampleConversion.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltrane {
namespace {

std::vector<std::int16_t> Convert(const std::vector<std::uint8_t>& bytes, int nAlign) {
    std::vector<std::int16_t> samples(bytes.size(), 0x5555);
    samples.resize(ConvertSamples(bytes, nAlign, samples));
    return samples;
}

TEST(SampleConversion, EightBitIsCentredAndScaled) {
    EXPECT_EQ(Convert({0, 128, 255, 127, 129}, 1),
              (std::vector<std::int16_t>{-32768, 0, 32512, -256, 256}));
}

TEST(SampleConversion, SixteenBitIsLittleEndianSigned) {
    EXPECT_EQ(Convert({0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F}, 2),
              (std::vector<std::int16_t>{0x1234, -1, -32768, 32767}));
    // An odd trailing byte is not half a sample.
    EXPECT_EQ(Convert({0x01, 0x00, 0x02}, 2), (std::vector<std::int16_t>{1}));
}

} // namespace
} // namespace veltrane
