#!/bin/sh
# cmake --install into a fresh prefix puts veltrane-cli and its manual page there; the
# installed program converts the sample from a pipe as the built one does from the file.
set -eu
build=$1
golden=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/veltrane-cli share/man/man1/veltrane-cli.1.gz; do
  test -f "$prefix/$f" || { echo "missing: $f"; exit 1; }
done
# The page is roff that man renders, with the name and the options.
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/veltrane-cli.1.gz" 2>&1)
for word in "veltrane-cli -" "--recursive" "--shard" "--files-from" "EXIT STATUS"; do
  echo "$page" | grep -q -- "$word" || { echo "manual page lacks: $word"; exit 1; }
done
"$prefix/bin/veltrane-cli" encode --help | grep -q "Examples:"
"$prefix/bin/veltrane-cli" encode - -o - < "$golden/speech_en.wav" > "$prefix/piped.wrm"
cmp "$prefix/piped.wrm" "$golden/speech_en.wrm"
echo "installed veltrane-cli and its manual page work"
