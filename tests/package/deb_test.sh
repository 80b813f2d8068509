#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The Debian packages that scripts/build-debs.sh made: each holds what it should and nothing of
# the others, declares the libraries it needs, installs in order (apt-get), runs, lets the
# example build against the -dev package alone, and purges without leaving a file.
# Usage: bash tests/package/deb_test.sh DEBDIR GOLDENDIR   (as root, on a machine to change)
set -euo pipefail
debs=$(cd "$1" && pwd)
golden=$(cd "$2" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
deb() { ls "$debs/$1"_*.deb; }

# The files of a package (no folders), one a line, sorted.
contents() { dpkg-deb -c "$(deb "$1")" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort; }

# Each package holds exactly the files that match its patterns, and every file matches one of its
# own patterns only, so no file is in two packages.
expect_files() {
  local package=$1
  shift
  contents "$package" >"$work/$package.files"
  for pattern in "$@"; do
    grep -Eq "^$pattern\$" "$work/$package.files" || fail "$package lacks $pattern"
  done
  local regex
  regex=$(printf '^%s$|' "$@" "/usr/share/doc/$package/.*" "/usr/share/lintian/overrides/$package")
  if grep -Ev "${regex%|}" "$work/$package.files"; then fail "$package holds the files above"; fi
}
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=/usr/lib/$triplet
expect_files libveltrane1 "$lib/libveltrane\.so\.1(\.[0-9]+\.[0-9]+)?"
expect_files libveltrane-dev /usr/include/veltrane/veltrane\.h "$lib/libveltrane\.so" \
  "$lib/pkgconfig/veltrane\.pc" "$lib/cmake/veltrane/veltrane[A-Za-z-]*\.cmake" \
  "/usr/share/doc/libveltrane-dev/examples/(CMakeLists\.txt|wrm_roundtrip\.c)"
expect_files veltrane-cli /usr/bin/veltrane-cli /usr/share/man/man1/veltrane-cli\.1\.gz
expect_files veltrane /usr/bin/veltrane /usr/share/man/man1/veltrane\.1\.gz \
  /usr/share/applications/veltrane\.desktop "/usr/share/icons/hicolor/.*/apps/veltrane\.(png|svg)" \
  /usr/share/metainfo/org\.example\.veltrane\.metainfo\.xml
expect_files python3-veltrane \
  "/usr/lib/python3/dist-packages/veltrane/(__init__\.pyi?|py\.typed|_veltrane\.cpython-[0-9a-z_-]*\.so)"
for package in libveltrane1 libveltrane-dev veltrane-cli veltrane python3-veltrane; do
  grep -qx "/usr/share/doc/$package/copyright" "$work/$package.files" || fail "$package: copyright"
done
echo "each package holds its own files"

# Depends, from the libraries the programs link.
depends() { dpkg-deb -f "$(deb "$1")" Depends; }
for need in libsndfile1 libsoxr0 libstdc++6; do
  depends veltrane-cli | grep -q "$need" || fail "veltrane-cli Depends lacks $need"
done
depends veltrane | grep -q libqt6widgets6 || fail "veltrane Depends lacks Qt"
depends libveltrane-dev | grep -q "libveltrane1 (= " || fail "libveltrane-dev Depends"
for need in libveltrane1 python3-numpy "python3 (>="; do
  depends python3-veltrane | grep -qF "$need" || fail "python3-veltrane Depends lacks $need"
done

# Installed in order, each package's programs run.
export DEBIAN_FRONTEND=noninteractive
for package in libveltrane1 libveltrane-dev veltrane-cli veltrane python3-veltrane; do
  apt-get install -y -qq "$(deb "$package")" >/dev/null
  dpkg -L "$package" >>"$work/installed"
done
veltrane-cli encode -q "$golden/speech_en.wav" -o "$work/cli.wrm"
cmp "$work/cli.wrm" "$golden/speech_en.wrm" || fail "installed veltrane-cli: bytes differ"
veltrane --version >/dev/null || fail "installed veltrane does not start"
test "$(pkg-config --cflags veltrane | tr -d " ")" = "" || fail "pkg-config --cflags: $(pkg-config --cflags veltrane)"
test "$(pkg-config --libs veltrane | sed "s/ *$//")" = "-lveltrane" || fail "pkg-config --libs: $(pkg-config --libs veltrane)"
examples=/usr/share/doc/libveltrane-dev/examples
cc -std=c99 -Wall -Wextra -Werror "$examples/wrm_roundtrip.c" $(pkg-config --cflags --libs veltrane) \
  -o "$work/roundtrip"
"$work/roundtrip" "$golden/speech_en.wav" "$work/lib.wrm" "$work/lib.wav" >/dev/null
cmp "$work/lib.wrm" "$golden/speech_en.wrm" || fail "the example on the installed library"
cmake -S "$examples" -B "$work/example" >/dev/null && cmake --build "$work/example" >/dev/null ||
  fail "the example's CMake build against the installed package"
/usr/bin/python3 - "$golden/speech_en.wav" "$golden/speech_en.wrm" <<'PYTHON' || fail "python3-veltrane"
import sys
import veltrane
samples, rate = veltrane.read(sys.argv[1], dtype="int16")
assert rate == 16000 and veltrane.encode(samples) == open(sys.argv[2], "rb").read()
PYTHON
echo "installed: the programs, the example and the Python package run"

# Purged, nothing of them is left.
apt-get purge -y -qq python3-veltrane veltrane veltrane-cli libveltrane-dev libveltrane1 >/dev/null
for package in libveltrane1 libveltrane-dev veltrane-cli veltrane python3-veltrane; do
  if dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qv "not-installed"; then
    fail "$package is still known to dpkg: $(dpkg-query -W -f='${Status}' "$package")"
  fi
done
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then fail "left after purge: $path"; fi
done <"$work/installed"
echo "purged: nothing is left"
