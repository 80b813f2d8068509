// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StreamSource.h"

#include "convert/SampleConversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

} // namespace

void CStreamByteSource::Release(std::uint64_t nOffset) {
    if (nOffset < kKeptHeaderBytes || nOffset <= m_nKeptStart) {
        return;
    }
    const std::uint64_t nDrop = std::min(nOffset, End()) - m_nKeptStart;
    m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(nDrop));
    m_nKeptStart += nDrop;
}

bool CStreamByteSource::ReadMore() {
    if (m_bEnded || m_nError != 0) {
        return false;
    }
    const std::size_t nAt = m_kept.size();
    m_kept.resize(nAt + kReadBytes);
    ssize_t nRead = 0;
    do {
        nRead = ::read(m_nFd, m_kept.data() + nAt, kReadBytes);
    } while (nRead < 0 && errno == EINTR);
    m_kept.resize(nAt + static_cast<std::size_t>(std::max<ssize_t>(nRead, 0)));
    if (nRead < 0) {
        m_nError = errno;
    }
    m_bEnded = nRead == 0;
    return nRead > 0;
}

std::size_t CStreamByteSource::ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) {
    if (nOffset < m_nKeptStart) {
        m_nError = m_nError != 0 ? m_nError : ESPIPE;
        return 0;
    }
    Release(nOffset);
    // A skip forward keeps no more than one read's worth of the bytes it passes.
    while (End() < nOffset + nBytes && ReadMore()) {
        Release(nOffset);
    }
    if (nOffset >= End()) {
        return 0;
    }
    const auto nCount = static_cast<std::size_t>(std::min<std::uint64_t>(nBytes, End() - nOffset));
    std::memcpy(pBuffer, m_kept.data() + (nOffset - m_nKeptStart), nCount);
    return nCount;
}

CheckedWav CheckStreamHeader(CStreamByteSource& source) {
    const WavCheckResult check = CheckWavHeader(source);
    CheckedWav checked = JudgeHeader(check, source.Error());
    checked.m_nDataBytes = check.m_format.m_nDataBytes;
    return checked;
}

CStreamSampleSource::CStreamSampleSource(CStreamByteSource& source, const WavFormat& format)
    : m_source(source), m_nAlign(format.m_nBlockAlign), m_format(format),
      m_nDataOffset(format.m_nDataOffset), m_nOffset(format.m_nDataOffset),
      m_nEnd(format.m_nDataOffset + format.m_nDataBytes) {}

std::size_t CStreamSampleSource::Read(std::span<std::int16_t> samples) {
    const std::uint64_t nWanted = std::min<std::uint64_t>(
        samples.size() * static_cast<std::size_t>(m_nAlign), m_nEnd - m_nOffset);
    m_bytes.resize(static_cast<std::size_t>(nWanted));
    const std::size_t nRead = m_source.ReadAt(m_nOffset, m_bytes.data(), m_bytes.size());
    m_bytes.resize(nRead);
    m_nOffset += nRead;
    return ConvertSamples(m_bytes, m_nAlign, samples);
}

std::string CStreamSampleSource::FailureMessage() const {
    return SystemErrorText(m_source.Error() != 0 ? m_source.Error() : EIO);
}

std::string CStreamSampleSource::EndWarning(std::uint64_t nFrames) const {
    return ShortDataWarning(m_format, DataBytesRead(), nFrames);
}

} // namespace veltrane
