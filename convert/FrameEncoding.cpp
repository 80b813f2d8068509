// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FrameEncoding.h"

#include "convert/ChunkEncoder.h"
#include "convert/SampleConversion.h"

#include <algorithm>
#include <memory>

namespace veltrane {

bool StopRequested(const std::atomic<bool>* pbStop) {
    return pbStop != nullptr && pbStop->load(std::memory_order_relaxed);
}

CSampleSource::~CSampleSource() = default;

CWavSampleSource::CWavSampleSource(CByteSource& source, const WavFormat& format,
                                   std::uint64_t nDataBytes)
    : m_source(source), m_nAlign(format.m_nBlockAlign), m_nOffset(format.m_nDataOffset),
      m_nSamplesLeft(WholeFrames(nDataBytes, format.m_nBlockAlign) * kFrameSamples) {}

std::size_t CWavSampleSource::Read(std::span<std::int16_t> samples) {
    const std::size_t nCount = std::min<std::uint64_t>(samples.size(), m_nSamplesLeft);
    m_bytes.resize(nCount * static_cast<std::size_t>(m_nAlign));
    if (m_source.ReadAt(m_nOffset, m_bytes.data(), m_bytes.size()) != m_bytes.size()) {
        m_bFailed = true;
        return 0;
    }
    ConvertSamples(m_bytes, m_nAlign, samples);
    m_nOffset += m_bytes.size();
    m_nSamplesLeft -= nCount;
    return nCount;
}

EncodeStatus EncodeSamples(CSampleSource& source, const EncodeHooks& hooks) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kChunkFrames) * kFrameSamples);
    CChunkEncoder encoder(static_cast<int>(sizeof(std::int16_t)), kChunkFrames);
    std::size_t nFrames = source.Read(samples) / kFrameSamples;
    while (!source.Failed() && nFrames > 0) {
        if (!hooks.m_write(
                encoder.EncodeSamples(std::span(samples).first(nFrames * kFrameSamples)))) {
            return EncodeStatus::WriteFailed;
        }
        if (hooks.m_onFrames) {
            hooks.m_onFrames(nFrames);
        }
        // The next chunk is read before the stop is honoured, so that a stream whose frames
        // are all written is done rather than cancelled.
        nFrames = source.Read(samples) / kFrameSamples;
        if ((nFrames > 0 || source.Failed()) && StopRequested(hooks.m_pbCancel)) {
            return EncodeStatus::Cancelled;
        }
    }
    return source.Failed() ? EncodeStatus::ReadFailed : EncodeStatus::Done;
}

EncodeStatus EncodeSampleData(CByteSource& source, const WavFormat& format,
                              std::uint64_t nDataBytes, const EncodeHooks& hooks) {
    CWavSampleSource samples(source, format, nDataBytes);
    return EncodeSamples(samples, hooks);
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
