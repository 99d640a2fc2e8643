#!/usr/bin/env bash
# CPU use of `hvtctl run` during a 20 s unit against hvt-sim at the real line
# rate, beside its bound (3 % of the wall time). Needs a built tree (default
# build/).
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build}/bin"
work=$(mktemp -d)
trap 'kill "$simpid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/hvtctl" plk new "$work/new.plk" >/dev/null
"$bin/hvtctl" plk dump "$work/new.plk" \
  | python3 -c 'import json,sys; d=json.load(sys.stdin); u=d["units"][0]; u.update(injectionTime=20, injectionEndless=0, intervalTime=0); json.dump(d, sys.stdout)' \
  > "$work/unit.json"
"$bin/hvtctl" plk build "$work/unit.json" "$work/unit.plk"
mkfifo "$work/in"
sleep 3600 > "$work/in" &
feeder=$!
"$bin/hvt-sim" --pace 9600 < "$work/in" > "$work/sim.out" &
simpid=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
device=$(head -n 1 "$work/sim.out")
export XDG_CONFIG_HOME="$work" XDG_RUNTIME_DIR="$work"
/usr/bin/time -f "%U %S %e" -o "$work/time" "$bin/hvtctl" run "$work/unit.plk" --unit 1 --device "$device" > "$work/run.out"
read -r user sys wall < "$work/time"
kill "$feeder" 2>/dev/null || true
python3 - "$user" "$sys" "$wall" <<'PY'
import sys
user, sys_, wall = map(float, sys.argv[1:])
cpu = user + sys_
print(f"hvtctl run, 20 s unit, hvt-sim --pace 9600: wall {wall:.2f} s, cpu {cpu:.3f} s "
      f"= {100 * cpu / wall:.2f} % of wall (bound 3 %)")
PY
tail -n 1 "$work/run.out"
