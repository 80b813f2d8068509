// SPDX-License-Identifier: BSD-3-Clause
// The encode job of one input: picks the sample source for its kind (a checked WAV file, a WAV
// stream, any recording libsndfile reads), runs the encode loop, and writes the ".wrm" output.
#pragma once

#include "convert/FileJob.h"

#include <filesystem>

namespace veltrane {

// Which inputs an encode job takes.
enum class EncodeReading {
    HeaderCheck,         // only what the header check accepts
    HeaderCheckWithHint, // the same; a refused file that libsndfile reads gets a hint line
    Convert,             // also any recording that libsndfile reads, converted (--convert)
};

// Encodes every whole frame of input with one new encoder and writes the frames to output
// through a temporary file in output's folder, renamed when complete, or, when output is "-",
// straight to standard output. Input "-" is standard input, read once from front to back. An
// output that is the input itself is always refused; an input with no whole frame writes
// nothing. A file whose data is shorter than its header says carries a warning.
//
// With Convert, a file that the header check refuses but libsndfile reads is mixed to mono,
// resampled to 16000 Hz and rounded to 16 bits (CConvertedSamples); a file that the header check
// accepts gives the same frames either way.
FileJobReport EncodeFile(const std::filesystem::path& input, const std::filesystem::path& output,
                         const FileJobOptions& options, EncodeReading reading);

// EncodeFile as the file jobs of a batch: with HeaderCheck, HeaderCheckWithHint and Convert.
FileJobReport EncodeWavFile(const std::filesystem::path& input, const std::filesystem::path& output,
                            const FileJobOptions& options);
FileJobReport EncodeWavFileWithHint(const std::filesystem::path& input,
                                    const std::filesystem::path& output,
                                    const FileJobOptions& options);
FileJobReport EncodeAnyAudioFile(const std::filesystem::path& input,
                                 const std::filesystem::path& output,
                                 const FileJobOptions& options);

} // namespace veltrane
