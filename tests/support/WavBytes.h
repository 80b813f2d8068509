// SPDX-License-Identifier: BSD-3-Clause
// WAV files made byte by byte for the tests: a builder of fields (CWavBytes) and whole files of
// chunks, and the encoder's own output to compare with.
#pragma once

#include "codec/SpeechEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::test {

class CWavBytes {
  public:
    CWavBytes& Tag(const std::string& strTag) {
        m_bytes.insert(m_bytes.end(), strTag.begin(), strTag.end());
        return *this;
    }
    CWavBytes& U16(std::uint16_t nValue) {
        m_bytes.push_back(static_cast<std::uint8_t>(nValue));
        m_bytes.push_back(static_cast<std::uint8_t>(nValue >> 8));
        return *this;
    }
    CWavBytes& U32(std::uint32_t nValue) {
        return U16(static_cast<std::uint16_t>(nValue))
            .U16(static_cast<std::uint16_t>(nValue >> 16));
    }
    CWavBytes& Zeros(std::size_t nCount) {
        m_bytes.insert(m_bytes.end(), nCount, 0);
        return *this;
    }
    CWavBytes& Bytes(const std::vector<std::uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // "RIFF", size, "WAVE", the fmt tag and size F, and a 16-byte fmt body.
    CWavBytes& RiffFmt(std::uint32_t nFmtSize, std::uint16_t nChannels = 1,
                       std::uint32_t nRate = 16000, std::uint16_t nAlign = 2,
                       std::uint16_t nBits = 16, std::uint16_t nFormatTag = 1,
                       const std::string& strFmtTag = "fmt ") {
        Tag("RIFF").U32(0).Tag("WAVE").Tag(strFmtTag).U32(nFmtSize);
        return U16(nFormatTag).U16(nChannels).U32(nRate).U32(nRate * nAlign).U16(nAlign).U16(nBits);
    }

    const std::vector<std::uint8_t>& Get() const { return m_bytes; }

  private:
    std::vector<std::uint8_t> m_bytes;
};

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& bytes, std::uint16_t nValue) {
    bytes.push_back(static_cast<std::uint8_t>(nValue));
    bytes.push_back(static_cast<std::uint8_t>(nValue >> 8));
}

inline void Put32(Bytes& bytes, std::uint32_t nValue) {
    Put16(bytes, static_cast<std::uint16_t>(nValue));
    Put16(bytes, static_cast<std::uint16_t>(nValue >> 16));
}

inline void PutTag(Bytes& bytes, const std::string& sTag) {
    bytes.insert(bytes.end(), sTag.begin(), sTag.end());
}

struct FmtFields {
    std::uint16_t m_nFormatTag = 1;
    std::uint16_t m_nChannels = 1;
    std::uint32_t m_nRate = 16000;
    std::uint16_t m_nBlockAlign = 2;
    std::uint16_t m_nBits = 16;
};

inline FmtFields Fmt8() {
    return FmtFields{1, 1, 16000, 1, 8};
}

// A chunk: tag, size field, payload (the size field need not match the payload).
inline Bytes Chunk(const std::string& sTag, std::uint32_t nSize, const Bytes& payload = {}) {
    Bytes bytes;
    PutTag(bytes, sTag);
    Put32(bytes, nSize);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

// The fmt chunk with size field nSize; its 16-byte body always follows, then nSize - 16 more
// bytes when nSize is larger.
inline Bytes FmtChunk(const FmtFields& fmt = {}, std::uint32_t nSize = 16,
                      const std::string& sTag = "fmt ") {
    Bytes body;
    Put16(body, fmt.m_nFormatTag);
    Put16(body, fmt.m_nChannels);
    Put32(body, fmt.m_nRate);
    Put32(body, fmt.m_nRate * fmt.m_nBlockAlign);
    Put16(body, fmt.m_nBlockAlign);
    Put16(body, fmt.m_nBits);
    body.resize(std::max<std::size_t>(16, nSize), 0);
    return Chunk(sTag, nSize, body);
}

inline Bytes Riff(const std::vector<Bytes>& chunks, const std::string& sRiff = "RIFF",
                  const std::string& sWave = "WAVE") {
    Bytes bytes;
    PutTag(bytes, sRiff);
    Put32(bytes, 0);
    PutTag(bytes, sWave);
    for (const Bytes& chunk : chunks) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    }
    return bytes;
}

inline Bytes Pcm16(const std::vector<std::int16_t>& samples) {
    Bytes bytes;
    for (std::int16_t nSample : samples) {
        Put16(bytes, static_cast<std::uint16_t>(nSample));
    }
    return bytes;
}

inline Bytes Wav16(const std::vector<std::int16_t>& samples) {
    const Bytes pcm = Pcm16(samples);
    return Riff({FmtChunk(), Chunk("data", static_cast<std::uint32_t>(pcm.size()), pcm)});
}

// A signal that keeps the encoder busy: two tones and a little noise, never silent.
inline std::vector<std::int16_t> Voice(std::size_t nSamples, unsigned nSeed = 1) {
    std::vector<std::int16_t> samples(nSamples);
    unsigned nState = nSeed;
    for (std::size_t n = 0; n < nSamples; ++n) {
        nState = nState * 1103515245u + 12345u;
        const double dNoise = static_cast<double>((nState >> 16) & 0x3FF) - 512.0;
        const auto dN = static_cast<double>(n);
        const double dTone = 6000.0 * std::sin(0.071 * dN + nSeed) + 2500.0 * std::sin(0.43 * dN);
        samples[n] = static_cast<std::int16_t>(dTone + dNoise);
    }
    return samples;
}

// What the encoder gives for the whole frames of samples, fed directly.
inline Bytes EncodeDirect(const std::vector<std::int16_t>& samples) {
    CSpeechEncoder encoder;
    Bytes bytes;
    EncodedFrame frame;
    for (std::size_t n = 0; n + kFrameSamples <= samples.size(); n += kFrameSamples) {
        encoder.EncodeFrame(&samples[n], &frame);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

} // namespace veltrane::test
