#!/usr/bin/env bash
# start-with-simulators.sh BIN_DIR
# Runs inside the private network namespace (scripts/isolate.sh): starts the
# simulated sensors that are built, then Quvix from BIN_DIR, and stops the
# simulators when Quvix ends.
set -euo pipefail
bin=$1
if [ "${NETLAB:-}" != 1 ]; then
    echo "start-with-simulators: refusing to start Quvix outside the private network namespace" >&2
    exit 1
fi

simulators=()
cleanup() {
    for pid in "${simulators[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# The simulated sensors are added here as they are built (the stand-in USB
# driver library beside Quvix, the simulated network sensor on 192.0.2.2).
echo "start-with-simulators: no simulated sensors are built yet; Quvix shows \"Disconnected\""

"$bin/Quvix"
