#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Fails if the program holds AVX (VEX- or EVEX-encoded) instructions outside the x86-64-v3 and
# x86-64-v4 builds of the encoder, or AVX-512 instructions (zmm or mask registers) outside the
# x86-64-v4 build: code that every processor runs, such as a library template that the builds
# instantiate alike, must be the portable build's copy, and the x86-64-v3 build must never call
# into code that only an x86-64-v4 processor runs. (A library template over a vector type would
# be instantiated alike by the builds that have the type, and the linker keeps one copy of it:
# the codec instantiates none, using builtins such as __builtin_bit_cast instead.)
#
#   check_portable_code.sh PROGRAM
set -euo pipefail
program="$1"
listing="$(objdump -d --no-show-raw-insn -C "$program")"
offenders="$(echo "$listing" |
  awk '/^[0-9a-f]+ </ { name = $0; inside = 1; next }
       /^$/ { inside = 0 }
       inside && $2 ~ /^v/ { print name; inside = 0 }' |
  grep -v 'x86_64_v3::' | grep -v 'x86_64_v4::' || true)"
wide_offenders="$(echo "$listing" |
  awk '/^[0-9a-f]+ </ { name = $0; inside = 1; next }
       /^$/ { inside = 0 }
       inside && ($0 ~ /%zmm/ || $0 ~ /%k[0-7]/) { print name; inside = 0 }' |
  grep -v 'x86_64_v4::' || true)"
# The batch encoder's lane stages must be among the code checked, in every build: a guard that
# found no such function would pass without having looked.
for stage in CBatchEncoder::EncodeFrames ConvolveLanes SearchLagLanes SearchPulsesLanes; do
  for build in portable x86_64_v3 x86_64_v4; do
    if ! grep -q "^[0-9a-f]* <veltrane::$build::$stage(" <<< "$listing"; then
      echo "no function veltrane::$build::$stage in $program" >&2
      exit 1
    fi
  done
done
if [ -n "$offenders" ]; then
  echo "AVX instructions outside the x86-64-v3 and x86-64-v4 builds in $program:" >&2
  echo "$offenders" >&2
  exit 1
fi
if [ -n "$wide_offenders" ]; then
  echo "AVX-512 instructions outside the x86-64-v4 build in $program:" >&2
  echo "$wide_offenders" >&2
  exit 1
fi
echo "no AVX instructions outside the x86-64-v3 and x86-64-v4 builds in $program," \
  "no AVX-512 outside the x86-64-v4 build"
