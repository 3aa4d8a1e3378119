#!/usr/bin/env bash
# Runs a command with an X display: the user's when DISPLAY is set, a virtual
# one (Xvfb) otherwise. Wine needs one for every window and dialog.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
