#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs what Veltrane needs to build, test and run on Debian 12 (run as root).
# With the argument "fuzz", also clang with libFuzzer and the sanitizers' symbolizer; with
# "packages", what builds and checks the Debian packages.
set -euo pipefail
packages=(
  build-essential cmake
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  desktop-file-utils appstream sox speex
  libsndfile1-dev libsoxr-dev pkg-config nlohmann-json3-dev
  scdoc man-db dpkg-dev
  python3-dev pybind11-dev python3-numpy python3-pytest
)
# --- fuzz targets ---
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev llvm)
fi
# --- the Debian packages: dpkg-buildpackage and lintian ---
if [ "${1:-}" = packages ]; then
  packages+=(debhelper dh-python fakeroot lintian)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
