// SPDX-License-Identifier: BSD-3-Clause
#include "ReferenceEncoding.h"

#include "convert/EncodeLoop.h"
#include "convert/WavSampleSource.h"

namespace veltrane {

WavCheckResult EncodeWavBytes(std::span<const std::uint8_t> fileBytes,
                              std::vector<std::uint8_t>& frames) {
    CSpanByteSource source(fileBytes);
    const WavCheckResult result = CheckWavHeader(source);
    if (!result.Accepted()) {
        return result;
    }
    CWavSampleSource samples(source, result.m_format,
                             AvailableDataBytes(result.m_format, fileBytes.size()));
    EncodeHooks hooks;
    hooks.m_write = [&frames](std::span<const std::uint8_t> chunk) {
        frames.insert(frames.end(), chunk.begin(), chunk.end());
        return true;
    };
    EncodeChunks(samples, StreamChunks(), hooks);
    return result;
}

} // namespace veltrane
