#!/usr/bin/env bash
# Installs what is missing, builds, and starts the main program with
# simulated sensors inside a private network namespace.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/normal -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)"
bin=build/normal/bin
if [ ! -x "$bin/Quvix" ]; then
    echo "run-quvix: the Quvix program is not built yet; the measuring core and its tests are."
    exit 0
fi
exec bash scripts/isolate.sh bash scripts/start-with-simulators.sh "$bin"
