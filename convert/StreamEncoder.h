// SPDX-License-Identifier: BSD-3-Clause
// Encodes a WAV file that arrives on a stream (standard input), read once from front to back.
#pragma once

#include "convert/FileJob.h"

#include <filesystem>

namespace veltrane {

// Checks the header of the WAV stream on nFd as the header check of a file does, then encodes
// the samples as they come, up to the header's count or the end of the stream, into output
// ("-" for standard output). The frames equal those of the same bytes read from a file. An
// existing output file is refused without m_bReplace.
FileJobReport EncodeWavStream(int nFd, const std::filesystem::path& output,
                              const FileJobOptions& options);

} // namespace veltrane
