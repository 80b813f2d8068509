#include "convert/FrameEncoding.h"

#include "convert/ChunkEncoder.h"

#include <algorithm>
#include <memory>

namespace veltrane {

bool StopRequested(const std::atomic<bool>* pbStop) {
    return pbStop != nullptr && pbStop->load(std::memory_order_relaxed);
}

EncodeStatus EncodeSampleData(CByteSource& source, const WavFormat& format,
                              std::uint64_t nDataBytes, const EncodeHooks& hooks) {
    const int nAlign = format.m_nBlockAlign;
    std::uint64_t nFramesLeft = WholeFrames(nDataBytes, nAlign);
    std::uint64_t nOffset = format.m_nDataOffset;
    CChunkEncoder encoder(nAlign, kChunkFrames);
    while (nFramesLeft > 0) {
        const std::size_t nFrames = std::min<std::uint64_t>(nFramesLeft, kChunkFrames);
        const std::span<std::uint8_t> bytes = encoder.SampleBytes(nFrames);
        if (source.ReadAt(nOffset, bytes.data(), bytes.size()) != bytes.size()) {
            return EncodeStatus::ReadFailed;
        }
        if (!hooks.m_write(encoder.EncodeBytes(bytes))) {
            return EncodeStatus::WriteFailed;
        }
        if (hooks.m_onFrames) {
            hooks.m_onFrames(nFrames);
        }
        nOffset += bytes.size();
        nFramesLeft -= nFrames;
        if (nFramesLeft > 0 && StopRequested(hooks.m_pbCancel)) {
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
