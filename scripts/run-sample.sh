#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs what is needed, builds, and runs the main job: the dialog when a display is there,
# otherwise the command-line conversion of the bundled speech sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only the two programs: the tests and benchmarks are built by scripts/test.sh.
bash scripts/build.sh veltrane veltrane-cli
bin=build/release/bin
out=${VELTRANE_SAMPLE_OUT:-/tmp/veltrane-sample}
mkdir -p "$out"

if "$bin/veltrane" --check-display 2>/dev/null; then
  echo "== starting the Veltrane dialog: click Compress and pick samples/speech.wav"
  exec "$bin/veltrane"
fi
echo "No display here: running the command-line sample instead."

echo "== veltrane-cli check samples/speech.wav"
"$bin/veltrane-cli" check samples/speech.wav
echo "== veltrane-cli encode samples/speech.wav -o $out/speech.wrm"
"$bin/veltrane-cli" encode -f samples/speech.wav -o "$out/speech.wrm"
echo "== veltrane-cli decode -f $out/speech.wrm"
"$bin/veltrane-cli" decode -f "$out/speech.wrm"
echo "== veltrane-cli quality samples/speech.wav"
"$bin/veltrane-cli" quality samples/speech.wav
echo
echo "Listen to what the encoder kept: $out/speech.decoded.wav (the original is samples/speech.wav)."
