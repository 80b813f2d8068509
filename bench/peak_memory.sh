#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Peak resident memory of `veltrane-cli encode` (or `quality`) on a long file (default 30
# minutes of audio), and its speed. Usage: bench/peak_memory.sh [build-dir] [minutes] [verb]
set -euo pipefail
build=${1:-build/release}
minutes=${2:-30}
verb=${3:-encode}
cli="$build/bin/veltrane-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A long recording: the bundled speech repeated to the wanted length.
sox_repeats=$(( minutes * 60 / 4 ))
sox samples/speech.wav "$work/long.wav" repeat "$sox_repeats" trim 0 "$(( minutes * 60 ))"
bytes=$(stat -c %s "$work/long.wav")

case "$verb" in
  encode) run=("$cli" encode -q "$work/long.wav" -o "$work/long.wrm") ;;
  quality) run=("$cli" quality "$work/long.wav") ;;
  *) echo "verb: encode or quality" >&2; exit 1 ;;
esac
/usr/bin/time -f '%M %e %U' -o "$work/time" "${run[@]}" > "$work/out"
read -r peak_kib wall user < "$work/time"
audio=$(( minutes * 60 ))
echo "$verb: ${minutes} min of audio, $(( bytes / 1048576 )) MiB"
[ "$verb" = quality ] && cat "$work/out"
echo "peak resident memory: ${peak_kib} KiB"
echo "wall ${wall} s, user ${user} s: $(python3 -c "print(f'{$audio / max($wall, 1e-9):.1f}')") x real time"
