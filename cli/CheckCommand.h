// SPDX-License-Identifier: BSD-3-Clause
// The check verb: the header check alone, and the frames of a ".wrm" file.
#pragma once

#include "cli/BatchCommand.h"

namespace veltrane {

// Prints, for each WAV file, its frames, duration, bits per sample and data offset on stdout, or
// its message and path on stderr, followed by a hint when libsndfile reads the file. With
// --convert, a refused file that libsndfile reads passes, and what encode --convert makes of it
// is printed instead. A ".wrm" file passes when its size is a whole number of frames. With -q
// only the failures are printed. Exit status: 0 when every file passes, 2 otherwise.
int RunCheck(const BatchArgs& args);

} // namespace veltrane
