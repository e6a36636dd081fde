#!/usr/bin/env bash
# Sets up the machine, builds the program and the simulated HV unit and runs them.
# Every system path lies below ./run-root (or $VLF_ROOT): configuration, database,
# records, trace file, the GPIO tree of the safety circuit and the USB mount point.
# The unit presses its HV-on key by itself $VLF_HV_ON_KEY seconds (default 3) after a
# test's load-detection request; 0 leaves it to the command hvon. Ctrl-C stops both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
VLF_BUILD_TARGETS="vlf hvunit-sim" bash scripts/build.sh
BUILD_DIR="${VLF_BUILD_DIR:-build}"

export VLF_ROOT="${VLF_ROOT:-$PWD/run-root}"
bash scripts/prepare-root.sh "$VLF_ROOT"
# The window goes to the desktop's display; without one, to a virtual X server that does not
# start over when its last client leaves: the program's OpenGL probe is a client that leaves
# just as the program connects, and a server starting over drops that connection.
LAUNCH=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    LAUNCH=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")
fi
echo "File-system root: $VLF_ROOT"

SIM_OUT="$(mktemp)"
SIM_PID=""
VLF_PID=""

stop_all() {
    trap - INT TERM EXIT
    if [ -n "$VLF_PID" ]; then
        kill -TERM "$VLF_PID" 2>/dev/null || true
        wait "$VLF_PID" 2>/dev/null || true
    fi
    if [ -n "$SIM_PID" ]; then
        kill -TERM "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
    fi
    rm -f "$SIM_OUT"
}
trap 'stop_all; exit 0' INT TERM
trap stop_all EXIT

# Commands for the simulated unit (e.g. "breakdown", "hvon") go into this file.
"$BUILD_DIR/src/hvsim/hvunit-sim" --control "$VLF_ROOT/hvunit-sim.ctl" --root "$VLF_ROOT" \
    --hv-on-key "${VLF_HV_ON_KEY:-3}" >"$SIM_OUT" </dev/null &
SIM_PID=$!
for _ in $(seq 100); do
    [ -s "$SIM_OUT" ] && break
    sleep 0.1
done
PTY="$(head -n 1 "$SIM_OUT")"
# The terminal as the simulator holds it: gone with the simulator, so a program left
# running never reopens the terminal of a later simulator that was given the same number.
SERIAL_COMDEVICE=""
for fd in /proc/"$SIM_PID"/fd/*; do
    [ -n "$PTY" ] && [ "$(readlink "$fd")" = "$PTY" ] && SERIAL_COMDEVICE="$fd" && break
done
if [ -z "$SERIAL_COMDEVICE" ]; then
    echo "The simulated HV unit did not start" >&2
    exit 1
fi
export SERIAL_COMDEVICE
echo "Simulated HV unit: $SERIAL_COMDEVICE (control file $VLF_ROOT/hvunit-sim.ctl)"

"${LAUNCH[@]}" "$BUILD_DIR/src/app/vlf" "$@" &
VLF_PID=$!
set +e
wait "$VLF_PID"
rc=$?
set -e
VLF_PID=""
exit "$rc"
