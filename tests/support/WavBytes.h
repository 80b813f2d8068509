// Builds the bytes of WAV files, field by field, for the tests.
#pragma once

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

    // A canonical 44-byte header of a 16-bit file followed by the given samples.
    static std::vector<std::uint8_t> Canonical16(const std::vector<std::int16_t>& samples) {
        CWavBytes wav;
        wav.RiffFmt(16).Tag("data").U32(static_cast<std::uint32_t>(samples.size() * 2));
        for (std::int16_t nSample : samples) {
            wav.U16(static_cast<std::uint16_t>(nSample));
        }
        return wav.m_bytes;
    }

    const std::vector<std::uint8_t>& Get() const { return m_bytes; }

  private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace veltrane::test
