// SPDX-License-Identifier: BSD-3-Clause
// The header check on arbitrary bytes: it must give either one of its messages or a format
// that can be read, and bytes past the end of the buffer must count as zeros.
#include "FuzzCheck.h"
#include "codec/CodecTypes.h"
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

bool SameResult(const WavCheckResult& a, const WavCheckResult& b) {
    if (!a.Accepted() || !b.Accepted()) {
        return !a.Accepted() && !b.Accepted() && std::strcmp(a.m_pszMessage, b.m_pszMessage) == 0;
    }
    return a.m_format.m_nBlockAlign == b.m_format.m_nBlockAlign &&
           a.m_format.m_nDataOffset == b.m_format.m_nDataOffset &&
           a.m_format.m_nDataBytes == b.m_format.m_nDataBytes;
}

void CheckAcceptedFormat(const WavFormat& format, std::uint64_t nFileSize) {
    Require(format.m_nBlockAlign == 1 || format.m_nBlockAlign == 2, "block align is 1 or 2");
    Require(format.m_nDataOffset >= kSmallestDataOffset, "samples start after a whole header");
    const std::uint64_t nAvailable = AvailableDataBytes(format, nFileSize);
    Require(nAvailable <= format.m_nDataBytes, "available bytes never exceed the header's count");
    Require(nAvailable == 0 || format.m_nDataOffset + nAvailable <= nFileSize,
            "available bytes lie inside the file");
    const std::uint64_t nFrames = WholeFrames(nAvailable, format.m_nBlockAlign);
    Require(nFrames * kFrameSamples * static_cast<std::uint64_t>(format.m_nBlockAlign) <=
                nAvailable,
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
    Require(SameResult(Check(padded), result), "zero padding changes nothing");
    return 0;
}
