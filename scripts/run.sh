#!/usr/bin/env bash
# Runs build/tavelin.exe under Wine from a scratch folder that holds the exe,
# the stand-in DIFXAPI.dll and the example packages, then prints what the
# stand-in recorded. Without options it installs the examples' inflist.txt.
# Usage: run.sh BUILD_DIR [tavelin options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"; shift || true
[ $# -gt 0 ] || set -- /i

# Decorated windows on a real display, unmanaged ones on the virtual one.
bash "$root/scripts/wine-prefix.sh" "$build/wineprefix" "$([ -n "${DISPLAY:-}" ] && echo Y || echo N)"
folder="$build/run"
rm -rf "$folder"
mkdir -p "$folder"
cp "$build/tavelin.exe" "$build/DIFXAPI.dll" "$root"/examples/* "$folder/"

cd "$folder"
# The stand-in reads these; tavelin itself reads no environment variable.
# A short pause per package keeps the progress dialog on screen a moment.
export DIFXSTUB_JOURNAL=journal.txt
export DIFXSTUB_DELAY_MS="${DIFXSTUB_DELAY_MS:-700}"
echo "tavelin.exe $*"
status=0
bash "$root/scripts/with-display.sh" "$build/wine-run.sh" tavelin.exe "$@" || status=$?
echo "exit code: $status"
echo "--- what DIFx was asked to do (stand-in journal) ---"
if [ -f journal.txt ]; then cat journal.txt; else echo "(no call)"; fi
