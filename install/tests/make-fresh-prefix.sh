#!/usr/bin/env bash
# make-fresh-prefix.sh DIR: a new 32-bit Wine prefix that no program has run
# in yet, from which every installer case takes its own copy. Made once and
# kept while it is complete.
set -euo pipefail
export WINEPREFIX=${1:?prefix dir}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -f "$WINEPREFIX/.complete" ] && exit 0
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
# No display and no inherited pipes: the server outlives wineboot.
DISPLAY= wineboot -i </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
touch "$WINEPREFIX/.complete"
