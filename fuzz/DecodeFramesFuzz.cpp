// SPDX-License-Identifier: BSD-3-Clause
// The in-memory decoder on arbitrary bytes: any 30 bytes are a frame it must decode, the count
// of samples follows from the count of frames, and decoding is a function of the bytes alone.
#include "FuzzCheck.h"
#include "codec/SpeechDecoder.h"

#include <cstdint>
#include <span>

using namespace veltrane;
using veltrane::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::span<const std::uint8_t> bytes(pData, nSize);
    const DecodedFrames decoded = DecodeFrames(bytes);

    const std::size_t nFrames = nSize / kFrameBytes;
    Require(decoded.m_nFrames == nFrames, "every whole frame is decoded");
    Require(decoded.m_nTrailingBytes == nSize % kFrameBytes, "a torn frame is left over");
    const std::size_t nExpected =
        nFrames > kDecoderDelayFrames ? (nFrames - kDecoderDelayFrames) * kFrameSamples : 0;
    Require(decoded.m_anSamples.size() == nExpected, "N frames give 240 * (N - 2) samples");

    // A second decoder over the same bytes gives the same samples: no state leaks between
    // decoders and nothing reads memory it did not set.
    Require(DecodeFrames(bytes).m_anSamples == decoded.m_anSamples, "decoding is repeatable");
    return 0;
}
