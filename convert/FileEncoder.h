// SPDX-License-Identifier: BSD-3-Clause
// Converts one WAV file into its ".wrm" file.
#pragma once

#include "convert/FileJob.h"
#include "convert/FrameEncoding.h"

#include <filesystem>

namespace veltrane {

// The text of a failed read of the input, ending in a line feed.
using ReadFailureFn = std::function<std::string()>;

// Encodes every whole frame of samples with one new encoder and writes the frames to output
// through a temporary file in output's folder, renamed when complete, or, when output is "-",
// straight to standard output. A stream with no whole frame is rejected and writes nothing.
FileJobReport EncodeSamplesToFile(CSampleSource& samples, const ReadFailureFn& readFailure,
                                  const std::filesystem::path& input,
                                  const std::filesystem::path& output,
                                  const FileJobOptions& options);

// Checks the header of input, encodes every whole frame that the file holds with one new
// encoder, and writes the frames to output through a temporary file in output's folder, renamed
// when complete. An output that is the input itself is always refused. Input "-" is standard
// input (EncodeWavStream). A converted file whose data is shorter than its header says carries
// a warning.
FileJobReport EncodeWavFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options);

} // namespace veltrane
