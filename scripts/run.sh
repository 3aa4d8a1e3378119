#!/usr/bin/env bash
# Runs build/tavelin.exe under Wine from a scratch folder that holds the exe
# and the example packages, as on a Windows without DIFx: the packages go
# through Wine's real device-installation API, onto one example device that
# sample-c.inf names. Afterwards it prints what changed in the system.
# With DIFX=standin the stand-in DIFXAPI.dll lies beside the exe instead, and
# its journal of the calls is printed.
# Without options it installs the examples' inflist.txt.
# Usage: [DIFX=standin] run.sh BUILD_DIR [tavelin options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"; shift || true
[ $# -gt 0 ] || set -- /i
mode="${DIFX:-native}"
# Every Wine command below runs on one display: the first one starts Wine's
# desktop, and a desktop started without a display has no windows at all.
if [ -z "${DISPLAY:-}" ]; then
    TAVELIN_VIRTUAL_DISPLAY=1 exec bash "$root/scripts/with-display.sh" bash "$0" "$build" "$@"
fi

# Decorated windows on a user's display, unmanaged ones on the virtual one.
# A prefix of its own: the example device and packages stay out of the tests'.
export TAVELIN_WINEPREFIX="$build/run-wineprefix"
bash "$root/scripts/wine-prefix.sh" "$TAVELIN_WINEPREFIX" "$([ -n "${TAVELIN_VIRTUAL_DISPLAY:-}" ] && echo N || echo Y)"
export WINEPREFIX="$TAVELIN_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;difxapi=n"
wine=/usr/lib/wine/wine64
folder="$build/run"
rm -rf "$folder"
mkdir -p "$folder"
cp "$build/tavelin.exe" "$root"/examples/* "$folder/"
[ "$mode" = standin ] && cp "$build/DIFXAPI.dll" "$folder/"

infdir="$WINEPREFIX/drive_c/windows/inf"
device='HKLM\System\CurrentControlSet\Enum\USB\VID_F055&PID_00AC\1'
if [ "$mode" != standin ]; then
    # A fresh start: no sample staged, one sample device without a driver.
    rm -f "$infdir"/sample-[abc].inf "$infdir"/sample-[abc].pnf
    "$wine" reg delete 'HKLM\System\CurrentControlSet\Enum\USB\VID_F055&PID_00AC' /f >/dev/null 2>&1 || true
    "$wine" reg add "$device" /v ClassGUID /d '{36fc9e60-c465-11cf-8056-444553540000}' /f >/dev/null 2>&1
    "$wine" reg add "$device" /v HardwareID /t REG_MULTI_SZ /d 'USB\VID_F055&PID_00AC' /f >/dev/null 2>&1
    "$wine" reg add "$device" /v DeviceDesc /d 'Example device, no driver yet' /f >/dev/null 2>&1
fi

cd "$folder"
if [ "$mode" = standin ]; then
    # The stand-in reads these; tavelin itself reads no environment variable.
    # A short pause per package keeps the progress dialog on screen a moment.
    export DIFXSTUB_JOURNAL=journal.txt
    export DIFXSTUB_DELAY_MS="${DIFXSTUB_DELAY_MS:-700}"
fi
echo "tavelin.exe $* (driver calls: $([ "$mode" = standin ] && echo 'stand-in DIFXAPI.dll' || echo "Windows' own device-installation API"))"
status=0
"$build/wine-run.sh" tavelin.exe "$@" || status=$?
echo "exit code: $status"

if [ "$mode" = standin ]; then
    echo "--- what DIFx was asked to do (stand-in journal) ---"
    if [ -f journal.txt ]; then cat journal.txt; else echo "(no call)"; fi
    exit 0
fi
echo "--- sample packages staged in C:\\windows\\inf ---"
ls "$infdir" | grep -i -E '^sample-[abc]\.inf$' || echo "(none)"
echo "--- the example device USB\\VID_F055&PID_00AC\\1 ---"
"$wine" reg query "$device" 2>/dev/null | tr -d '\r' | grep -E 'DeviceDesc|Driver|Class ' || echo "(removed)"
driver=$("$wine" reg query "$device" /v Driver 2>/dev/null | tr -d '\r' | awk '/Driver/{print $3}' || true)
if [ -n "$driver" ]; then
    "$wine" reg query "HKLM\\System\\CurrentControlSet\\Control\\Class\\$driver" 2>/dev/null | tr -d '\r' |
        grep -E 'InfPath|InfSection' | sed 's/^/    driver key: /'
fi
