// SPDX-License-Identifier: BSD-3-Clause
#include "bench/BenchSamples.h"

#include "codec/CodecTypes.h"
#include "convert/WavFile.h"

#include <cstdlib>

namespace veltrane::bench {

std::string SamplePath() {
    const char* pszPath = std::getenv("VELTRANE_BENCH_SAMPLE");
    return pszPath != nullptr && *pszPath != '\0' ? pszPath : VELTRANE_SAMPLE;
}

std::vector<std::int16_t> LoadSamples() {
    WavSamples wav = ReadWavSamples(SamplePath());
    if (!wav.m_check.Accepted()) {
        return {};
    }
    wav.m_anSamples.resize(wav.m_anSamples.size() / kFrameSamples * kFrameSamples);
    return wav.m_anSamples;
}

} // namespace veltrane::bench
