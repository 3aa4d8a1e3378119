#!/bin/bash
# CI's checks of the ARM64 build, after `make test` and `make arm64`: the PE
# check of the exe against the x64 one, its size, and a second build from
# another folder that must give the same bytes.
# Usage: check-arm64.sh X64_BUILD ARM64_BUILD JOBS
set -euo pipefail
cd "$(dirname "$0")/.."
x64=${1:-build}
arm64=${2:-build-arm64}
jobs=${3:-2}
max_size=$((192 * 1024))

python3 scripts/pe-check.py --machine 0xAA64 --manifest res/tavelin.manifest "$arm64/tavelin.exe" "$x64/tavelin.exe"

size=$(stat -c %s "$arm64/tavelin.exe")
echo "check-arm64: tavelin.exe for ARM64 is $size bytes ($((size / 1024)) KiB; at most $((max_size / 1024)) KiB)"
[ "$size" -le "$max_size" ] || { echo "check-arm64: the ARM64 exe is too large" >&2; exit 1; }

# The same commit from another folder, built into another folder.
other=$(mktemp -d)
trap 'rm -rf "$other"' EXIT
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$other"
make -C "$other" arm64 BUILD_ARM64="$other/out" JOBS="$jobs" >/dev/null
for file in tavelin.exe DIFXAPI.dll; do
    cmp "$arm64/$file" "$other/out/$file" \
        || { echo "check-arm64: two builds of $file differ" >&2; exit 1; }
done
echo "check-arm64: two ARM64 builds from different folders are byte-identical"
