// SPDX-License-Identifier: BSD-3-Clause
// The quality verb: how much of each recording the encoder keeps, measured by encoding and
// decoding it in memory.
#pragma once

#include "cli/BatchCommand.h"

namespace veltrane {

// Prints, for each file, its frames, duration, SNR and segmental SNR against the input after
// the encoder's DC-removal filter, and the bit rate, on stdout; a rejected file gets its
// message and path on stderr (and a hint when libsndfile reads it). With --convert, any
// recording that libsndfile reads is measured as encode --convert takes it. bJson: one JSON
// array of objects instead of lines. Exit status: 0 when every file was measured, 2 otherwise.
int RunQuality(const BatchArgs& args, bool bJson);

} // namespace veltrane
