#!/usr/bin/env bash
# Sets up the machine, builds and runs every test. Extra arguments go to ctest.
# VLF_SANITIZE=ON builds and runs them with AddressSanitizer and UBSan, in build-asan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
SANITIZE="${VLF_SANITIZE:-OFF}"
if [ "$SANITIZE" = ON ]; then
    export VLF_BUILD_DIR="${VLF_BUILD_DIR:-build-asan}"
fi
VLF_BUILD_TARGETS=all bash scripts/build.sh -DVLF_SANITIZE="$SANITIZE"
cd "${VLF_BUILD_DIR:-build}"
ctest --output-on-failure -j "$(nproc)" "$@"
