// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WrmFile.h"

#include "codec/CodecTypes.h"

#include <algorithm>
#include <cctype>

namespace veltrane {

WrmFacts WrmFactsOf(std::uint64_t nBytes) {
    WrmFacts facts;
    facts.m_nBytes = nBytes;
    facts.m_nFrames = nBytes / kFrameBytes;
    facts.m_nTailBytes = nBytes % kFrameBytes;
    facts.m_dSeconds = static_cast<double>(facts.m_nFrames * kFrameSamples) / kSampleRate;
    return facts;
}

bool IsWrmName(const std::filesystem::path& path) {
    std::string strExtension = path.extension().string();
    std::transform(strExtension.begin(), strExtension.end(), strExtension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strExtension == ".wrm";
}

std::string TornTailWarning(std::uint64_t nFileBytes) {
    const WrmFacts facts = WrmFactsOf(nFileBytes);
    if (facts.m_nTailBytes == 0) {
        return {};
    }
    return "Warning: the last " + std::to_string(facts.m_nTailBytes) +
           " bytes are not a whole 30-byte frame and were not decoded; " +
           std::to_string(facts.m_nFrames) + " frames were.\n";
}

} // namespace veltrane

namespace veltrane {

std::string TornTailFinding(std::uint64_t nFileBytes) {
    const WrmFacts facts = WrmFactsOf(nFileBytes);
    if (facts.m_nTailBytes == 0) {
        return {};
    }
    return "The last " + std::to_string(facts.m_nTailBytes) +
           " bytes are not a whole 30-byte frame; " + std::to_string(facts.m_nFrames) +
           " frames are whole.\n";
}

} // namespace veltrane
