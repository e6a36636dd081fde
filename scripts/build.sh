#!/usr/bin/env bash
# Configures and builds into build/ (or $VLF_BUILD_DIR): everything, or the targets
# named in $VLF_BUILD_TARGETS. Extra arguments go to cmake. Jobs: $CMAKE_BUILD_PARALLEL_LEVEL,
# else one per core.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${VLF_BUILD_DIR:-build}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
read -r -a TARGETS <<<"${VLF_BUILD_TARGETS:-all}"
cmake --build "$BUILD_DIR" --target "${TARGETS[@]}"
