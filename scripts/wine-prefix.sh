#!/usr/bin/env bash
# Creates the build's Wine prefix once; later calls return at once.
# Usage: wine-prefix.sh PREFIX_DIR [MANAGED]
#   MANAGED Y lets a window manager decorate the windows (a user's display);
#   N (the default, for tests under Xvfb) keeps them unmanaged: with no window
#   manager, Wine otherwise waits up to two seconds for one whenever a window
#   goes away.
# A prefix this script made carries .tavelin-prefix (older ones only
# .tavelin-ready). Only such a folder, or an empty one, is ever used; one
# that is unfinished is made again. Any other folder is refused, never deleted.
set -euo pipefail
managed="${2:-N}"
wine=/usr/lib/wine/wine64

if [ -e "$1" ] && { [ ! -d "$1" ] || { [ ! -f "$1/.tavelin-prefix" ] && [ ! -f "$1/.tavelin-ready" ] &&
    [ -n "$(ls -A "$1")" ]; }; }; then
    echo "wine-prefix.sh: $1 is not a Wine prefix made here; remove it or choose another folder" >&2
    exit 1
fi
mkdir -p "$1"
# Wine wants an absolute prefix path.
prefix="$(cd "$1" && pwd)"
touch "$prefix/.tavelin-prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$prefix/system.reg" ] || [ ! -f "$prefix/.tavelin-ready" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    touch "$prefix/.tavelin-prefix"
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

# Drive C: as the administrative share \\localhost\C$ that Windows offers, so
# that tests can name system folders through a share.
mkdir -p "$prefix/dosdevices/unc/localhost"
[ -L "$prefix/dosdevices/unc/localhost/c\$" ] || ln -s ../../c: "$prefix/dosdevices/unc/localhost/c\$"
