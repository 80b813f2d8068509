// SPDX-License-Identifier: BSD-3-Clause
// A WAV file read once from front to back, from a pipe or a terminal that cannot seek: the
// header check reads its fields from bytes kept as they pass, and the samples follow as they
// come.
#pragma once

#include "convert/SampleSource.h"
#include "convert/WavFile.h"
#include "convert/WavHeader.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// The bytes of a stream as a byte source. While reads start below kKeptHeaderBytes every byte
// read is kept, so the header check may read its fields in any order there; a read at or
// beyond it lets go of the bytes before it, and a later read before those fails with ESPIPE.
// A read further on skips the bytes in between.
class CStreamByteSource : public CByteSource {
  public:
    static constexpr std::uint64_t kKeptHeaderBytes = 64 * 1024;

    explicit CStreamByteSource(int nFd) : m_nFd(nFd) {}
    // Fewer bytes than asked only at the end of the stream or after a failure (Error()).
    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override;
    // The errno of the first failed read, 0 when none failed.
    int Error() const override { return m_nError; }

  private:
    std::uint64_t End() const { return m_nKeptStart + m_kept.size(); }
    void Release(std::uint64_t nOffset);
    bool ReadMore(); // appends one read; false at the end of the stream or on a failure

    int m_nFd;
    std::vector<std::uint8_t> m_kept; // the stream's bytes from offset m_nKeptStart on
    std::uint64_t m_nKeptStart = 0;
    bool m_bEnded = false;
    int m_nError = 0;
};

// The header check of a stream: as OpenCheckedWav, with the data size the header's (the size
// of a stream is not known before its end). A failed read gives the system's text.
CheckedWav CheckStreamHeader(CStreamByteSource& source);

// The samples of a checked stream: at most the header's count of sample bytes, fewer when the
// stream ends first, which is no failure.
class CStreamSampleSource : public CSampleSource {
  public:
    CStreamSampleSource(CStreamByteSource& source, const WavFormat& format);
    std::size_t Read(std::span<std::int16_t> samples) override;
    bool Failed() const override { return m_source.Error() != 0; }
    std::string FailureMessage() const override;
    // Data shorter than the header says: the stream ended first (ShortDataWarning).
    std::string EndWarning(std::uint64_t nFrames) const override;
    // The sample bytes that came before the end of the stream or the header's count.
    std::uint64_t DataBytesRead() const { return m_nOffset - m_nDataOffset; }

  private:
    CStreamByteSource& m_source;
    int m_nAlign;
    WavFormat m_format;
    std::uint64_t m_nDataOffset;
    std::uint64_t m_nOffset;
    std::uint64_t m_nEnd;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace veltrane
