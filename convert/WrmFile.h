// SPDX-License-Identifier: BSD-3-Clause
// What the size of a ".wrm" file tells: it holds 30-byte frames back to back and nothing else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace veltrane {

struct WrmFacts {
    std::uint64_t m_nBytes = 0;
    std::uint64_t m_nFrames = 0;    // whole frames
    std::uint64_t m_nTailBytes = 0; // bytes after the last whole frame (a copy cut short)
    double m_dSeconds = 0.0;        // of the audio the whole frames stand for
};

WrmFacts WrmFactsOf(std::uint64_t nBytes);

// Whether path ends in ".wrm", in any case.
bool IsWrmName(const std::filesystem::path& path);

// The warning for a file whose size is not a whole number of frames: its whole frames are
// decoded, the bytes after them are not. Empty when there are none; the path follows it.
std::string TornTailWarning(std::uint64_t nFileBytes);
// The same finding as the check of a file reports it: "The last N bytes are not a whole 30-byte
// frame; M frames are whole." Empty when there are none.
std::string TornTailFinding(std::uint64_t nFileBytes);

} // namespace veltrane
