#!/bin/sh
# cmake --install puts the program, its desktop entry and its icons where a desktop finds
# them with its manual page, and the entry passes desktop-file-validate.
set -eu
build=$1
validate=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/veltrane share/applications/veltrane.desktop \
         share/icons/hicolor/32x32/apps/veltrane.png share/icons/hicolor/16x16/apps/veltrane.png \
         share/icons/hicolor/scalable/apps/veltrane.svg share/man/man1/veltrane.1.gz; do
  test -f "$prefix/$f" || { echo "missing: $f"; exit 1; }
done
"$validate" "$prefix/share/applications/veltrane.desktop"
"$prefix/bin/veltrane" --version
