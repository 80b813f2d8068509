// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli: converts 16 kHz mono WAV files to ".wrm" files and back from the command line,
// and measures what the encoder keeps.
#include "cli/CommandLine.h"

int main(int argc, char** argv) {
    return veltrane::RunCommandLine(argc, argv);
}
