"""The PDFs hvtctl writes, as far as Debian's tools can tell, are PDF/A-1b:
PDF 1.4, the XMP identification part 1 conformance B, an output intent with
an RGB ICC profile, every font embedded, a clean qpdf check. Taken on a
report and on run records; a long run record with a Japanese note also
shows every line, page after page, and ends with the count and last hash.

Usage: pdfa_test.py HVTCTL WORKDIR
"""

import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import unicodedata

HVTCTL, WORK = sys.argv[1], sys.argv[2]
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
ENV = dict(os.environ, XDG_CONFIG_HOME=os.path.join(WORK, "config"),
           XDG_DATA_HOME=os.path.join(WORK, "data"), LANG="C", QT_QPA_PLATFORM="offscreen")
failures = []


def run(*args):
    return subprocess.run(list(args), capture_output=True, timeout=120, env=ENV)


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def check_pdfa(pdf):
    name = os.path.basename(pdf)
    info = run("pdfinfo", pdf).stdout.decode()
    check(re.search(r"^PDF version:\s+1\.4$", info, re.M), f"{name}: PDF 1.4")
    xmp = run("pdfinfo", "-meta", pdf).stdout.decode()
    check(re.search(r'pdfaid:part="1"|<pdfaid:part>1<', xmp), f"{name}: pdfaid:part 1")
    check(re.search(r'pdfaid:conformance="B"|<pdfaid:conformance>B<', xmp),
          f"{name}: pdfaid:conformance B")
    raw = json.loads(run("qpdf", "--json=2", "--json-key=qpdf", pdf).stdout)["qpdf"][1]
    objects = {k[4:]: v.get("value", v.get("stream", {}).get("dict")) for k, v in raw.items()}
    root = next(v for v in objects.values() if isinstance(v, dict) and v.get("/Type") == "/Catalog")
    ok = False
    for ref in root.get("/OutputIntents", []):
        intent = objects.get(ref, {}) if isinstance(ref, str) else ref
        profile = objects.get(intent.get("/DestOutputProfile", ""), {})
        ok |= intent.get("/S") == "/GTS_PDFA1" and profile.get("/N") == 3
    check(ok, f"{name}: a GTS_PDFA1 output intent with an RGB ICC profile")
    fonts = run("pdffonts", pdf).stdout.decode().splitlines()[2:]
    check(fonts and all(line.split()[-5] == "yes" for line in fonts),
          f"{name}: every font embedded: {fonts}")
    r = run("qpdf", "--check", pdf)
    check(r.returncode == 0 and b"WARNING" not in r.stdout + r.stderr,
          f"{name}: qpdf --check: {r.stdout.decode()} {r.stderr.decode()}")


new = os.path.join(WORK, "new.plk")
plk = os.path.join(WORK, "t.plk")
run(HVTCTL, "plk", "new", "--type", "3", new)
d = json.loads(run(HVTCTL, "plk", "dump", new).stdout)
d["units"][0].update(injectionTime=1, injectionEndless=0, intervalTime=1, intervalEndless=0)
with open(os.path.join(WORK, "t.json"), "w") as f:
    json.dump(d, f)
r = run(HVTCTL, "plk", "build", os.path.join(WORK, "t.json"), plk)
check(r.returncode == 0, f"build: {r.stderr.decode()}")

report = os.path.join(WORK, "report.pdf")
r = run(HVTCTL, "report", plk, report)
check(r.returncode == 0, f"report: {r.stderr.decode()}")
check_pdfa(report)

journals = os.path.join(WORK, "journal")
r = subprocess.run([HVTCTL, "run", plk, "--unit", "1", "--demo", "--journal", journals],
                   capture_output=True, timeout=20, env=ENV)
check(r.returncode == 0, f"run: {r.stderr.decode()}")
journal = os.path.join(journals, os.listdir(journals)[0])

# Marks appended after the end as the desktop program appends them: seq and
# prev follow the chain. Enough of them for several pages.
with open(journal, "rb") as f:
    lines = f.read().rstrip(b"\n").split(b"\n")
last = json.loads(lines[-1])
for n in range(120):
    note = "表示がちらついた" if n == 0 else f"note {n}"
    mark = {"v": 1, "seq": last["seq"] + 1, "t": last["t"], "mono_ms": last["mono_ms"],
            "run": last["run"], "type": "mark", "prev": hashlib.sha256(lines[-1]).hexdigest(),
            "criterion": "C", "note": note, "pressed_at": last["t"], "operator": "tester",
            "required": "B", "worse_than_required": True, "at": {"running": False}}
    lines.append(json.dumps(mark, ensure_ascii=False, separators=(",", ":")).encode())
    last = mark
with open(journal, "wb") as f:
    f.write(b"\n".join(lines) + b"\n")

record = os.path.join(WORK, "record.pdf")
r = run(HVTCTL, "journal", journal, "--pdf", record)
check(r.returncode == 0, f"journal --pdf: {r.stderr.decode()}")
check_pdfa(record)
pages = int(re.search(r"^Pages:\s+(\d+)", run("pdfinfo", record).stdout.decode(), re.M).group(1))
check(pages >= 3, f"the long record takes its pages: {pages}")
# A glyph shared by a Kangxi radical may come back as the radical: NFKC.
text = unicodedata.normalize("NFKC", run("pdftotext", "-layout", record, "-").stdout.decode())
check("表示がちらついた" in text, "the Japanese note is in the PDF")
check("note 119" in text, "the last mark is in the PDF")
check(f"Page {pages} / {pages}" in text, "the footer counts the pages")
last_page = text.split("\f")[pages - 1]
body = [l.strip() for l in last_page.splitlines() if l.strip() and "Page " not in l]
expected = f"{len(lines)} records, last hash {hashlib.sha256(lines[-1]).hexdigest()}"
check(body and body[-1] == expected, f"the last line ties the paper to the file: {body[-1:]}")

# Nothing asked for is left undone, and no journal becomes a PDF.
other = os.path.join(WORK, "other.JSONL")
for args in ([journal, "--pdf", journal], [journal, "--pdf", other], [journal, "--paper", "a4"],
             [journal, "--json", "--pdf", "-"],
             [journal, "--amend", "5", "--criterion", "A", "--reason", "r", "--pdf", record]):
    r = run(HVTCTL, "journal", *args)
    check(r.returncode == 2, f"refused: {args[1:]}: {r.returncode} {r.stderr.decode()}")
check(not os.path.exists(other), "no journal-named PDF was made")
check(open(journal, "rb").read() == b"\n".join(lines) + b"\n", "the journal stays as it was")

print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
