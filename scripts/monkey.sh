#!/usr/bin/env bash
# Random use of the desktop program for SECONDS, against hvt-sim with faults
# injected: scripts/monkey.sh SECONDS [SEED]. Builds into build/ unless
# HVT_BUILD names a built folder. Prints the seed, the number of actions and
# what it found; exits 1 on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:?usage: scripts/monkey.sh SECONDS [SEED]}"
seed="${2:-}"
need=()
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool wmctrl:wmctrl dbus-run-session:dbus; do
  command -v "${tool%%:*}" >/dev/null 2>&1 || need+=("${tool##*:}")
done
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || need+=(python3-xlib)
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || need+=(python3-pyatspi)
[ -x /usr/libexec/at-spi-bus-launcher ] || need+=(at-spi2-core)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "${need[@]}" >/dev/null
fi
build="${HVT_BUILD:-build}"
if [ -z "${HVT_BUILD:-}" ]; then scripts/build.sh "$build" >/dev/null; fi
exec dbus-run-session -- /usr/bin/python3 scripts/monkey.py --program "$build/bin/hvt-kp4rs" \
  "$seconds" $seed "${@:3}"
