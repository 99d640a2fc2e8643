#!/usr/bin/env bash
# Configures and builds into the folder given (default build/).
# Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
