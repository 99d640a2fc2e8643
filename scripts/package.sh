#!/usr/bin/env bash
# Builds the Debian package into the folder given (default build-package/)
# and prints its path: Release binaries without the tests, compiled and
# linked with the distribution's hardening flags (fortified functions,
# stack protector, read-only relocations bound at start).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-package}"
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
# CMake has no place for CPPFLAGS: they go with the compiler's flags. Given
# on the command line, they replace what an earlier configure cached.
cxxflags="$(flags CPPFLAGS) $(flags CXXFLAGS)"
ldflags="$(flags LDFLAGS)"
BUILD_TYPE=Release scripts/build.sh "$dir" -DHVT_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >&2
(cd "$dir" && rm -f ./*.deb && cpack -G DEB >/dev/null)
ls "$dir"/hvt-kp4rs_*.deb
