#!/bin/sh
# SPDX-License-Identifier: BSD-3-Clause
# cmake --install puts the program, its desktop entry and its icons where a desktop finds
# them with its manual page, and the entry passes desktop-file-validate.
set -eu
validate=$2
. "$(dirname "$0")/../support/install_prefix.sh"
require_installed bin/veltrane share/applications/veltrane.desktop \
  share/icons/hicolor/32x32/apps/veltrane.png share/icons/hicolor/16x16/apps/veltrane.png \
  share/icons/hicolor/scalable/apps/veltrane.svg share/man/man1/veltrane.1.gz
"$validate" "$prefix/share/applications/veltrane.desktop"
"$prefix/bin/veltrane" --version
