#!/usr/bin/env bash
# Sets up the machine, builds and runs the program on this machine: every system
# path lies below ./run-root (configuration, database, records, USB folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export VLF_ROOT="${VLF_ROOT:-$PWD/run-root}"
mkdir -p "$VLF_ROOT"
echo "File-system root: $VLF_ROOT"
exec "${VLF_BUILD_DIR:-build}/src/app/vlf" "$@"
