#!/usr/bin/env bash
# wine-prefix.sh refuses a folder it did not make and leaves it as it was.
# Usage: wine-prefix-test.sh WINE_PREFIX_SH
set -uo pipefail
script="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0

expect_refused() {
    local what="$1" path="$2"
    if bash "$script" "$path" >"$scratch/out" 2>&1; then
        echo "FAIL: $what was accepted as a prefix"
        failures=$((failures + 1))
    elif ! grep -q "not a Wine prefix made here" "$scratch/out"; then
        echo "FAIL: $what was refused without saying why:"
        cat "$scratch/out"
        failures=$((failures + 1))
    fi
}

# Somebody's folder: files, a subfolder, no marker.
mkdir -p "$scratch/theirs/sub"
echo keep >"$scratch/theirs/notes.txt"
echo keep >"$scratch/theirs/sub/data.bin"
expect_refused "a folder with someone's files" "$scratch/theirs"
[ "$(cat "$scratch/theirs/notes.txt" 2>/dev/null)" = keep ] && [ -f "$scratch/theirs/sub/data.bin" ] ||
    { echo "FAIL: the folder's files are gone"; failures=$((failures + 1)); }
[ ! -e "$scratch/theirs/.tavelin-prefix" ] || { echo "FAIL: the folder was marked as ours"; failures=$((failures + 1)); }

# Something that looks like a prefix, but not one of ours.
mkdir -p "$scratch/other-prefix/drive_c"
touch "$scratch/other-prefix/system.reg"
expect_refused "another Wine prefix" "$scratch/other-prefix"
[ -f "$scratch/other-prefix/system.reg" ] || { echo "FAIL: the other prefix was touched"; failures=$((failures + 1)); }

# A file where the prefix should be.
echo keep >"$scratch/a-file"
expect_refused "a file" "$scratch/a-file"
[ "$(cat "$scratch/a-file")" = keep ] || { echo "FAIL: the file changed"; failures=$((failures + 1)); }

[ $failures -eq 0 ] && echo "wine-prefix.sh refused every foreign folder and kept it"
exit $((failures > 0))
