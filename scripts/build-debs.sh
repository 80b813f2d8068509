#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the Debian packages (libveltrane1, libveltrane-dev, veltrane-cli, veltrane and their
# -dbgsym packages) with dpkg-buildpackage in a private copy of the tree, so that nothing is
# written beside the repository, checks them with lintian, and puts them in OUTDIR.
# Usage: bash scripts/build-debs.sh [OUTDIR]   (default build/debian)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/debian}
bash scripts/install-deps.sh packages
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/veltrane"
tar -c --exclude=./build --exclude=./.git --exclude='./obj-*' . | tar -x -C "$work/veltrane"
(cd "$work/veltrane" && dpkg-buildpackage -us -uc -b --jobs=auto >"$work/build.log" 2>&1) || {
  tail -50 "$work/build.log"
  exit 1
}
# Every tag of severity warning or error fails; overrides in debian/ carry their reasons.
lintian --fail-on error,warning "$work"/veltrane_*.changes
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.ddeb "$out"/*.changes "$out"/*.buildinfo
cp "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$out"/
cp "$work"/*.ddeb "$out"/ 2>/dev/null || true
ls "$out"
