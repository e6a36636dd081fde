#!/usr/bin/env bash
# Sets up the machine, builds and runs the program on this machine against the
# simulated HV unit. Every system path lies below ./run-root (configuration, database,
# records, trace file, and the folder media/USB that stands for the USB stick).
# Ctrl-C stops the program and the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
BUILD_DIR="${VLF_BUILD_DIR:-build}"

export VLF_ROOT="${VLF_ROOT:-$PWD/run-root}"
# The window goes to the desktop's display; without one, to a virtual X server.
LAUNCH=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    LAUNCH=(xvfb-run -a)
fi
mkdir -p "$VLF_ROOT/media"
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

# Commands for the simulated unit (e.g. "breakdown", "error 80") go into this file.
"$BUILD_DIR/src/hvsim/hvunit-sim" --control "$VLF_ROOT/hvunit-sim.ctl" >"$SIM_OUT" </dev/null &
SIM_PID=$!
for _ in $(seq 100); do
    [ -s "$SIM_OUT" ] && break
    sleep 0.1
done
SERIAL_COMDEVICE="$(head -n 1 "$SIM_OUT")"
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
