// SPDX-License-Identifier: BSD-3-Clause
// Cutting names and paths by characters rather than bytes, so that a UTF-8 sequence is never
// split.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace veltrane {

// The byte index at which the last nChars characters (UTF-8 code points) of s begin; none when
// s holds fewer than nChars characters.
std::optional<std::size_t> Utf8TailStart(std::string_view s, std::size_t nChars);

} // namespace veltrane
