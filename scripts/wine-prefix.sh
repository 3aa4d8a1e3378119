#!/usr/bin/env bash
# Creates the build's Wine prefix once; later calls return at once.
# Usage: wine-prefix.sh PREFIX_DIR
set -euo pipefail
prefix="$1"
wine=/usr/lib/wine/wine64
[ -f "$prefix/system.reg" ] && [ -f "$prefix/.tavelin-ready" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
touch "$prefix/.tavelin-ready"
