#!/usr/bin/env bash
# Configures and builds into the folder given (default build/): every target,
# or only those named in TARGETS (e.g. TARGETS="hvtctl hvt-sim").
# Extra arguments go to cmake's configure step. ccache is used when present,
# so several checkouts and build folders of the tree share their object files.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
