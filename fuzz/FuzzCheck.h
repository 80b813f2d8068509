// SPDX-License-Identifier: BSD-3-Clause
// What the fuzz targets share: a check that stops the run with a message when an invariant
// fails, so that libFuzzer records the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace veltrane::fuzz {

inline void Require(bool bHolds, const char* pszWhat) {
    if (!bHolds) {
        std::fprintf(stderr, "invariant broken: %s\n", pszWhat);
        std::abort();
    }
}

} // namespace veltrane::fuzz
