// The header check on arbitrary bytes: it must give either one of its messages or a format
// that can be read, and bytes past the end of the buffer must count as zeros.
#include "FuzzCheck.h"
#include "convert/WavHeader.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

using namespace veltrane;
using veltrane::fuzz::Require;

namespace {

constexpr std::uint64_t kSmallestDataOffset = 44; // RIFF, WAVE, a 16-byte fmt chunk, data
constexpr std::size_t kZeroPadding = 64;

bool IsCheckMessage(const char* pszMessage) {
    for (const char* pszKnown :
         {kMsgNotWav, kMsgUnsupported, kMsgNotMono, kMsgNot16kHz, kMsgBadBits, kMsgBadFmtSize}) {
        if (std::strcmp(pszMessage, pszKnown) == 0) {
            return true;
        }
    }
    return false;
}

WavCheckResult Check(std::span<const std::uint8_t> bytes) {
    CSpanByteSource source(bytes);
    return CheckWavHeader(source);
}

void CheckAcceptedFormat(const WavFormat& format, std::uint64_t nFileSize) {
    Require(format.m_nBlockAlign == 1 || format.m_nBlockAlign == 2, "block align is 1 or 2");
    Require(format.m_nDataOffset >= kSmallestDataOffset, "samples start after a whole header");
    const std::uint64_t nAvailable = AvailableDataBytes(format, nFileSize);
    Require(nAvailable <= format.m_nDataBytes, "available bytes never exceed the header's count");
    Require(nAvailable == 0 || format.m_nDataOffset + nAvailable <= nFileSize,
            "available bytes lie inside the file");
    const std::uint64_t nFrames = WholeFrames(nAvailable, format.m_nBlockAlign);
    Require(nFrames * 240 * static_cast<std::uint64_t>(format.m_nBlockAlign) <= nAvailable,
            "whole frames fit in the available bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::span<const std::uint8_t> bytes(pData, nSize);
    const WavCheckResult result = Check(bytes);
    if (result.Accepted()) {
        CheckAcceptedFormat(result.m_format, nSize);
    } else {
        Require(IsCheckMessage(result.m_pszMessage), "a rejection carries one of the messages");
    }

    // Missing bytes read as zeros, so zeros appended to the buffer change nothing.
    std::vector<std::uint8_t> padded(bytes.begin(), bytes.end());
    padded.resize(nSize + kZeroPadding, 0);
    const WavCheckResult paddedResult = Check(padded);
    Require(paddedResult.Accepted() == result.Accepted() &&
                (result.Accepted() ||
                 std::strcmp(paddedResult.m_pszMessage, result.m_pszMessage) == 0),
            "zero padding keeps the verdict");
    const WavFormat& a = paddedResult.m_format;
    const WavFormat& b = result.m_format;
    Require(a.m_nBlockAlign == b.m_nBlockAlign && a.m_nDataOffset == b.m_nDataOffset &&
                a.m_nDataBytes == b.m_nDataBytes,
            "zero padding keeps the format");
    return 0;
}
