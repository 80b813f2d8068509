// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/GoldenVectors.h"

#include "convert/ChunkEncoder.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace veltrane::test {

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

bool TagIs(const std::vector<std::uint8_t>& b, std::size_t at, const char* pszTag) {
    return at + 4 <= b.size() && std::memcmp(&b[at], pszTag, 4) == 0;
}

} // namespace

const std::vector<std::string>& GoldenVectorNames() {
    static const std::vector<std::string> names = {
        "chirp_3s",         "noise_2s",    "noise_junk_fmt18",    "silence_1s",
        "sine_440_2s",      "speech_en",   "square_fullscale_1s", "vowels_2s",
        "vowels_8bit_fact", "dc_neg_step", "speech_tremolo_40s"};
    return names;
}

std::string GoldenPath(const std::string& name, const char* pszExtension) {
    return std::string(VELTRANE_TEST_DATA) + "/golden/" + name + pszExtension;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> ReadWavSamples(const std::string& path) {
    const std::vector<std::uint8_t> b = ReadFileBytes(path);
    if (b.size() < 44 || !TagIs(b, 12, "fmt ")) {
        return {};
    }
    const int nBits = b[34] | (b[35] << 8);
    std::size_t at = 20 + Le32(b, 16);
    while (at + 8 <= b.size() && !TagIs(b, at, "data")) {
        const bool bFact = TagIs(b, at, "fact");
        at += 8 + Le32(b, at + 4);
        if (bFact) {
            at += 8; // the data chunk's header follows the fact chunk
            break;
        }
    }
    if (TagIs(b, at, "data")) {
        at += 8;
    }
    std::vector<std::int16_t> samples;
    for (std::size_t i = at; i + nBits / 8 <= b.size(); i += nBits / 8) {
        samples.push_back(nBits == 16 ? static_cast<std::int16_t>(b[i] | (b[i + 1] << 8))
                                      : static_cast<std::int16_t>((b[i] - 128) * 256));
    }
    return samples;
}

std::vector<std::uint8_t> EncodeAll(const std::vector<std::int16_t>& samples, CodecBuild build) {
    return EncodeAllFrames(samples, build);
}

std::vector<CodecBuild> RunnableCodecBuilds() {
    std::vector<CodecBuild> builds;
    for (CodecBuild build :
         {CodecBuild::kPortable, CodecBuild::kX86_64_v3, CodecBuild::kX86_64_v4}) {
        if (CodecBuildRuns(build)) {
            builds.push_back(build);
        }
    }
    return builds;
}

} // namespace veltrane::test
