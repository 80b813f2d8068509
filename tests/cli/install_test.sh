#!/bin/sh
# SPDX-License-Identifier: BSD-3-Clause
# cmake --install into a fresh prefix puts veltrane-cli and its manual page there; the
# installed program converts the sample from a pipe as the built one does from the file.
set -eu
golden=$2
. "$(dirname "$0")/../support/install_prefix.sh"
require_installed bin/veltrane-cli share/man/man1/veltrane-cli.1.gz
# The page is roff that man renders, with the name and the options.
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/veltrane-cli.1.gz" 2>&1)
for word in "veltrane-cli -" "--recursive" "--shard" "--files-from" "EXIT STATUS"; do
  echo "$page" | grep -q -- "$word" || { echo "manual page lacks: $word"; exit 1; }
done
"$prefix/bin/veltrane-cli" encode --help | grep -q "Examples:"
"$prefix/bin/veltrane-cli" encode - -o - < "$golden/speech_en.wav" > "$prefix/piped.wrm"
cmp "$prefix/piped.wrm" "$golden/speech_en.wrm"
echo "installed veltrane-cli and its manual page work"
