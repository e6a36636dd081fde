#!/usr/bin/env bash
# Lays a simulated instrument below a development root (the first argument, else
# $VLF_ROOT, else ./run-root): the sysfs GPIO tree of plain files with the ten safety
# inputs closed and the HV-enable output, and the folder of the USB mount point.
# An existing tree is kept, so an input opened by hand stays open. The HV-enable
# line starts low (its value file empty), as on power-up.
set -euo pipefail
ROOT="${1:-${VLF_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/run-root}}"
if [ "$(realpath -m "$ROOT")" = / ]; then
    echo "prepare-root.sh: the real root gets no simulated instrument" >&2
    exit 1
fi
GPIO="$ROOT/sys/class/gpio"
# The safety inputs in the order of their bits (interlock key first, HV-on button last)
# and the HV-enable output, as src/hvunit/SCPins.h numbers them.
SAFETY_LINES=(19 26 24 21 16 25 12 7 20 9)
HV_ENABLE_LINE=23

mkdir -p "$GPIO" "$ROOT/media"
touch "$GPIO/export" "$GPIO/unexport"
for line in "${SAFETY_LINES[@]}" "$HV_ENABLE_LINE"; do
    mkdir -p "$GPIO/gpio$line"
    [ -e "$GPIO/gpio$line/direction" ] || echo in >"$GPIO/gpio$line/direction"
done
for line in "${SAFETY_LINES[@]}"; do
    [ -e "$GPIO/gpio$line/value" ] || echo 1 >"$GPIO/gpio$line/value"
done
# The program writes '1' and '0' one after the other; the simulated unit reads the last.
: >"$GPIO/gpio$HV_ENABLE_LINE/value"
