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

# USB: the stand-in driver library libquvix3.so lies beside Quvix, which
# loads it by name; it presents the sensors of QUVIX3_SIM_CONFIG, else of
# quvix3-sim.conf beside it, else one default sensor (QVXSIM0001, 13.56 MHz).
if [ -e "$bin/libquvix3.so" ]; then
    if [ -n "${QUVIX3_SIM_CONFIG:-}" ]; then
        echo "start-with-simulators: stand-in USB driver with the sensors of $QUVIX3_SIM_CONFIG"
    elif [ -e "$bin/quvix3-sim.conf" ]; then
        echo "start-with-simulators: stand-in USB driver with the sensors of $bin/quvix3-sim.conf"
    else
        echo "start-with-simulators: stand-in USB driver with its default simulated sensor QVXSIM0001"
    fi
else
    echo "start-with-simulators: no stand-in USB driver built; no USB sensors"
fi

# Network: one simulated network sensor on http://192.0.2.2/ that answers
# discovery; Quvix opens it once its address is remembered under
# "NetworkSensors" (the network sensor library loaded beside Quvix).
if [ -x "$bin/quvix-sensor-sim" ]; then
    "$bin/quvix-sensor-sim" --address 192.0.2.2 --port 80 --serial QXSIMNET01 --discovery \
        --frequencies 13.56 --harmonics 5 --load 50,0 >/dev/null 2>&1 &
    simulators+=($!)
    echo "start-with-simulators: simulated network sensor QXSIMNET01 on http://192.0.2.2/ (answers discovery)"
else
    echo "start-with-simulators: no simulated network sensor built"
fi

"$bin/Quvix"
