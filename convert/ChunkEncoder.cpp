// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ChunkEncoder.h"

#include "convert/SampleConversion.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace veltrane {

CChunkEncoder::CChunkEncoder(int nBlockAlign, std::size_t nMaxFrames, CodecBuild build)
    : CChunkEncoder(nBlockAlign, nMaxFrames, MakeFrameEncoder(build)) {}

CChunkEncoder::CChunkEncoder(int nBlockAlign, std::size_t nMaxFrames,
                             std::unique_ptr<IFrameEncoder> pEncoder)
    : m_nBlockAlign(nBlockAlign), m_nMaxFrames(nMaxFrames),
      m_anSampleBytes(nMaxFrames * kFrameSamples * static_cast<std::size_t>(nBlockAlign)),
      m_anSamples(nMaxFrames * kFrameSamples), m_frames(nMaxFrames),
      m_pEncoder(std::move(pEncoder)) {}

std::span<std::uint8_t> CChunkEncoder::SampleBytes(std::size_t nFrames) {
    assert(nFrames <= m_nMaxFrames);
    return std::span(m_anSampleBytes)
        .first(nFrames * kFrameSamples * static_cast<std::size_t>(m_nBlockAlign));
}

std::span<const std::uint8_t>
CChunkEncoder::EncodeBytes(std::span<const std::uint8_t> sampleBytes) {
    const std::size_t nSamples = ConvertSamples(sampleBytes, m_nBlockAlign, m_anSamples);
    return EncodeSamples(std::span(m_anSamples).first(nSamples));
}

std::span<const std::uint8_t> CChunkEncoder::EncodeSamples(std::span<const std::int16_t> samples) {
    const std::size_t nFrames = samples.size() / kFrameSamples;
    assert(nFrames <= m_nMaxFrames);
    m_pEncoder->EncodeFrames(samples.data(), nFrames, m_frames.data());
    static_assert(sizeof(EncodedFrame) == kFrameBytes, "frames lie back to back");
    return {reinterpret_cast<const std::uint8_t*>(m_frames.data()), nFrames * kFrameBytes};
}

std::vector<std::uint8_t> EncodeAllFrames(std::span<const std::int16_t> samples, CodecBuild build) {
    constexpr std::size_t kFramesAtATime = 100;
    CChunkEncoder encoder(2, kFramesAtATime, build);
    std::vector<std::uint8_t> frames;
    for (std::size_t at = 0; at < samples.size(); at += kFramesAtATime * kFrameSamples) {
        const std::size_t nCount = std::min(samples.size() - at, kFramesAtATime * kFrameSamples);
        const auto chunk = encoder.EncodeSamples(samples.subspan(at, nCount));
        frames.insert(frames.end(), chunk.begin(), chunk.end());
    }
    return frames;
}

} // namespace veltrane
