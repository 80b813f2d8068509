// SPDX-License-Identifier: BSD-3-Clause
// Short names of libsndfile's containers and sample formats, as the messages show them.
#pragma once

namespace veltrane {

// "WAV", "WAVE_FORMAT_EXTENSIBLE", "FLAC", "Ogg", "MP3", ...; null when the table has none.
const char* ContainerName(int nSfFormat);
// "16-bit PCM", "32-bit float", "mu-law", "Vorbis", ...; null when the table has none.
const char* SampleFormatName(int nSfFormat);

} // namespace veltrane
