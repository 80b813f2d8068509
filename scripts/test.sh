#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs what is needed, builds, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --preset release -j "$(nproc)"
