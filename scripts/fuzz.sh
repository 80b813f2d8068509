#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from its seed corpus in
# fuzz/corpus. New inputs go to build/fuzz/corpus, crashing ones to build/fuzz/artifacts.
# Usage: bash scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh fuzz
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake --preset fuzz "${launcher[@]}" >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

# target:seed folder:largest input in bytes
targets=(
  fuzz_wav_header:wav_header:4096
  fuzz_decode_frames:decode:9000
  fuzz_decode_file:decode:9000
  fuzz_encoder:encoder:3840
  fuzz_encode_file:encode_file:4096
  fuzz_convert_file:convert_file:8192
)
# Leaks found inside the format libraries (not ours) are suppressed by name, each with its reason.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
passed=0
failed=0
for entry in "${targets[@]}"; do
  IFS=: read -r name seeds maxlen <<<"$entry"
  corpus=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts
  log=build/fuzz/$name.log
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: ${seconds} s from fuzz/corpus/$seeds"
  if build/fuzz/bin/"$name" -max_total_time="$seconds" -max_len="$maxlen" -timeout=30 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$corpus" "fuzz/corpus/$seeds" \
    >"$log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" | tr '\n' ' '
    echo "corpus: $(ls "$corpus" | wc -l) inputs"
  else
    failed=$((failed + 1))
    echo "$name FAILED; the end of its log ($log):"
    tail -n 60 "$log"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
