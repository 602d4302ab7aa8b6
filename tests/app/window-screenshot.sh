#!/usr/bin/env bash
# window-screenshot.sh BIN_DIR OUT_PNG
# Starts Quvix on a virtual screen (Xvfb) with the simulated sensors that are
# built, waits for its main window to be mapped, and keeps a screenshot of the
# screen as a test artifact. Fails when the window does not appear.
# Runs only inside the private network namespace: Quvix broadcasts discovery.
set -euo pipefail
bin=$1
out=$2
if [ "${NETLAB:-}" != 1 ]; then
    echo "window-screenshot: needs the private network namespace (scripts/isolate.sh); skipped"
    exit 77
fi
for tool in xvfb-run xwininfo import; do
    if ! command -v "$tool" >/dev/null; then
        echo "window-screenshot: $tool is missing; skipped"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")" "$work/home" "$work/config" "$work/tmp"

cat >"$work/inside.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
bin=$1
out=$2
"$bin/Quvix" &
quvix=$!
deadline=$((SECONDS + 60))
until xwininfo -root -tree 2>/dev/null | grep -q '"Quvix"'; do
    if ! kill -0 "$quvix" 2>/dev/null; then
        echo "window-screenshot: Quvix ended before its window appeared" >&2
        exit 1
    fi
    if [ $SECONDS -ge $deadline ]; then
        echo "window-screenshot: no Quvix window within 60 s" >&2
        kill "$quvix"
        exit 1
    fi
    sleep 0.2
done
# Let the first sensor poll and the first paint happen before the picture.
sleep 3
import -window root "$out"
kill "$quvix"
wait "$quvix" || true
INNER

# A private home, settings and temporary folder: the user's settings, crash
# folder and single-instance key stay untouched.
HOME=$work/home XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp \
    xvfb-run -a -s "-screen 0 1400x1000x24" bash "$work/inside.sh" "$bin" "$out"
test -s "$out"
echo "window-screenshot: kept $out"
