#!/usr/bin/env bash
# quvixserial-screenshot.sh BIN_DIR SIM_LIBRARY_DIR OUT_PNG
# Starts QuvixSerial on a virtual screen (Xvfb) with one simulated USB
# sensor, waits until it has opened the sensor and keeps a screenshot as a
# test artifact. Fails when the window does not appear or never opens the
# sensor.
set -euo pipefail
bin=$1
simlib=$2
out=$3
for tool in xvfb-run xwininfo import; do
    if ! command -v "$tool" >/dev/null; then
        echo "quvixserial-screenshot: $tool is missing; skipped"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")" "$work/sim" "$work/locks" "$work/home"
cat >"$work/sim/01-demo.sensor" <<'SENSOR'
serial=QX20231
type=Renu V5.16
rows=13560000:5:1,27120000:3:0
preset=demo
SENSOR
touch "$work/sim/01-demo.present"

cat >"$work/inside.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
bin=$1
out=$2
sim=$3
"$bin/QuvixSerial" >"$sim/../stdout.txt" 2>&1 &
tool=$!
deadline=$((SECONDS + 60))
info_requests() { grep -c ' i $' "$sim/commands.log" 2>/dev/null || echo 0; }
# The window is up and the poll has asked the open sensor for its info again.
until xwininfo -root -tree 2>/dev/null | grep -q '"Sensor Configuration Tool"' &&
      [ "$(info_requests | head -1)" -ge 3 ]; do
    if ! kill -0 "$tool" 2>/dev/null; then
        echo "quvixserial-screenshot: QuvixSerial ended early" >&2
        cat "$sim/../stdout.txt" >&2
        exit 1
    fi
    if [ $SECONDS -ge $deadline ]; then
        echo "quvixserial-screenshot: no window with an open sensor within 60 s" >&2
        kill "$tool"
        exit 1
    fi
    sleep 0.2
done
sleep 1
import -window root "$out"
kill "$tool"
wait "$tool" || true
INNER

HOME=$work/home QUVIX_USB_SIM_DIR=$work/sim QUVIX_LOCK_DIR=$work/locks LD_LIBRARY_PATH=$simlib \
    xvfb-run -a -s "-screen 0 420x540x24" bash "$work/inside.sh" "$bin" "$out" "$work/sim"
test -s "$out"
# The sensor's last command is the normal-mode and resync pair of a clean close.
tail -2 "$work/sim/commands.log" | cut -d' ' -f3 | tr -d '\n' | grep -qx 'N\*'
echo "quvixserial-screenshot: kept $out"
