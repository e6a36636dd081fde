#!/usr/bin/env bash
# Sets up the machine, builds and runs every test. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
VLF_BUILD_TARGETS=all bash scripts/build.sh
cd "${VLF_BUILD_DIR:-build}"
ctest --output-on-failure -j "$(nproc)" "$@"
