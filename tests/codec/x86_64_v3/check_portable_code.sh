#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Fails if the program holds AVX (VEX-encoded) instructions outside the x86-64-v3 build of the
# encoder: code that every processor runs, such as a library template that both builds
# instantiate, must be the portable build's copy. Four-wide vector helpers are the x86-64-v3
# build's own (the portable build has no such type).
#
#   check_portable_code.sh PROGRAM
set -euo pipefail
program="$1"
listing="$(objdump -d --no-show-raw-insn -C "$program")"
offenders="$(echo "$listing" |
  awk '/^[0-9a-f]+ </ { name = $0; inside = 1; next }
       /^$/ { inside = 0 }
       inside && $2 ~ /^v/ { print name; inside = 0 }' |
  grep -v 'x86_64_v3::' | grep -v '__vector(4)' || true)"
if [ -n "$offenders" ]; then
  echo "AVX instructions outside the x86-64-v3 build in $program:" >&2
  echo "$offenders" >&2
  exit 1
fi
echo "no AVX instructions outside the x86-64-v3 build in $program"
