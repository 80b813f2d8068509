# SPDX-License-Identifier: BSD-3-Clause
# Sourced by the install tests with the build folder as $1: installs it into a fresh folder,
# $prefix, removed when the test ends. require_installed fails the test unless every path it is
# given (relative to $prefix) was installed as a file.
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

require_installed() {
  for f in "$@"; do
    test -f "$prefix/$f" || { echo "missing: $f"; exit 1; }
  done
}
