#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# their own folder and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf build-asan
BUILD_TYPE=Debug scripts/build.sh build-asan -DHVT_SANITIZE=ON
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
