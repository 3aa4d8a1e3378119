#!/usr/bin/env bash
# Takes the README's screenshots of the usage dialog, of the progress dialog
# and of /v's results dialog: the real program under Wine on a virtual
# display (Xvfb).
# Usage: screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$root/docs}"
mkdir -p "$out"

# xwd reads a window, ImageMagick turns it into a PNG.
if ! command -v xwd >/dev/null || [ ! -x /usr/bin/convert ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends x11-apps imagemagick >/dev/null
fi

bash "$root/scripts/wine-prefix.sh" "$build/wineprefix" N
folder="$build/shots"
rm -rf "$folder"; mkdir -p "$folder"
cp "$build/tavelin.exe" "$build/DIFXAPI.dll" "$root"/examples/* "$folder/"
cd "$folder"

display=:73
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; WINEPREFIX="$build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
export DISPLAY="$display"
sleep 1

shoot() { # window name, output file
    for _ in $(seq 1 100); do
        if xwd -silent -name "$1" > shot.xwd 2>/dev/null; then
            /usr/bin/convert xwd:shot.xwd "$2"
            echo "wrote $2"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$1'" >&2
    return 1
}

"$build/wine-run.sh" tavelin.exe &
app=$!
sleep 1
shoot "Tavelin - Usage Help" "$out/usage-dialog.png"
kill $app 2>/dev/null || true
WINEPREFIX="$build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true

DIFXSTUB_DELAY_MS=1500 "$build/wine-run.sh" tavelin.exe /i &
app=$!
sleep 2.4
shoot "Dialog" "$out/progress-dialog.png"
wait $app || true
WINEPREFIX="$build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true

# /v of a small bundle list: a good signed package, one signed by an untrusted
# publisher and one with a file changed after signing. The packages and the
# trust in their test root come from make test, which must have run first.
packages="$build/tests/verify-packages"
mkdir -p bundle
cp -r "$packages/good" "$packages/untrusted" bundle/
cp -r "$packages/good" bundle/changed
printf '!' >> bundle/changed/pkg.sys
printf ';inflist\r\nbundle\\good\\pkg.inf\r\nbundle\\untrusted\\pkg.inf\r\nbundle\\changed\\pkg.inf\r\n' > bundle.txt
"$build/wine-run.sh" tavelin.exe /v /l bundle.txt &
app=$!
# The results dialog comes once the checks are done; it must be drawn.
sleep 5
shoot "Tavelin - Driver Package Check" "$out/verify-results.png"
kill $app 2>/dev/null || true
