// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavWriter.h"

#include "codec/CodecTypes.h"

#include <limits>

namespace veltrane {

namespace {

constexpr std::uint32_t kBytesPerSample = 2;

void PutTag(std::vector<std::uint8_t>& bytes, const char* pszTag) {
    bytes.insert(bytes.end(), pszTag, pszTag + 4);
}

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t nValue, int nBytes) {
    for (int b = 0; b < nBytes; ++b) {
        bytes.push_back(static_cast<std::uint8_t>(nValue >> (8 * b)));
    }
}

} // namespace

std::vector<std::uint8_t> WriteWav16(std::span<const std::int16_t> samples) {
    constexpr std::uint64_t nLargest = std::numeric_limits<std::uint32_t>::max() - kWavHeaderBytes;
    if (samples.size() * kBytesPerSample > nLargest) {
        return {};
    }
    const auto nDataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kWavHeaderBytes + nDataBytes);
    PutTag(bytes, "RIFF");
    PutLe(bytes, kWavHeaderBytes - 8 + nDataBytes, 4);
    PutTag(bytes, "WAVE");
    PutTag(bytes, "fmt ");
    PutLe(bytes, 16, 4);                            // fmt chunk size
    PutLe(bytes, 1, 2);                             // PCM
    PutLe(bytes, 1, 2);                             // mono
    PutLe(bytes, kSampleRate, 4);                   // samples per second
    PutLe(bytes, kSampleRate * kBytesPerSample, 4); // bytes per second
    PutLe(bytes, kBytesPerSample, 2);               // block align
    PutLe(bytes, 8 * kBytesPerSample, 2);           // bits per sample
    PutTag(bytes, "data");
    PutLe(bytes, nDataBytes, 4);
    for (const std::int16_t nSample : samples) {
        PutLe(bytes, static_cast<std::uint16_t>(nSample), 2);
    }
    return bytes;
}

} // namespace veltrane
