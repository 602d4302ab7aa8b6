#!/usr/bin/env bash
# run-on-screen.sh PROGRAM [ARGS...]
# Runs a test program on a virtual screen (Xvfb) with the X11 platform, so
# its windows are shown, mapped and painted as on a desktop; the shared test
# main then keeps that platform instead of the offscreen one. Skips (77)
# where xvfb-run is missing.
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
    echo "run-on-screen: xvfb-run is missing; skipped"
    exit 77
fi
export QUVIX_ON_SCREEN=1 QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1400x1000x24" "$@"
