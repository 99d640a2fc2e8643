#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60). Crashes are left in fuzz/out/ and fail the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
out=fuzz/out
mkdir -p "$out" fuzz/corpus-document fuzz/corpus-settings fuzz/corpus-frame fuzz/corpus-answers \
  fuzz/corpus-form
core=(src/model/CPELKDoc.cpp src/model/DocumentFile.cpp src/model/Archive.cpp
      src/model/TextCodec.cpp src/model/Profile.cpp src/model/Settings.cpp
      src/model/StringTable.cpp src/model/CodePageText.cpp src/report/ReportContent.cpp src/report/ReportDrawing.cpp
      src/link/Frame.cpp src/link/Answers.cpp)
sim=(src/sim/SimInstrument.cpp src/sim/SimLine.cpp)
flags=(-std=c++20 -O1 -g -Isrc -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
clang++ -std=c++20 -O1 -Isrc fuzz/make_seeds.cpp "${core[@]}" -o "$out/make_seeds"
"$out/make_seeds" fuzz/corpus-document fuzz/corpus-settings
for target in document_loader settings_reader report_pages frame_reader answer_parsers; do
  clang++ "${flags[@]}" "fuzz/$target.cpp" "${core[@]}" "${sim[@]}" -o "$out/$target"
done
# The condition form needs the whole core (the view owns link and run) and
# the simulated instrument behind it.
form_core=(src/model/*.cpp src/link/*.cpp src/run/*.cpp src/form/*.cpp src/report/*.cpp src/journal/*.cpp
           src/view/*.cpp)
clang++ "${flags[@]}" -Itests fuzz/form_events.cpp "${form_core[@]}" \
  "${sim[@]}" -o "$out/form_events"
printf '\001\007\000\000\000\003' > fuzz/corpus-form/plain
printf '\000%s' "$(seq 1 300 | tr -d '\n')" > fuzz/corpus-form/counting
# Seeds for the link: good frames and answers, each in its own file.
printf '\002AG10\003\004' > fuzz/corpus-frame/status
printf '\002AH12/3/150/90/1/7\003\056' > fuzz/corpus-frame/progress
for answer in AG10 AN4 AC1 AE150 AH12/3/150/90/1/7 AM205x1/1/2/4/8/10/16/20/1/ \
              PD0/1/0/0/20/0/0/1/0/3/0/4/10000/1/1; do
  printf '%s' "$answer" > "fuzz/corpus-answers/$(printf '%s' "$answer" | tr '/' '_')"
done
printf '\005\002QG\003\025\006\005\002CA\003\001' > fuzz/corpus-answers/wire
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
run frame_reader fuzz/corpus-frame
run answer_parsers fuzz/corpus-answers
run form_events fuzz/corpus-form
