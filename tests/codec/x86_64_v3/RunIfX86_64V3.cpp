// SPDX-License-Identifier: BSD-3-Clause
// Runs the program its arguments name where this processor runs the x86-64-v3 build of the
// encoder, and otherwise exits with 77, which the test runner counts as skipped: the program is
// compiled for x86-64-v3 throughout and could not even start on an older processor.
#include "codec/FrameEncoder.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    constexpr int kSkipped = 77;
    if (argc < 2) {
        std::fputs("usage: run_if_x86_64_v3 PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    if (!veltrane::CodecBuildRuns(veltrane::CodecBuild::kX86_64_v3)) {
        std::puts("skipped: this processor does not run the x86-64-v3 build");
        return kSkipped;
    }
    execv(argv[1], argv + 1);
    std::perror(argv[1]);
    return 2;
}
