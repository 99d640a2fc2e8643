#!/usr/bin/env bash
# Installs, builds the three programs (into build-demo/; the tests and the
# rest are scripts/test.sh's) and shows the program's main job without an
# instrument: test set-ups (a fixed unit, a voltage sweep, a program of both)
# are stored as a .plk document; the sweep is run on the simulated instrument
# (hvt-sim on a pseudo-terminal) to its end and its test report written as a
# PDF; then, when there is a display, the desktop program opens the document
# on its built-in simulated instrument.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
TARGETS="hvt-kp4rs hvtctl hvt-sim" scripts/build.sh build-demo -DHVT_BUILD_TESTS=OFF
bin=build-demo/bin
out="${TMPDIR:-/tmp}/hvt-demo"
rm -rf "$out"
mkdir -p "$out" && chmod 700 "$out"
export XDG_RUNTIME_DIR="$out"

# Unit 1: 2.00 kV for 3 s. Unit 2: a voltage sweep 1.00 -> 3.00 kV in
# 1.00 kV steps, 1 s each. Program 1: unit 1, then unit 2, twice.
"$bin/hvtctl" plk new --type 3 "$out/new.plk"
"$bin/hvtctl" plk dump "$out/new.plk" | python3 -c '
import json, sys
d = json.load(sys.stdin)
d["units"][0].update(name="Fixed", injectionTime=3, injectionEndless=0, intervalTime=1,
                     voltage=200)
d["units"][1].update(name="Sweep", injectionTime=1, injectionEndless=0, intervalTime=1,
                     testMode=1, voltageSweep=1, sweepCount=1, voltage=100, voltageStop=300,
                     voltageStep=100, sweepOrder=[4, 5, 0, 1, 3, 2])
d["programs"][0].update(name="Both", steps=[1, 2], times=2)
json.dump(d, sys.stdout)' > "$out/demo.json"
"$bin/hvtctl" plk build "$out/demo.json" "$out/demo.plk"
echo "Wrote $out/demo.plk ($(stat -c %s "$out/demo.plk") bytes)."

# The simulated instrument; its first output line is the device to open.
mkfifo "$out/sim.in"
sleep 600 > "$out/sim.in" &
feeder=$!
"$bin/hvt-sim" --pace 9600 < "$out/sim.in" > "$out/sim.out" &
sim=$!
trap 'kill $feeder $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$out/sim.out" ] && break; sleep 0.1; done
device=$(head -n 1 "$out/sim.out")
echo "Running unit 2 (the sweep) on the simulated instrument at $device:"
"$bin/hvtctl" run "$out/demo.plk" --unit 2 --device "$device"

"$bin/hvtctl" report "$out/demo.plk" "$out/report.pdf" --unit 2 --model "HVT-KP4" --serial "DEMO-1"
echo "Wrote the test report $out/report.pdf."

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the desktop program on its built-in simulated instrument; close it to end."
  "$bin/hvt-kp4rs" --simulate "$out/demo.plk"
else
  echo "No display here. To see the desktop program with this document, run on a desktop:"
  echo "  $bin/hvt-kp4rs --simulate $out/demo.plk"
  echo "or, without one, on a virtual display: xvfb-run -a $bin/hvt-kp4rs --simulate $out/demo.plk"
fi
