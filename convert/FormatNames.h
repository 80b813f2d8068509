// SPDX-License-Identifier: BSD-3-Clause
// Short names of libsndfile's containers and sample formats, as the messages show them.
#pragma once

#include <string>
#include <vector>

namespace veltrane {

// "WAV", "WAVE_FORMAT_EXTENSIBLE", "FLAC", "Ogg", "MP3", ...; null when the table has none.
const char* ContainerName(int nSfFormat);
// "16-bit PCM", "32-bit float", "mu-law", "Vorbis", ...; null when the table has none.
const char* SampleFormatName(int nSfFormat);

// The extensions (".flac", ".ogg", ...) of every file type that libsndfile reads by itself, as
// libsndfile's own lists of formats name them, sorted; headerless raw files, which it reads
// only when told their rate and channels, are left out.
std::vector<std::string> ReadableExtensions();
// The extensions of the files that a verb takes from a folder: ".wav", and with bConvert every
// one of ReadableExtensions too.
std::vector<std::string> InputExtensions(bool bConvert);

} // namespace veltrane
