// SPDX-License-Identifier: BSD-3-Clause
// The info verb: what a ".wrm" file, a WAV file or any other recording holds, as text or JSON.
#pragma once

#include "cli/BatchCommand.h"

namespace veltrane {

// Prints one line per file (bJson: one JSON array of objects): for a ".wrm" file its frames,
// duration, size and whether the size is a whole number of frames; for a WAV file what the
// header check found and whether encode, or encode --convert, takes it; for another recording
// what libsndfile reads. Standard input is a WAV file or recording when it reads as one, else a
// ".wrm" stream. -r takes ".wav" and ".wrm" files, with --convert every type libsndfile reads
// too. Exit status: 0 when every file was described, 2 otherwise.
int RunInfo(const BatchArgs& args, bool bJson);

} // namespace veltrane
