// SPDX-License-Identifier: BSD-3-Clause
// A WAV file opened and put through the header check, and its samples read whole.
#pragma once

#include "convert/FileByteSource.h"
#include "convert/WavHeader.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veltrane {

struct CheckedWav {
    std::string m_strMessage;       // empty when accepted; else a system text or a header message
    bool m_bRejected = false;       // the message is the header check's
    WavFormat m_format;             // when accepted
    std::uint64_t m_nDataBytes = 0; // the sample bytes the file actually holds
    std::uint64_t m_nFileBytes = 0;

    bool Accepted() const { return m_strMessage.empty(); }
};

// The verdict on a header checked from a source: a failed read (nReadError, an errno) gives the
// system's text rather than a judgement of bytes never read; else the check's message, if any.
CheckedWav JudgeHeader(const WavCheckResult& check, int nReadError);

// Opens file through files into source and checks its header: the one checked WAV open of
// the programs. The data size is clamped to what the file holds.
CheckedWav OpenCheckedWav(IFileSystem& files, CFileByteSource& source, const std::string& sFile);
// The header check of a source already open.
CheckedWav CheckOpenedWav(CFileByteSource& source);

// The warning for a file whose sample data is shorter than its header says: nHeldBytes of the
// header's count, and the frames encoded from them. Empty when nothing is missing or when the
// header's count is 0xFFFFFFFF, which streaming writers put for a length not known.
std::string ShortDataWarning(const WavFormat& format, std::uint64_t nHeldBytes,
                             std::uint64_t nFrames);

struct WavSamples {
    CheckedWav m_check;
    std::vector<std::int16_t> m_anSamples; // every sample of the file, as the encoder takes them
};

// Checks the header of file and reads all its samples into memory.
WavSamples ReadWavSamples(const std::filesystem::path& file, IFileSystem& files = HostFileSystem());

} // namespace veltrane
