#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Throughput of a batch: 64 files of 10 s of speech, one core, CPU time, encoded by
# `veltrane-cli encode -j 1` with the files in the lanes of a batch encoder, by the same with
# --single-stream (one encoder per file, the encoder as a single input has it), and by
# `speexenc --wideband --quality 5 --comp 2` file by file (Debian package speex). Each runs in
# both encoder builds where they differ (VELTRANE_CODEC_BUILD=portable for the one for any
# x86-64). Interleaved rounds on core 0 after one warm-up of each; medians and ratios. Then the
# peak resident memory of one 5,000-file batch (hard links to the same 64 files).
#
#   bash bench/compare_batch.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
rounds="${2:-5}"
cli="$build/bin/veltrane-cli"
files=64
seconds=10

for tool in "$cli" speexenc sox taskset /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The speech the project holds, end to end, cut into 64 overlapping 10-second files.
sox "$root/tests/data/golden/speech_tremolo_40s.wav" "$root/tests/data/golden/speech_en.wav" \
  "$root/samples/speech.wav" "$work/all.wav"
total="$(soxi -D "$work/all.wav")"
mkdir "$work/in"
for ((i = 0; i < files; ++i)); do
  start="$(python3 -c "print(f'{($i * 0.77) % ($total - $seconds):.3f}')")"
  sox "$work/all.wav" "$work/in/s$(printf %02d "$i").wav" trim "$start" "$seconds"
done
inputs=("$work"/in/*.wav)

# CPU seconds (user + system) of one run on core 0.
cpu_of() {
  /usr/bin/time -f '%U %S' -o "$work/time" taskset -c 0 "$@" > /dev/null 2>&1
  awk '{ printf "%.3f\n", $1 + $2 }' "$work/time"
}
run_lanes() { rm -rf "$work/out"; cpu_of "$cli" encode -q -j 1 -d "$work/out" "${inputs[@]}"; }
run_single() {
  rm -rf "$work/out"
  cpu_of "$cli" encode -q -j 1 --single-stream -d "$work/out" "${inputs[@]}"
}
run_lanes_portable() { VELTRANE_CODEC_BUILD=portable run_lanes; }
run_single_portable() { VELTRANE_CODEC_BUILD=portable run_single; }
run_speex() {
  cpu_of bash -c 'for f; do speexenc --wideband --quality 5 --comp 2 "$f" "${f%.wav}.spx"; done' \
    speex "${inputs[@]}"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

kinds=(lanes single lanes_portable single_portable speex)
for kind in "${kinds[@]}"; do
  "run_$kind" > /dev/null
  : > "$work/$kind"
done
# The outputs of both ways are the same bytes.
run_lanes > /dev/null && mv "$work/out" "$work/lanes_out"
run_single > /dev/null
diff -r "$work/lanes_out" "$work/out" > /dev/null || { echo "lanes and single streams differ" >&2; exit 1; }

for ((r = 1; r <= rounds; ++r)); do
  line="round $r:"
  for kind in "${kinds[@]}"; do
    t="$("run_$kind")"
    echo "$t" >> "$work/$kind"
    line+=" $kind ${t} s"
  done
  echo "$line"
done

audio=$((files * seconds))
declare -A med
for kind in "${kinds[@]}"; do
  med[$kind]="$(median < "$work/$kind")"
done
awk -v l="${med[lanes]}" -v s="${med[single]}" -v lp="${med[lanes_portable]}" \
  -v sp="${med[single_portable]}" -v x="${med[speex]}" -v a="$audio" -v n="$files" 'BEGIN {
  printf "%d files, %d s of speech: medians of the rounds above (CPU s, core 0)\n", n, a
  printf "veltrane-cli encode -j 1 (lanes)              %.3f s  %6.1fx real time\n", l, a / l
  printf "veltrane-cli encode -j 1 --single-stream      %.3f s  %6.1fx real time\n", s, a / s
  printf "  the same, portable build: lanes             %.3f s  %6.1fx real time\n", lp, a / lp
  printf "  the same, portable build: --single-stream   %.3f s  %6.1fx real time\n", sp, a / sp
  printf "speexenc --wideband --quality 5 --comp 2      %.3f s  %6.1fx real time\n", x, a / x
  printf "per core: lanes %.2fx single streams (portable build %.2fx); lanes / speex %.2f\n", s / l, sp / lp, l / x
}'

# Peak memory of one batch of 5,000 files (links to the 64 above), every core.
mkdir "$work/many"
for ((i = 0; i < 5000; ++i)); do
  ln "${inputs[$((i % files))]}" "$work/many/f$(printf %04d "$i").wav"
done
rm -rf "$work/out"
/usr/bin/time -f '%M %e %U' -o "$work/time" "$cli" encode -q -d "$work/out" "$work"/many/*.wav
read -r peak wall user < "$work/time"
echo "5000 files (50000 s of audio), every core: peak resident memory ${peak} KiB, wall ${wall} s, user ${user} s"
