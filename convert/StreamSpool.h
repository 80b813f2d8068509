// SPDX-License-Identifier: BSD-3-Clause
// A stream's bytes kept in an unnamed temporary file, for the readers that must seek (libsndfile
// reading FLAC, Ogg or a WAV file with chunks after its data from standard input).
#pragma once

#include "convert/WavHeader.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// The most of a stream that is kept: past it the stream is refused rather than filling the disk.
inline constexpr std::uint64_t kSpoolLimitBytes = std::uint64_t{4} << 30;

struct SpooledStream {
    std::unique_ptr<IFile> m_pFile; // the stream's bytes from its start; null on a failure
    std::string m_strMessage;       // ends in a line feed; empty when spooled
};

// Copies source, from offset 0 to its end, into a file without a name in the first of folders
// that has such files, readable by the running user only; it vanishes when closed. A stream of
// more than nLimit bytes, or one whose start is gone, is refused with a message.
SpooledStream SpoolStream(IFileSystem& files, const std::vector<std::string>& folders,
                          CByteSource& source, std::uint64_t nLimit = kSpoolLimitBytes);

} // namespace veltrane
