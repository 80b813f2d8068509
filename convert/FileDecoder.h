// SPDX-License-Identifier: BSD-3-Clause
// Decodes one ".wrm" file into a 16 kHz mono 16-bit WAV file.
#pragma once

#include "convert/FileJob.h"

#include <filesystem>

namespace veltrane {

// Decodes every frame of input with one new decoder and writes the samples, aligned with the
// encoder's input (the first two frames dropped: N frames give 240 * (N - 2) samples), as a
// canonical WAV file to output, through a temporary file renamed when complete; output "-" is
// standard output, where the header's sizes say "not known" (0xFFFFFFFF). Input "-" is standard
// input, read whole first. A WAV file is rejected before anything is written; the bytes after
// the last whole frame are not decoded, with a warning. An output that is the input itself is
// always refused.
FileJobReport DecodeWrmFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options);

} // namespace veltrane
