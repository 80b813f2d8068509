// SPDX-License-Identifier: BSD-3-Clause
// The one place where a file's samples meet the encoder: chunks of sample bytes as a WAV file
// holds them go in, 30-byte frames come out, with one encoder for the whole file.
#pragma once

#include "codec/FrameEncoder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace veltrane {

class CChunkEncoder {
  public:
    // nBlockAlign: bytes per sample of the input (1 or 2); nMaxFrames: the largest chunk;
    // build: the codec build that encodes (any gives the same bytes).
    CChunkEncoder(int nBlockAlign, std::size_t nMaxFrames, CodecBuild build = ChosenCodecBuild());
    // The same with the given encoder, new for this file (a lane of a shared batch, say).
    CChunkEncoder(int nBlockAlign, std::size_t nMaxFrames, std::unique_ptr<IFrameEncoder> pEncoder);

    // Room for the sample bytes of nFrames frames (at most nMaxFrames), to read a chunk into.
    std::span<std::uint8_t> SampleBytes(std::size_t nFrames);
    // Encodes the whole frames of sampleBytes, in order, after the frames of earlier calls.
    // The frames stay valid until the next call.
    std::span<const std::uint8_t> EncodeBytes(std::span<const std::uint8_t> sampleBytes);
    // The same for samples already in the encoder's 16-bit form.
    std::span<const std::uint8_t> EncodeSamples(std::span<const std::int16_t> samples);

    // The encoder's pre-filtered speech history after the last frame.
    const double* Signal() const { return m_pEncoder->Signal(); }

  private:
    int m_nBlockAlign;
    std::size_t m_nMaxFrames;
    std::vector<std::uint8_t> m_anSampleBytes;
    std::vector<std::int16_t> m_anSamples;
    std::vector<EncodedFrame> m_frames;
    std::unique_ptr<IFrameEncoder> m_pEncoder;
};

// Makes the encoder of each new file; empty: MakeFrameEncoder().
using FrameEncoderMaker = std::function<std::unique_ptr<IFrameEncoder>()>;

// Every whole frame of samples, encoded with one new encoder, back to back.
std::vector<std::uint8_t> EncodeAllFrames(std::span<const std::int16_t> samples,
                                          CodecBuild build = ChosenCodecBuild());

} // namespace veltrane
