#!/usr/bin/env bash
# scripts/pe-check.py, which CI runs on the ARM64 exe, against the x64 exe and
# copies of it with one planted fault each: it passes the exe as built (for
# its own machine) and fails each fault, naming it.
# Usage: pe-check-test.sh PE_CHECK_PY EXE MANIFEST
set -uo pipefail
check="$1"
exe="$2"
manifest="$3"
dll="$4"
test_program="$5"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# expect PASS|FAIL TEXT ARGS...: runs the check and looks for TEXT in its output.
expect() {
    local want="$1" text="$2" out rc
    shift 2
    out="$(python3 "$check" "$@" 2>&1)"
    rc=$?
    if { [ "$want" = PASS ] && [ $rc -ne 0 ]; } || { [ "$want" = FAIL ] && [ $rc -eq 0 ]; } ||
        ! grep -qF -- "$text" <<<"$out"; then
        echo "expected $want with \"$text\" for: $*"
        echo "$out"
        failures=$((failures + 1))
    fi
}

# patch FILE OFFSET HEXBYTES: a copy of the exe with bytes replaced.
patch() {
    cp "$exe" "$1"
    printf "$(sed 's/../\\x&/g' <<<"$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
pe=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); print(struct.unpack_from("<I",d,0x3C)[0])' "$exe")

expect PASS "machine 0x8664, GUI" --machine 0x8664 --manifest "$manifest" "$exe" "$exe"
expect FAIL "machine 0x8664, not 0xAA64" --machine 0xAA64 --manifest "$manifest" "$exe" "$exe"
patch "$work/stamp.exe" $((pe + 8)) 01020304
expect FAIL "link timestamp 0x04030201, not zero" --machine 0x8664 --manifest "$manifest" "$work/stamp.exe" "$exe"
patch "$work/console.exe" $((pe + 24 + 68)) 0300
expect FAIL "subsystem 3, not the GUI subsystem" --machine 0x8664 --manifest "$manifest" "$work/console.exe" "$exe"
printf '<assembly/>' >"$work/other.manifest"
expect FAIL "the manifest differs" --machine 0x8664 --manifest "$work/other.manifest" "$exe" "$exe"
expect FAIL "has an export table" --machine 0x8664 --manifest "$manifest" "$dll" "$exe"
expect FAIL "no version resource" --machine 0x8664 --manifest "$manifest" "$dll" "$exe"
expect FAIL "imports difxapi.dll, which Windows may look for beside the exe" \
    --machine 0x8664 --manifest "$manifest" "$test_program" "$exe"
printf 'MZ' >"$work/garbage.exe"
expect FAIL "cannot be read as a PE image" --machine 0x8664 --manifest "$manifest" "$work/garbage.exe" "$exe"

[ $failures -eq 0 ] && echo "pe-check: every case as expected"
exit $((failures > 0))
