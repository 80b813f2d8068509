#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds and runs every test under AddressSanitizer with UndefinedBehaviorSanitizer
# (asan-ubsan preset) and under ThreadSanitizer (tsan preset). Qt is not built for
# ThreadSanitizer: tests/tsan.supp ignores what Qt's own libraries do, never our code.
# Usage: bash scripts/sanitizers.sh [PRESET...]   (default: asan-ubsan tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then presets=(asan-ubsan tsan); fi
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# A report fails the test that caused it, also in the programs the end-to-end tests start.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
tsan_options="suppressions=$PWD/tests/tsan.supp:second_deadlock_stack=1"

for preset in "${presets[@]}"; do
  echo "== $preset: build"
  cmake --preset "$preset" "${launcher[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  echo "== $preset: tests"
  if [ "$preset" = tsan ]; then
    TSAN_OPTIONS=${TSAN_OPTIONS:-$tsan_options} ctest --preset "$preset" -j "$(nproc)"
  else
    ctest --preset "$preset" -j "$(nproc)"
  fi
done
