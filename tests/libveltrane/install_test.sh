#!/bin/sh
# SPDX-License-Identifier: BSD-3-Clause
# cmake --install puts libveltrane, its header, its pkg-config file and its CMake package under a
# fresh prefix; a C program built from those files alone (with pkg-config, and with
# find_package) encodes the golden speech_en.wav to the golden .wrm byte for byte and decodes it
# to the bytes veltrane-cli decode writes. The library exports the C interface only, under a
# versioned soname, and loads from Python's ctypes.
set -eu
build=$1
source=$2
cli=$3
golden=$source/tests/data/golden
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "FAILED: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in include/veltrane/veltrane.h lib/libveltrane.so lib/pkgconfig/veltrane.pc \
         lib/cmake/veltrane/veltraneConfig.cmake lib/cmake/veltrane/veltraneConfigVersion.cmake; do
  test -e "$prefix/$f" || fail "missing $f"
done
objdump -p "$prefix/lib/libveltrane.so" | grep -Eq 'SONAME +libveltrane\.so\.1$' || fail "soname"
others=$(nm -D --defined-only "$prefix/lib/libveltrane.so" | awk '{print $3}' |
         grep -v '^veltrane_[a-z_]*@@VELTRANE_1$' | grep -v '^VELTRANE_1$' || true)
test -z "$others" || fail "exported beyond the C interface: $others"

"$cli" decode -q -o "$work/expected.wav" "$golden/speech_en.wrm"

# Runs a build of the example on the golden recording and compares both outputs.
check_roundtrip() {
  "$@" "$golden/speech_en.wav" "$work/out.wrm" "$work/out.wav" >/dev/null
  cmp "$work/out.wrm" "$golden/speech_en.wrm" || fail "$1: encoded bytes differ"
  cmp "$work/out.wav" "$work/expected.wav" || fail "$1: decoded bytes differ"
  rm -f "$work/out.wrm" "$work/out.wav"
}

# pkg-config, with the prefix's pkgconfig folder only.
flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" PKG_CONFIG_LIBDIR= pkg-config --cflags --libs veltrane | sed "s/ *$//")
test "$flags" = "-I$prefix/include -L$prefix/lib -lveltrane" || fail "pkg-config flags: $flags"
test "$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion veltrane)" = \
     "$("$cli" --version)" || fail "pkg-config version"
cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$source/examples/wrm_roundtrip.c" $flags \
   -o "$work/roundtrip_pc"
LD_LIBRARY_PATH="$prefix/lib" check_roundtrip "$work/roundtrip_pc"

# find_package(veltrane) from the example's own CMake project.
cmake -S "$source/examples" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-Werror >/dev/null
cmake --build "$work/example" >/dev/null
check_roundtrip "$work/example/wrm_roundtrip"

# The header is usable from C++ as it stands.
printf '#include <veltrane/veltrane.h>\nint main() { return veltrane_version()[0] == 0; }\n' |
  c++ -std=c++17 -Wall -Wextra -Wpedantic -Werror -x c++ - $flags -o "$work/cxx"
LD_LIBRARY_PATH="$prefix/lib" "$work/cxx" || fail "C++ program"

# ctypes: the soname loads on its own and the version is the programs' version.
if command -v python3 >/dev/null; then
  version=$(python3 -c '
import ctypes, sys
lib = ctypes.CDLL(sys.argv[1])
lib.veltrane_version.restype = ctypes.c_char_p
print(lib.veltrane_version().decode())' "$prefix/lib/libveltrane.so.1")
  test "$version" = "$("$cli" --version)" || fail "ctypes version $version"
fi
echo "libveltrane installs and round-trips"
