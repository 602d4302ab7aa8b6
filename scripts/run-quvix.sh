#!/usr/bin/env bash
# Installs what is missing, builds, and starts the main program with the
# simulated sensors that exist, inside a private network namespace (its
# sensor handler broadcasts discovery as soon as it starts; the namespace
# keeps that on this machine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/normal -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)"
bin=$root/build/normal/bin
if [ ! -x "$bin/Quvix" ]; then
    echo "run-quvix: the Quvix program was not built (see the build output above)." >&2
    exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat <<MSG
run-quvix: Quvix is built ($bin/Quvix), but there is no display to show its
window on (neither DISPLAY nor WAYLAND_DISPLAY is set). Start it from a
desktop session, or on a virtual screen:
    xvfb-run -a bash scripts/run-quvix.sh
MSG
    exit 0
fi

exec bash scripts/isolate.sh bash scripts/start-with-simulators.sh "$bin"
