// SPDX-License-Identifier: BSD-3-Clause
// The samples of a WAV file that the header check accepted, read from its byte source at the
// data offset.
#pragma once

#include "convert/SampleSource.h"
#include "convert/WavHeader.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// The whole frames of a checked WAV file's nDataBytes sample bytes (what the file actually
// holds), converted as the encoder takes them; a source that delivers fewer bytes has failed.
class CWavSampleSource : public CSampleSource {
  public:
    CWavSampleSource(CByteSource& source, const WavFormat& format, std::uint64_t nDataBytes);
    std::size_t Read(std::span<std::int16_t> samples) override;
    bool Failed() const override { return m_bFailed; }
    // The system's text of the byte source's error (EIO for a file that shrank).
    std::string FailureMessage() const override;
    // Data shorter than the header says (ShortDataWarning).
    std::string EndWarning(std::uint64_t nFrames) const override;

  private:
    CByteSource& m_source;
    WavFormat m_format;
    std::uint64_t m_nDataBytes;
    std::uint64_t m_nOffset;
    std::uint64_t m_nSamplesLeft;
    std::vector<std::uint8_t> m_bytes;
    bool m_bFailed = false;
};

} // namespace veltrane
