// SPDX-License-Identifier: BSD-3-Clause
#include "convert/SampleConversion.h"

#include <cassert>

namespace veltrane {

std::size_t ConvertSamples(std::span<const std::uint8_t> bytes, int nBlockAlign,
                           std::span<std::int16_t> samples) {
    const std::size_t nCount = nBlockAlign == 1 ? bytes.size() : bytes.size() / 2;
    assert(samples.size() >= nCount);
    for (std::size_t k = 0; k < nCount; ++k) {
        const int nValue = nBlockAlign == 1
                               ? (bytes[k] - 128) * 256
                               : static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
        samples[k] = static_cast<std::int16_t>(nValue);
    }
    return nCount;
}

} // namespace veltrane
