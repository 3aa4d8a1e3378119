#!/usr/bin/env bash
# Creates the build's Wine prefix once; later calls return at once.
# Usage: wine-prefix.sh PREFIX_DIR [MANAGED]
#   MANAGED Y lets a window manager decorate the windows (a user's display);
#   N (the default, for tests under Xvfb) keeps them unmanaged: with no window
#   manager, Wine otherwise waits up to two seconds for one whenever a window
#   goes away.
set -euo pipefail
mkdir -p "$1"
# Wine wants an absolute prefix path.
prefix="$(cd "$1" && pwd)"
managed="${2:-N}"
wine=/usr/lib/wine/wine64
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$prefix/system.reg" ] || [ ! -f "$prefix/.tavelin-ready" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    "$wine" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$prefix/.tavelin-ready"
fi

if [ ! -f "$prefix/.x11-managed-$managed" ]; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    rm -f "$prefix"/.x11-managed-*
    touch "$prefix/.x11-managed-$managed"
fi
