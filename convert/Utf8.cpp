// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Utf8.h"

namespace veltrane {

namespace {

bool IsContinuationByte(char ch) {
    return (static_cast<unsigned char>(ch) & 0xC0) == 0x80;
}

} // namespace

std::optional<std::size_t> Utf8TailStart(std::string_view s, std::size_t nChars) {
    std::size_t nStart = s.size();
    for (std::size_t nCount = 0; nCount < nChars; ++nCount) {
        if (nStart == 0) {
            return std::nullopt;
        }
        do {
            --nStart;
        } while (nStart > 0 && IsContinuationByte(s[nStart]));
    }
    return nStart;
}

} // namespace veltrane
