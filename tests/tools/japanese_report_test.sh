#!/usr/bin/env bash
# A Japanese unit name and test memo: stored as Shift-JIS bytes, read back,
# and printed in the Japanese faces (Noto CJK standing in for the Gothic and
# Mincho faces of the Japanese table).
# Usage: japanese_report_test.sh HVTCTL WORK_DIR
set -euo pipefail
hvtctl="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
export HVT_LANGUAGE=ja QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 runtime
fail() { echo "FAILED: $*"; exit 1; }

name='試験ユニット１'
memo='電源ラインに印加（ＥＵＴ停止なし）'
"$hvtctl" plk new base.plk
"$hvtctl" plk dump base.plk >base.json
python3 - "$name" "$memo" <<'PY'
import json, sys
d = json.load(open("base.json"))
d["units"][0]["name"], d["testMemo"] = sys.argv[1], sys.argv[2]
json.dump(d, open("doc.json", "w"), ensure_ascii=False)
PY
"$hvtctl" plk build doc.json doc.plk

# The file holds the texts as code page 932 bytes, not UTF-8.
python3 - "$name" "$memo" <<'PY' || fail "texts are not stored as Shift-JIS"
import sys
data = open("doc.plk", "rb").read()
for text in sys.argv[1:]:
    assert text.encode("cp932") in data, text
    assert text.encode("utf-8") not in data, text
PY
"$hvtctl" plk dump doc.plk >back.json
grep -q "\"name\": \"$name\"" back.json || fail "name not read back"
grep -q "\"testMemo\": \"$memo\"" back.json || fail "memo not read back"

"$hvtctl" report doc.plk doc.pdf --unit 1 --date 2026-12-09
pdffonts doc.pdf >fonts.txt
grep -q 'NotoSansMonoCJKjp' fonts.txt || fail "no fixed-pitch CJK face: $(cat fonts.txt)"
pdftotext doc.pdf text.txt
grep -q "$name" text.txt || fail "name not printed"
# The start of the memo only: text extraction may give a CJK radical for 止.
grep -q '電源ラインに印加' text.txt || fail "memo not printed"
echo "ok"
