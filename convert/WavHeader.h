// SPDX-License-Identifier: BSD-3-Clause
// The header check of one WAV file, as a function of the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrane {

// Random-access reader of a file's bytes. ReadAt returns how many bytes were actually read;
// fewer than asked means the source ends there.
class CByteSource {
  public:
    virtual ~CByteSource();
    virtual std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) = 0;
    // The errno of the first failed read, 0 when none failed (memory never fails).
    virtual int Error() const { return 0; }
};

// A byte source over bytes already in memory.
class CSpanByteSource : public CByteSource {
  public:
    explicit CSpanByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override;

  private:
    std::span<const std::uint8_t> m_bytes;
};

// What an accepted header tells about the samples.
struct WavFormat {
    int m_nBlockAlign = 0;           // bytes per sample: 1 (8-bit) or 2 (16-bit)
    std::uint64_t m_nDataOffset = 0; // offset of the first sample from the start of the file
    std::uint64_t m_nDataBytes = 0;  // bytes of sample data, as the header says
};

// The messages of the header check. Each ends in a line feed, so that a path that follows
// stands on a line of its own.
inline constexpr const char* kMsgNotWav = "It is not WAV format!!!\n";
inline constexpr const char* kMsgUnsupported = "Encoder does not support this format!!!\n";
inline constexpr const char* kMsgNotMono = "You must use 'Mono' audio records!!!\n";
inline constexpr const char* kMsgNot16kHz =
    "Sampling frequency differs from 16kHz. You must use 16kHz!!!\n";
inline constexpr const char* kMsgBadBits =
    "Number of bits per sample differs from 16 or 8.\n"
    "You must use 16 bits per sample or at the least 8bits!!!\n";
inline constexpr const char* kMsgBadFmtSize = "WAV file created with error!!!\n";

// Either the accepted format (m_pszMessage is null) or the message of the first failed check.
struct WavCheckResult {
    const char* m_pszMessage = nullptr;
    WavFormat m_format;

    bool Accepted() const { return m_pszMessage == nullptr; }
};

// Whether the source starts with the RIFF and WAVE tags of a WAV file (in that case, as the
// tags stand).
bool IsRiffWave(CByteSource& source);

// Checks a RIFF/WAVE header against the one input format the encoder takes: PCM, mono,
// 16000 samples per second, 8- or 16-bit. Bytes past the end of the source read as zero.
WavCheckResult CheckWavHeader(CByteSource& source);

// The sample bytes that a file of nFileSize bytes actually holds: the header's count, cut to
// what lies between the data offset and the end of the file (a cut-off recording, or a
// streaming writer's size 0xFFFFFFFF).
std::uint64_t AvailableDataBytes(const WavFormat& format, std::uint64_t nFileSize);

// Whole 240-sample frames in nDataBytes of samples of the given block align.
std::uint64_t WholeFrames(std::uint64_t nDataBytes, int nBlockAlign);

} // namespace veltrane
