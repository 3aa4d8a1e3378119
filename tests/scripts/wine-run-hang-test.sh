#!/usr/bin/env bash
# wine-run.sh with a program that hangs: what the program wrote shows while it
# still runs, and stopping wine-run.sh as a time-out does ends with 124.
# Usage: wine-run-hang-test.sh WINE_RUN_SH PROGRAM
set -uo pipefail
wine_run="$1"
program="$2"
marker="written before the hang"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT

"$wine_run" "$program" >"$out" 2>&1 &
runner=$!
seen=no
for _ in $(seq 300); do
    if grep -q "$marker" "$out"; then
        seen=yes
        break
    fi
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
done
running=no
kill -0 "$runner" 2>/dev/null && running=yes
kill -TERM "$runner" 2>/dev/null
status=0
wait "$runner" || status=$?

failures=0
[ "$running" = yes ] || { echo "FAIL: wine-run.sh ended before it was stopped"; failures=$((failures + 1)); }
[ "$seen" = yes ] || { echo "FAIL: nothing of the program's output showed while it ran"; failures=$((failures + 1)); }
[ "$status" -eq 124 ] || { echo "FAIL: stopped wine-run.sh ended with $status, not 124"; failures=$((failures + 1)); }
echo "--- what wine-run.sh printed:"
cat "$out"
exit $((failures > 0))
