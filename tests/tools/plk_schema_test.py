"""The schema that 'hvtctl plk schema' prints against the documents hvtctl
writes and reads: every dump validates, and schema and 'plk build' refuse
and accept the same hand-made values.

Usage: plk_schema_test.py HVTCTL WORKDIR
"""

import copy
import json
import os
import re
import subprocess
import sys

import jsonschema

HVTCTL, WORK = sys.argv[1], sys.argv[2]
failures = []


def hvtctl(*args, stdin=None):
    return subprocess.run([HVTCTL, *args], input=stdin, capture_output=True, timeout=60)


def path(name):
    return os.path.join(WORK, name)


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def dump(plk, codepage="1252"):
    r = hvtctl("plk", "dump", "--codepage", codepage, plk)
    check(r.returncode == 0, f"dump {plk}: {r.stderr.decode()}")
    return json.loads(r.stdout)


def build(doc, name, *options):
    with open(path(name + ".json"), "w", encoding="utf-8") as f:
        json.dump(doc, f, ensure_ascii=False)
    return hvtctl("plk", "build", "--force", *options, path(name + ".json"), path(name + ".plk"))


os.makedirs(WORK, exist_ok=True)
r = hvtctl("plk", "schema")
check(r.returncode == 0 and r.stderr == b"", "plk schema prints the schema and nothing else")
schema = json.loads(r.stdout)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)


def errors(doc):
    return [f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in validator.iter_errors(doc)]


# The documents the tests make, each dumped, validated, and built back to
# the same bytes.
for t in ("1", "3"):
    check(hvtctl("plk", "new", "--force", "--type", t, path(f"new{t}.plk")).returncode == 0, "new")
base = dump(path("new3.plk"))

sweep = copy.deepcopy(base)  # the unit scripts/demo.sh runs
sweep["units"][0].update(name="Sweep", injectionTime=1, injectionEndless=0, intervalTime=1,
                         testMode=1, voltageSweep=1, sweepCount=1, voltage=100, voltageStop=300,
                         voltageStep=100, sweepOrder=[4, 5, 0, 1, 3, 2])

program = copy.deepcopy(base)
program["programs"][0]["steps"] = [1, 2]
program["programs"][1].update(steps=[3, "LineOn", 50, "LineOff"], times=3, memo="a\r\nb")
program["programs"][2]["steps"] = list(range(1, 51))
program.update(programMode=1, currentProgram=2, testMemo="Caf\u00e9 \u20ac",
               eutTexts=["EUT", "M-1", "S-1", "20", "25", "40", "60", "1000", "1013"])

raw = copy.deepcopy(base)  # stored positions a plain list cannot give
raw["programs"][4]["steps"] = [1, 7] + [0] * 98
raw["programs"][5]["steps"] = [1, 0, 0, 0, 2] + [0] * 95

limits = copy.deepcopy(base)  # every limit at its edge
limits["units"][0].update(terminator=0, voltage=800, voltageStop=800, voltageStep=799)
limits["units"][1].update(terminator=2, voltage=396, voltageStop=1)
limits["units"][2].update(terminator=3, voltage=410, widthIndex=8, phase=360, variable=999,
                          injectionLine=4, returnLine=5, name="x" * 20)
limits["programs"][0]["memo"] = "m" * 1024

documents = {"new1": dump(path("new1.plk")), "new3": base, "sweep": sweep, "program": program,
             "raw": raw, "limits": limits}
for name, doc in documents.items():
    if name.startswith("new"):
        continue
    r = build(doc, name)
    check(r.returncode == 0, f"build {name}: {r.stderr.decode()}")
    documents[name] = dump(path(name + ".plk"))
    check(documents[name] == json.loads(json.dumps(doc)), f"{name}: dump gives what was built")

japanese = copy.deepcopy(base)
japanese["units"][0]["name"] = "\u4e09\u89d2\u6ce2"
japanese["units"][1]["name"] = {"hex": "4182"}  # no Shift-JIS text: kept as bytes
r = build(japanese, "japanese", "--codepage", "932")
check(r.returncode == 0, f"build japanese: {r.stderr.decode()}")
documents["japanese"] = dump(path("japanese.plk"), "932")

for name, doc in documents.items():
    problems = errors(doc)
    check(not problems, f"the dump of {name} validates: {problems[:3]}")
    codepage = "932" if name == "japanese" else "1252"
    plk = path(name + ".plk")
    with open(path(name + ".again.json"), "w", encoding="utf-8") as f:
        json.dump(doc, f, ensure_ascii=False)
    r = hvtctl("plk", "build", "--force", "--codepage", codepage, path(name + ".again.json"),
               path(name + ".again.plk"))
    check(r.returncode == 0, f"rebuild {name}: {r.stderr.decode()}")
    with open(plk, "rb") as a, open(path(name + ".again.plk"), "rb") as b:
        check(a.read() == b.read(), f"{name}: dump then build gives the same bytes")

check(documents["program"]["programs"][0]["steps"] == [1, 2], "[1, 2] is dumped as it was built")
check(len(documents["raw"]["programs"][4]["steps"]) == 100, "raw positions stay raw")

# Hand-made values: the schema and plk build refuse the same ones, build
# naming the JSON path.
def single_phase(doc):
    """A type 1 document: its return lines end at SG, code 4."""
    doc["injectionUnitType"] = 1
    for unit in doc["units"]:
        unit["returnLine"] = 4
    return doc


refused = [
    ("units[0].voltage", lambda d: d["units"][0].update(voltage=99999)),
    ("units[0].voltage", lambda d: d["units"][0].update(terminator=2, voltage=397)),
    ("units[0].voltageStop", lambda d: d["units"][0].update(voltageStop=411)),
    ("units[0].polarity", lambda d: d["units"][0].update(polarity=2)),
    ("units[0].widthIndex", lambda d: d["units"][0].update(widthIndex=9)),
    ("units[0].terminator", lambda d: d["units"][0].update(terminator=4)),
    ("units[0].triggerMode", lambda d: d["units"][0].update(triggerMode=-1)),
    ("units[0].sweepOrder[5]", lambda d: d["units"][0].update(sweepOrder=[0, 1, 2, 3, 4, 6])),
    ("units[0].injectionLine", lambda d: d["units"][0].update(injectionLine=5)),
    ("units[0].returnLine", lambda d: single_phase(d)["units"][0].update(returnLine=5)),
    ("units[0].name", lambda d: d["units"][0].update(name="y" * 21)),
    ("programs[0].steps[1]", lambda d: d["programs"][0].update(steps=[1, 51])),
    ("programs[0].steps[1]", lambda d: d["programs"][0].update(steps=[1, 0, 2])),
    ("programs[0].steps[3]", lambda d: d["programs"][0].update(steps=[1, 0, 0, 101] + [0] * 96)),
    ("programs[0].memo", lambda d: d["programs"][0].update(memo="m" * 1025)),
    ("currentUnit", lambda d: d.update(currentUnit=51)),
    ("currentProgram", lambda d: d.update(currentProgram=0)),
    ("eutTexts[3]", lambda d: d["eutTexts"].__setitem__(3, "12345678901")),
]
for at, change in refused:
    doc = copy.deepcopy(base)
    change(doc)
    check(errors(doc), f"the schema refuses {at}")
    r = build(doc, "refused")
    message = r.stderr.decode()
    check(r.returncode == 2 and f": {at}: " in message, f"build refuses {at}: {message}")
    r = build(doc, "refused", "--unchecked")
    check(r.returncode == 0, f"build --unchecked writes {at}: {r.stderr.decode()}")

r = build(copy.deepcopy(base) | {"units": None}, "broken")
check(r.returncode == 2 and b"units: expected an array of up to 50 units" in r.stderr,
      "wrong types name the path")

# Partial documents: units and programs as short arrays or keyed by number.
# Both validate and build; what they leave out is a new document's.
partials = [
    {"units": {"3": {"voltage": 200}, "50": {"name": "Last"}}, "programs": [{"steps": [3]}]},
    {"units": [{"terminator": 0}], "programs": {"7": {"times": 2}}},
    {"injectionUnitType": 1, "units": {"2": {"returnLine": 4}}},
    {"units": {}, "programs": []},
]
for n, doc in enumerate(partials):
    check(not errors(doc), f"partial {n} validates: {errors(doc)[:3]}")
    r = build(doc, f"partial{n}")
    check(r.returncode == 0, f"build partial {n}: {r.stderr.decode()}")
full = dump(path("partial0.plk"))
check(full["units"][2]["voltage"] == 200 and full["units"][49]["name"] == "Last"
      and full["programs"][0]["steps"] == [3], "keys are the program's numbers, from 1")
expected = copy.deepcopy(base)
expected["units"][2]["voltage"] = 200
expected["units"][49]["name"] = "Last"
expected["programs"][0]["steps"] = [3]
check(full == expected, "what a partial document leaves out is a new document's")

# Keys and sizes that neither the schema nor build takes, and a single-phase
# line limit that holds in the keyed form too.
bad = [
    ('units["0"]', {"units": {"0": {}}}),
    ('units["51"]', {"units": {"51": {}}}),
    ("programs.x", {"programs": {"x": {}}}),
    ('units["03"]', {"units": {"03": {}}}),
    ("units", {"units": [{}] * 51}),
    ('units["2"].returnLine', {"injectionUnitType": 1, "units": {"2": {"returnLine": 5}}}),
    ('units["2"].voltage', {"units": {"2": {"voltage": 411}}}),
]
for at, doc in bad:
    check(errors(doc), f"the schema refuses {at}")
    r = build(doc, "refused")
    check(r.returncode == 2 and f": {at}: ".encode() in r.stderr,
          f"build refuses {at}: {r.stderr.decode()}")

# A program [1, 2] runs unit 1 and then unit 2 (one second each, in
# demonstration mode).
short = copy.deepcopy(program)
for u in short["units"][:2]:
    u.update(injectionTime=1, injectionEndless=0, intervalTime=0, intervalEndless=0)
check(build(short, "short").returncode == 0, "build short")
env = dict(os.environ, XDG_CONFIG_HOME=path("config"), XDG_DATA_HOME=path("data"))
r = subprocess.run([HVTCTL, "run", path("short.plk"), "--program", "1", "--demo"],
                   capture_output=True, timeout=60, env=env)
text = r.stdout.decode()
estimate = re.search(r"estimated (\d+) s", text)
check(r.returncode == 0 and estimate and estimate.group(1) == "2",
      f"program [1, 2] runs two one-second units: {text}")

if failures:
    print(f"{len(failures)} failure(s)")
    sys.exit(1)
print(f"ok: {len(documents)} documents and {len(partials)} partial ones validate; "
      f"{len(refused) + len(bad)} refusals agree")
