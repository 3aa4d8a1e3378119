#!/usr/bin/env bash
# Runs build/tavelin.exe under Wine with the given options.
set -euo pipefail
build="${1:-build}"; shift || true
bash scripts/wine-prefix.sh "$build/wineprefix"
exec bash scripts/with-display.sh "$build/wine-run.sh" "$build/tavelin.exe" "$@"
