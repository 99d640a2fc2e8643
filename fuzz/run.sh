#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60). Crashes are left in fuzz/out/ and fail the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
out=fuzz/out
mkdir -p "$out" fuzz/corpus-document fuzz/corpus-settings
core=(src/model/CPELKDoc.cpp src/model/DocumentFile.cpp src/model/Archive.cpp
      src/model/TextCodec.cpp src/model/Profile.cpp src/model/Settings.cpp
      src/model/StringTable.cpp src/report/ReportContent.cpp src/report/ReportDrawing.cpp)
flags=(-std=c++20 -O1 -g -Isrc -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
clang++ -std=c++20 -O1 -Isrc fuzz/make_seeds.cpp "${core[@]}" -o "$out/make_seeds"
"$out/make_seeds" fuzz/corpus-document fuzz/corpus-settings
for target in document_loader settings_reader report_pages; do
  clang++ "${flags[@]}" "fuzz/$target.cpp" "${core[@]}" -o "$out/$target"
done
run() {
  local target=$1 corpus=$2
  echo "== $target for ${seconds}s"
  (cd "$out" && "./$target" -max_total_time="$seconds" -max_len=20000 -rss_limit_mb=2048 \
      -print_final_stats=1 "../../$corpus" 2>&1) | grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|crash-' || true
  if ls "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-* >/dev/null 2>&1; then
    echo "$target found a problem; see $out" >&2
    return 1
  fi
}
run document_loader fuzz/corpus-document
run settings_reader fuzz/corpus-settings
run report_pages fuzz/corpus-document
