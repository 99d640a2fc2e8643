#!/usr/bin/env bash
# Installs, builds and shows the program's main job without an instrument:
# a test set-up is made and stored as a .plk document, run on the simulated
# instrument (hvt-sim on a pseudo-terminal) to its end, and its test report
# written as a PDF.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
bin=build/bin
out="${TMPDIR:-/tmp}/hvt-demo"
rm -rf "$out"
mkdir -p "$out" && chmod 700 "$out"
export XDG_RUNTIME_DIR="$out"

# A unit of 4 s that sweeps the voltage 1.00 -> 3.00 kV in 1.00 kV steps.
"$bin/hvtctl" plk new --type 3 "$out/new.plk"
"$bin/hvtctl" plk dump "$out/new.plk" | python3 -c '
import json, sys
d = json.load(sys.stdin)
u = d["units"][0]
u.update(name="Sweep", injectionTime=1, injectionEndless=0, intervalTime=1,
         testMode=1, voltageSweep=1, sweepCount=1, voltage=100, voltageStop=300,
         voltageStep=100, sweepOrder=[4, 5, 0, 1, 3, 2])
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
echo "Running unit 1 on the simulated instrument at $device:"
"$bin/hvtctl" run "$out/demo.plk" --unit 1 --device "$device"

"$bin/hvtctl" report "$out/demo.plk" "$out/report.pdf" --unit 1 --model "HVT-KP4" --serial "DEMO-1"
echo "Wrote the test report $out/report.pdf."
