#!/usr/bin/env bash
# Start-up stress, run by hand: starts the program again and again against the simulated
# HV unit, each below a fresh root, until it reaches Idle, and stops it with SIGTERM.
# A start that is not in Idle within 20 s gets a stack dump of every thread (gdb) and
# must still end within 5 s of SIGTERM with the HV-enable line low.
#
#   tests/app/stress_startup.sh [-n starts] [-j parallel] [-m offscreen|xvfb|both] [-l busy loops]
#
# Figures and dumps go to $STRESS_OUT (default /tmp/vlf-startup-stress); VLF_BINARY names
# another program file than the build's.
set -uo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR="${VLF_BUILD_DIR:-build}"
VLF="${VLF_BINARY:-$PWD/$BUILD_DIR/src/app/vlf}"
SIM="$PWD/$BUILD_DIR/src/hvsim/hvunit-sim"
OUT="${STRESS_OUT:-/tmp/vlf-startup-stress}"
STARTS=300 PARALLEL=3 MODE=both LOAD=0 IDLE_LIMIT=20 STOP_LIMIT=5
while getopts "n:j:m:l:" opt; do
    case "$opt" in
        n) STARTS="$OPTARG" ;;
        j) PARALLEL="$OPTARG" ;;
        m) MODE="$OPTARG" ;;
        l) LOAD="$OPTARG" ;;
        *) exit 2 ;;
    esac
done
[ -x "$VLF" ] && [ -x "$SIM" ] || { echo "build vlf and hvunit-sim first" >&2; exit 2; }
if [ -n "${LD_PRELOAD:-}" ]; then
    echo "LD_PRELOAD is set ($LD_PRELOAD): the figures would not be the program's own" >&2
    exit 2
fi
mkdir -p "$OUT"
: >"$OUT/results.txt"

LOADERS=()
stop_loaders() {
    for p in "${LOADERS[@]}"; do kill "$p" 2>/dev/null; done
}
trap stop_loaders EXIT
for _ in $(seq "$LOAD"); do
    ( while :; do :; done ) &
    LOADERS+=("$!")
done

# Every thread's stack of a process into $OUT/<name>.txt.
dump() { gdb -p "$1" -batch -ex "set pagination off" -ex "thread apply all bt" >"$OUT/$2.txt" 2>&1; }
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

# One start: "<n> <mode> idle|HUNG|DIED|NODISPLAY <ms to Idle> stopped|NOSTOP <ms to end>
# line <last value written to HV enable, none when never written>".
one_start() {
    local n="$1" mode="$2"
    local root
    root="$(mktemp -d /tmp/vlf-stress.XXXXXX)"
    bash scripts/prepare-root.sh "$root" >/dev/null
    "$SIM" --root "$root" --hv-on-key 0 >"$root/sim.out" 2>/dev/null </dev/null &
    local sim=$!
    local tty=""
    for _ in $(seq 100); do
        tty="$(head -n 1 "$root/sim.out" 2>/dev/null)"
        [ -n "$tty" ] && break
        sleep 0.1
    done
    local launch=()
    if [ "$mode" = xvfb ]; then
        # A server number per start: parallel xvfb-run -a would race for the same one.
        launch=(xvfb-run -a -n "$((200 + n))")
    fi
    local start_ns
    start_ns="$(date +%s%N)"
    env VLF_ROOT="$root" SERIAL_COMDEVICE="$tty" QT_QPA_PLATFORM="$([ "$mode" = xvfb ] && echo xcb || echo offscreen)" \
        "${launch[@]}" sh -c 'echo $$ >"$0/vlf.pid"; exec "$1" >"$0/vlf.out" 2>&1' "$root" "$VLF" &
    local wrapper=$!
    local pid=""
    local trace="$root/home/root/mappedPaths/appdata/trace"
    local state=HUNG idle_ms=-1
    while :; do
        local now_ms
        now_ms="$(ms_since "$start_ns")"
        [ -z "$pid" ] && pid="$(cat "$root/vlf.pid" 2>/dev/null)"
        if cat "$trace"/*.trc 2>/dev/null | grep -q -- "--> Idle"; then
            state=idle
            idle_ms=$now_ms
            break
        fi
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            # xvfb-run's server can lose the race for its display number to another one.
            grep -q "could not connect to display" "$root/vlf.out" 2>/dev/null && state=NODISPLAY || state=DIED
            break
        fi
        [ "$now_ms" -ge $((IDLE_LIMIT * 1000)) ] && break
        sleep 0.05
    done
    [ "$state" = HUNG ] && [ -n "$pid" ] && dump "$pid" "hang-$n"
    local stop_state=stopped stop_ms=0
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        local term_ns
        term_ns="$(date +%s%N)"
        kill -TERM "$pid"
        while kill -0 "$pid" 2>/dev/null; do
            if [ "$(ms_since "$term_ns")" -ge $((STOP_LIMIT * 1000)) ]; then
                stop_state=NOSTOP
                dump "$pid" "nostop-$n"
                kill -KILL "$pid"
                break
            fi
            sleep 0.02
        done
        stop_ms="$(ms_since "$term_ns")"
    fi
    wait "$wrapper" 2>/dev/null
    if [ "$state" != idle ] || [ "$stop_state" != stopped ]; then
        cat "$trace"/*.trc >"$OUT/$state-$n.trc" 2>/dev/null
        cp "$root/vlf.out" "$OUT/$state-$n.out" 2>/dev/null
    fi
    kill -TERM "$sim" 2>/dev/null
    wait "$sim" 2>/dev/null
    local line
    line="$(tail -c 1 "$root/sys/class/gpio/gpio23/value" 2>/dev/null)"
    echo "$n $mode $state $idle_ms $stop_state $stop_ms line ${line:-none}" >>"$OUT/results.txt"
    rm -rf "$root"
}

STARTED=()
for n in $(seq "$STARTS"); do
    mode="$MODE"
    [ "$MODE" = both ] && { [ $((n % 2)) -eq 0 ] && mode=xvfb || mode=offscreen; }
    one_start "$n" "$mode" &
    STARTED+=("$!")
    # The busy loops never end: wait for a start to end while too many run.
    while [ "$(jobs -rp | grep -cvxF -f <(printf '%s\n' "${LOADERS[@]}" ""))" -ge "$PARALLEL" ]; do
        sleep 0.05
    done
done
# Starts already reaped by the count above are gone from the job table.
wait "${STARTED[@]}" 2>/dev/null
stop_loaders

awk -v out="$OUT" '
    $3 == "NODISPLAY" { nodisplay++; next }
    { total++; mode[$2]++ }
    $3 == "idle" { idle++; idleMode[$2]++; if ($4 > slowest) { slowest = $4; slowestRun = $1 } sum += $4 }
    $3 != "idle" { bad = bad " " $1 "(" $3 ")" }
    $5 != "stopped" { nostop = nostop " " $1 }
    $8 != "0" && $8 != "none" { linehigh = linehigh " " $1 "(" $8 ")" }
    $6 > slowestStop { slowestStop = $6 }
    END {
        printf "starts %d (offscreen %d, xvfb %d); reached Idle %d (offscreen %d, xvfb %d)\n",
               total, mode["offscreen"], mode["xvfb"], idle, idleMode["offscreen"], idleMode["xvfb"]
        if (idle > 0) printf "time to Idle: mean %.0f ms, slowest %d ms (start %d)\n", sum / idle, slowest, slowestRun
        printf "slowest end after SIGTERM: %d ms\n", slowestStop
        printf "not in Idle within 20 s:%s\n", bad == "" ? " none" : bad
        printf "not ended within 5 s of SIGTERM:%s\n", nostop == "" ? " none" : nostop
        printf "HV-enable line not low at the end:%s\n", linehigh == "" ? " none" : linehigh
        printf "not counted, no X server came up for xvfb-run: %d\n", nodisplay
        printf "dumps and results in %s\n", out
    }' "$OUT/results.txt"
