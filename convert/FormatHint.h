// SPDX-License-Identifier: BSD-3-Clause
// What a recording that the header check refused is, in words, for the line that follows its
// message.
#pragma once

#include "convert/AnyAudioReader.h"

#include <filesystem>
#include <string>

namespace veltrane {

// "44100 Hz, 2 channels, 24-bit PCM (WAV)", "16000 Hz, mono, 16-bit PCM (FLAC)".
std::string DescribeAudio(const AudioDescription& description);

// For a WAV file whose fmt chunk the encoder takes as it is (16000 Hz, mono, 8- or 16-bit PCM)
// but which the header check refused: " with a LIST chunk", naming the chunk where the check
// stopped (the one after fmt, or after JUNK), or " with a LIST chunk before fmt" when fmt does
// not come first. Empty for any other file.
std::string StoppingChunk(const std::filesystem::path& file, const AudioDescription& description);

// The hint line for a file that the header check refused: what the file is and that --convert
// accepts it, ending in a line feed. Empty when libsndfile cannot read the file.
std::string FormatHint(const std::filesystem::path& file);

} // namespace veltrane
