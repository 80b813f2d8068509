#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Configures and builds the release tree in build/release: every target, or only the targets
# named (e.g. veltrane veltrane-cli, so that a first run need not build the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
if [ $# -gt 0 ]; then
  targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build --preset release -j "$(nproc)" "${targets[@]}"
else
  cmake --build --preset release -j "$(nproc)"
fi
