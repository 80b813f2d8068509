#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Encoder speed against wideband Speex on the same speech, one core, CPU time.
#
#   bash bench/compare_speex.sh [BUILD_DIR] [ROUNDS]
#
# Builds 324 s of speech by repeating the bundled sample, then runs `veltrane-cli encode` and
# `speexenc --wideband --quality 5 --comp 2` (Debian package speex) interleaved on core 0:
# one warm-up of each, then ROUNDS rounds (default 5). Prints each round's user+system CPU
# seconds, the medians, x real time and the ratio veltrane / speex (below 1: Veltrane faster).
# Veltrane runs twice a round: with the encoder build it picks itself (x86-64-v3 where the
# processor has it) and with VELTRANE_CODEC_BUILD=portable, the build for any x86-64.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
rounds="${2:-5}"
cli="$build/bin/veltrane-cli"
seconds=324

for tool in "$cli" speexenc sox taskset /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
input="$work/speech_324s.wav"
sample_seconds="$(soxi -D "$root/samples/speech.wav")"
repeats="$(python3 -c "import math; print(math.ceil($seconds / $sample_seconds))")"
sox "$root/samples/speech.wav" "$input" repeat "$repeats" trim 0 "$seconds"

# CPU seconds (user + system) of one run on core 0.
cpu_of() {
  /usr/bin/time -f '%U %S' -o "$work/time" taskset -c 0 "$@" > /dev/null 2>&1
  awk '{ printf "%.3f\n", $1 + $2 }' "$work/time"
}
run_veltrane() { cpu_of "$cli" encode -q -f -j 1 -o "$work/out.wrm" "$input"; }
run_portable() { VELTRANE_CODEC_BUILD=portable run_veltrane; }
run_speex() { cpu_of speexenc --wideband --quality 5 --comp 2 "$input" "$work/out.spx"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run_veltrane > /dev/null
run_portable > /dev/null
run_speex > /dev/null
: > "$work/veltrane"
: > "$work/portable"
: > "$work/speex"
for ((r = 1; r <= rounds; ++r)); do
  v="$(run_veltrane)"
  p="$(run_portable)"
  s="$(run_speex)"
  echo "$v" >> "$work/veltrane"
  echo "$p" >> "$work/portable"
  echo "$s" >> "$work/speex"
  echo "round $r: veltrane-cli encode ${v} s, portable build ${p} s, speexenc ${s} s"
done

mv_="$(median < "$work/veltrane")"
mp_="$(median < "$work/portable")"
ms_="$(median < "$work/speex")"
awk -v v="$mv_" -v p="$mp_" -v s="$ms_" -v t="$seconds" 'BEGIN {
  printf "%d s of speech, %s: medians of the rounds above (CPU s, core 0)\n", t, "one warm-up each"
  printf "veltrane-cli encode                           %.3f s  %6.1fx real time\n", v, t / v
  printf "veltrane-cli encode, portable build           %.3f s  %6.1fx real time\n", p, t / p
  printf "speexenc --wideband --quality 5 --comp 2      %.3f s  %6.1fx real time\n", s, t / s
  printf "ratio veltrane / speex                        %.2f (speex / veltrane %.2f)\n", v / s, s / v
  printf "ratio portable build / speex                  %.2f\n", p / s
}'
