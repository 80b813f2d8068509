#!/bin/sh
# SPDX-License-Identifier: BSD-3-Clause
# cpack -G DEB in the build folder makes a Debian package that holds the programs, their
# manual pages, the desktop entry and icons, and declares the libraries they need.
set -eu
build=$1
app=$2 # ON when the dialog is built
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/veltrane_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' > "$out/contents"
expected="./usr/bin/veltrane-cli ./usr/share/man/man1/veltrane-cli.1.gz ./usr/lib/libveltrane.so.1"
if [ "$app" = ON ]; then
  expected="$expected ./usr/bin/veltrane ./usr/share/man/man1/veltrane.1.gz
    ./usr/share/applications/veltrane.desktop ./usr/share/icons/hicolor/32x32/apps/veltrane.png
    ./usr/share/icons/hicolor/scalable/apps/veltrane.svg"
fi
for f in $expected; do
  grep -qx -- "$f" "$out/contents" || { echo "not in the package: $f"; cat "$out/contents"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsndfile1 libsoxr0 libstdc++6; do
  echo "$depends" | grep -q "$lib" || { echo "Depends lacks $lib: $depends"; exit 1; }
done
# The packaged program runs.
dpkg-deb -x "$deb" "$out/root"
"$out/root/usr/bin/veltrane-cli" --version
