#!/usr/bin/env bash
# Installs, builds from scratch and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
rm -rf build-test
scripts/build.sh build-test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j "$(nproc)"
