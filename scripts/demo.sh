#!/usr/bin/env bash
# Installs, builds and shows the program's main job: a document is made,
# stored as a .plk file and read back as JSON.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
out="${TMPDIR:-/tmp}/hvt-demo"
mkdir -p "$out"
build/bin/hvtctl plk new --type 3 "$out/demo.plk"
echo "Wrote $out/demo.plk ($(stat -c %s "$out/demo.plk") bytes); its first unit and program:"
build/bin/hvtctl plk dump "$out/demo.plk" > "$out/demo.json"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(json.dumps({"injectionUnitType": d["injectionUnitType"], "unit1": d["units"][0], "program1": {k: v for k, v in d["programs"][0].items() if k != "steps"}}, indent=2))' "$out/demo.json" 2>/dev/null \
  || head -n 60 "$out/demo.json"
