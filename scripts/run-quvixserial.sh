#!/usr/bin/env bash
# Builds and starts the configuration tool QuvixSerial with a simulated USB
# sensor: the simulated libusb-0.1 goes first on the library path, which is
# the only difference from a run with a real sensor.
# Usage: scripts/run-quvixserial.sh [SIMULATOR_FOLDER]
#   Without a folder, a demonstration sensor is made in a temporary folder.
#   Under a display-less session, run it as: xvfb-run -a scripts/run-quvixserial.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/normal -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j 4 --target QuvixSerial usbsensor_sim

folder=${1:-}
if [ -z "$folder" ]; then
    folder=$(mktemp -d)
    trap 'rm -rf "$folder"' EXIT
    cat >"$folder/01-demo.sensor" <<'SENSOR'
serial=QX20231
type=Renu V5.16
identity=QX20231
rows=13560000:5:1,27120000:3:0
preset=demo
SENSOR
    touch "$folder/01-demo.present"
fi
echo "run-quvixserial: simulated sensors in $folder (remove a .present file to pull its cable)"
export QUVIX_USB_SIM_DIR=$folder
export LD_LIBRARY_PATH=$root/build/normal/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
build/normal/bin/QuvixSerial
