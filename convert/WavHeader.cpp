// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavHeader.h"

#include "codec/CodecTypes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace veltrane {

CByteSource::~CByteSource() = default;

std::size_t CSpanByteSource::ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) {
    if (nOffset >= m_bytes.size() || nBytes == 0) {
        return 0; // nothing to copy, and pBuffer may be null then
    }
    const std::size_t nCount = std::min<std::uint64_t>(nBytes, m_bytes.size() - nOffset);
    std::memcpy(pBuffer, m_bytes.data() + nOffset, nCount);
    return nCount;
}

namespace {

constexpr std::uint64_t kFmtBodyOffset = 20;
constexpr std::size_t kFmtBodyBytes = 16;

// Reads fixed-size fields of the header; whatever lies past the end of the source is zero.
class CHeaderReader {
  public:
    explicit CHeaderReader(CByteSource& source) : m_source(source) {}

    template <std::size_t N> std::array<std::uint8_t, N> Bytes(std::uint64_t nOffset) {
        std::array<std::uint8_t, N> bytes{};
        std::size_t nDone = 0;
        while (nDone < N) {
            const std::size_t nRead =
                m_source.ReadAt(nOffset + nDone, bytes.data() + nDone, N - nDone);
            if (nRead == 0) {
                break;
            }
            nDone += nRead;
        }
        return bytes;
    }

    std::uint32_t U32(std::uint64_t nOffset) { return LittleEndian32(Bytes<4>(nOffset).data()); }

    // True when the four bytes at nOffset spell pszTag, letters in any case.
    bool TagIs(std::uint64_t nOffset, const char* pszTag) {
        const auto tag = Bytes<4>(nOffset);
        return std::equal(tag.begin(), tag.end(), pszTag, [](std::uint8_t nByte, char ch) {
            return AsciiUpper(nByte) == static_cast<std::uint8_t>(ch);
        });
    }

    static std::uint32_t LittleEndian32(const std::uint8_t* pBytes) {
        return pBytes[0] | (pBytes[1] << 8) | (pBytes[2] << 16) |
               (static_cast<std::uint32_t>(pBytes[3]) << 24);
    }
    static std::uint16_t LittleEndian16(const std::uint8_t* pBytes) {
        return static_cast<std::uint16_t>(pBytes[0] | (pBytes[1] << 8));
    }

  private:
    static std::uint8_t AsciiUpper(std::uint8_t nByte) {
        return (nByte >= 'a' && nByte <= 'z') ? static_cast<std::uint8_t>(nByte - 'a' + 'A')
                                              : nByte;
    }

    CByteSource& m_source;
};

WavCheckResult Reject(const char* pszMessage) {
    return WavCheckResult{pszMessage, {}};
}

WavCheckResult Accept(int nBlockAlign, std::uint64_t nDataOffset, std::uint64_t nDataBytes) {
    return WavCheckResult{nullptr, WavFormat{nBlockAlign, nDataOffset, nDataBytes}};
}

// The fields of the fmt body, read as 16 bytes whatever the chunk's size says.
struct FmtBody {
    std::uint16_t m_nFormatTag;
    std::uint16_t m_nChannels;
    std::uint32_t m_nSamplesPerSec;
    std::uint16_t m_nBlockAlign;
    std::uint16_t m_nBitsPerSample;
};

FmtBody ReadFmtBody(CHeaderReader& reader) {
    const auto body = reader.Bytes<kFmtBodyBytes>(kFmtBodyOffset);
    return FmtBody{CHeaderReader::LittleEndian16(&body[0]), CHeaderReader::LittleEndian16(&body[2]),
                   CHeaderReader::LittleEndian32(&body[4]),
                   CHeaderReader::LittleEndian16(&body[12]),
                   CHeaderReader::LittleEndian16(&body[14])};
}

// The fmt fields, checked in order; null when all pass.
const char* CheckFmtBody(const FmtBody& fmt) {
    if (fmt.m_nFormatTag != 1) {
        return kMsgUnsupported;
    }
    if (fmt.m_nChannels != 1) {
        return kMsgNotMono;
    }
    if (fmt.m_nSamplesPerSec != static_cast<std::uint32_t>(kSampleRate)) {
        return kMsgNot16kHz;
    }
    const bool b8Bit = fmt.m_nBitsPerSample == 8 && fmt.m_nBlockAlign == 1;
    const bool b16Bit = fmt.m_nBitsPerSample == 16 && fmt.m_nBlockAlign == 2;
    if (!b8Bit && !b16Bit) {
        return kMsgBadBits;
    }
    return nullptr;
}

// The chunk that follows fmt at offset nNext decides where the samples start and how many
// bytes they take. Offsets are 64-bit, so that no chunk size can wrap them.
WavCheckResult CheckChunkAfterFmt(CHeaderReader& reader, std::uint64_t nNext, int nBlockAlign) {
    if (reader.TagIs(nNext, "DATA")) {
        return Accept(nBlockAlign, nNext + 8, reader.U32(nNext + 4));
    }
    if (reader.TagIs(nNext, "FACT")) {
        // The data chunk is taken to follow the fact chunk directly; the sample count of the
        // fact chunk gives the size.
        const std::uint64_t nFactSize = reader.U32(nNext + 4);
        const std::uint64_t nSampleCount = reader.U32(nNext + 8);
        return Accept(nBlockAlign, nNext + 8 + nFactSize + 8, nSampleCount * nBlockAlign);
    }
    if (reader.TagIs(nNext, "JUNK")) {
        const std::uint64_t nDataChunk = nNext + 8 + reader.U32(nNext + 4);
        if (!reader.TagIs(nDataChunk, "DATA")) {
            return Reject(kMsgUnsupported);
        }
        return Accept(nBlockAlign, nDataChunk + 8, reader.U32(nDataChunk + 4));
    }
    return Reject(kMsgUnsupported);
}

} // namespace

WavCheckResult CheckWavHeader(CByteSource& source) {
    CHeaderReader reader(source);
    if (!reader.TagIs(0, "RIFF") || !reader.TagIs(8, "WAVE")) {
        return Reject(kMsgNotWav);
    }
    if (!reader.TagIs(12, "FMT ")) {
        return Reject(kMsgUnsupported);
    }
    const std::uint32_t nFmtSize = reader.U32(16);
    const FmtBody fmt = ReadFmtBody(reader);
    if (const char* pszMessage = CheckFmtBody(fmt)) {
        return Reject(pszMessage);
    }
    if (nFmtSize < kFmtBodyBytes) {
        return Reject(kMsgBadFmtSize);
    }
    return CheckChunkAfterFmt(reader, kFmtBodyOffset + nFmtSize, fmt.m_nBlockAlign);
}

std::uint64_t AvailableDataBytes(const WavFormat& format, std::uint64_t nFileSize) {
    const std::uint64_t nHeld =
        nFileSize > format.m_nDataOffset ? nFileSize - format.m_nDataOffset : 0;
    return std::min(format.m_nDataBytes, nHeld);
}

std::uint64_t WholeFrames(std::uint64_t nDataBytes, int nBlockAlign) {
    if (nBlockAlign <= 0) {
        return 0;
    }
    return nDataBytes / static_cast<std::uint64_t>(nBlockAlign) / kFrameSamples;
}

bool IsRiffWave(CByteSource& source) {
    char achHead[12] = {};
    return source.ReadAt(0, achHead, sizeof achHead) == sizeof achHead &&
           std::memcmp(achHead, "RIFF", 4) == 0 && std::memcmp(achHead + 8, "WAVE", 4) == 0;
}

} // namespace veltrane
