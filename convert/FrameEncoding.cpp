#include "convert/FrameEncoding.h"

#include "codec/SpeechEncoder.h"
#include "convert/SampleConversion.h"

#include <algorithm>
#include <memory>

namespace veltrane {

namespace {

// Buffers sized once for the largest chunk and reused for every chunk of the file.
struct ChunkBuffers {
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::int16_t> m_samples;
    std::vector<std::uint8_t> m_frames;

    explicit ChunkBuffers(int nBlockAlign)
        : m_bytes(static_cast<std::size_t>(kChunkFrames) * kFrameSamples * nBlockAlign),
          m_samples(static_cast<std::size_t>(kChunkFrames) * kFrameSamples),
          m_frames(static_cast<std::size_t>(kChunkFrames) * kFrameBytes) {}
};

void EncodeFrames(CSpeechEncoder& encoder, const std::int16_t* pnSamples, std::size_t nFrames,
                  std::uint8_t* pFrames) {
    for (std::size_t f = 0; f < nFrames; ++f) {
        EncodedFrame frame;
        encoder.EncodeFrame(pnSamples + f * kFrameSamples, &frame);
        std::copy(frame.begin(), frame.end(), pFrames + f * kFrameBytes);
    }
}

bool CancelRequested(const EncodeHooks& hooks) {
    return hooks.m_pbCancel != nullptr && hooks.m_pbCancel->load(std::memory_order_relaxed);
}

} // namespace

EncodeStatus EncodeSampleData(CByteSource& source, const WavFormat& format,
                              std::uint64_t nDataBytes, const EncodeHooks& hooks) {
    const int nAlign = format.m_nBlockAlign;
    std::uint64_t nFramesLeft = WholeFrames(nDataBytes, nAlign);
    std::uint64_t nOffset = format.m_nDataOffset;
    ChunkBuffers buffers(nAlign);
    auto pEncoder = std::make_unique<CSpeechEncoder>();
    while (nFramesLeft > 0) {
        const std::size_t nFrames = std::min<std::uint64_t>(nFramesLeft, kChunkFrames);
        const std::size_t nBytes = nFrames * kFrameSamples * nAlign;
        if (source.ReadAt(nOffset, buffers.m_bytes.data(), nBytes) != nBytes) {
            return EncodeStatus::ReadFailed;
        }
        ConvertSamples(std::span(buffers.m_bytes.data(), nBytes), nAlign, buffers.m_samples);
        EncodeFrames(*pEncoder, buffers.m_samples.data(), nFrames, buffers.m_frames.data());
        if (!hooks.m_write(std::span(buffers.m_frames.data(), nFrames * kFrameBytes))) {
            return EncodeStatus::WriteFailed;
        }
        if (hooks.m_onFrames) {
            hooks.m_onFrames(nFrames);
        }
        nOffset += nBytes;
        nFramesLeft -= nFrames;
        if (nFramesLeft > 0 && CancelRequested(hooks)) {
            return EncodeStatus::Cancelled;
        }
    }
    return EncodeStatus::Done;
}

WavCheckResult EncodeWavBytes(std::span<const std::uint8_t> fileBytes,
                              std::vector<std::uint8_t>& frames) {
    CSpanByteSource source(fileBytes);
    const WavCheckResult result = CheckWavHeader(source);
    if (!result.Accepted()) {
        return result;
    }
    EncodeHooks hooks;
    hooks.m_write = [&frames](std::span<const std::uint8_t> chunk) {
        frames.insert(frames.end(), chunk.begin(), chunk.end());
        return true;
    };
    EncodeSampleData(source, result.m_format, AvailableDataBytes(result.m_format, fileBytes.size()),
                     hooks);
    return result;
}

} // namespace veltrane
