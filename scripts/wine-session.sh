#!/usr/bin/env bash
# Runs a command (the test suite) inside one Wine session of a build's prefix.
# Wine's own background processes (services, device manager, desktop) are
# started here with their output detached: started by the first test program
# instead, they would inherit its output pipe and ctest would wait for them.
# Usage: wine-session.sh PREFIX_DIR COMMAND...
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/wine-prefix.sh" "$1" N || exit 1
export WINEPREFIX="$(cd "$1" && pwd)" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
/usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
# The desktop process, which the first program with a window would start.
/usr/lib/wine/wine64 explorer.exe /desktop </dev/null >/dev/null 2>&1 &
sleep 1
status=0
"$@" || status=$?
/usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1
exit $status
