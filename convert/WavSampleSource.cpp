// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavSampleSource.h"

#include "codec/CodecTypes.h"
#include "convert/SampleConversion.h"
#include "convert/WavFile.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>

namespace veltrane {

CWavSampleSource::CWavSampleSource(CByteSource& source, const WavFormat& format,
                                   std::uint64_t nDataBytes)
    : m_source(source), m_format(format), m_nDataBytes(nDataBytes), m_nOffset(format.m_nDataOffset),
      m_nSamplesLeft(WholeFrames(nDataBytes, format.m_nBlockAlign) * kFrameSamples) {}

std::size_t CWavSampleSource::Read(std::span<std::int16_t> samples) {
    const std::size_t nCount = std::min<std::uint64_t>(samples.size(), m_nSamplesLeft);
    m_bytes.resize(nCount * static_cast<std::size_t>(m_format.m_nBlockAlign));
    if (m_source.ReadAt(m_nOffset, m_bytes.data(), m_bytes.size()) != m_bytes.size()) {
        m_bFailed = true;
        return 0;
    }
    ConvertSamples(m_bytes, m_format.m_nBlockAlign, samples);
    m_nOffset += m_bytes.size();
    m_nSamplesLeft -= nCount;
    return nCount;
}

std::string CWavSampleSource::FailureMessage() const {
    return SystemErrorText(m_source.Error() != 0 ? m_source.Error() : EIO);
}

std::string CWavSampleSource::EndWarning(std::uint64_t nFrames) const {
    return ShortDataWarning(m_format, m_nDataBytes, nFrames);
}

} // namespace veltrane
