"""The journals hvtctl writes against the schema 'hvtctl journal --schema'
prints: a sweep run to its end, a run refused before its start, and runs
killed at random bytes and closed by the next run. Every whole record
validates, and every closed journal checks intact.

Usage: journal_schema_test.py HVTCTL WORKDIR
"""

import json
import os
import random
import shutil
import subprocess
import sys

import jsonschema

HVTCTL, WORK = sys.argv[1], sys.argv[2]
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
ENV = dict(os.environ, XDG_CONFIG_HOME=os.path.join(WORK, "config"),
           XDG_DATA_HOME=os.path.join(WORK, "data"), LANG="C")
failures = []


def hvtctl(*args):
    return subprocess.run([HVTCTL, *args], capture_output=True, timeout=120, env=ENV)


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


schema = json.loads(hvtctl("journal", "--schema").stdout)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)


def validate(folder):
    """Every whole record of every journal in the folder against the schema."""
    count = 0
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        for line in data.split(b"\n"):
            try:
                record = json.loads(line)
            except ValueError:
                continue  # a torn tail, named by its recovered record
            for error in validator.iter_errors(record):
                check(False, f"{name}: seq {record.get('seq')}: {error.message}")
            count += 1
    return count


# A voltage sweep of three points, 1 s each.
new = os.path.join(WORK, "new.plk")
doc = os.path.join(WORK, "sweep.plk")
r = hvtctl("plk", "new", "--type", "3", new)
d = json.loads(hvtctl("plk", "dump", new).stdout)
d["units"][0].update(injectionTime=1, injectionEndless=0, intervalTime=1, intervalEndless=0,
                     testMode=1, voltageSweep=1, sweepCount=1, voltage=100, voltageStop=200,
                     voltageStep=50, sweepOrder=[4, 5, 0, 1, 3, 2])
d["units"][1].update(injectionTime=60, injectionEndless=0, intervalTime=1)
with open(os.path.join(WORK, "sweep.json"), "w") as f:
    json.dump(d, f)
r = hvtctl("plk", "build", os.path.join(WORK, "sweep.json"), doc)
check(r.returncode == 0, f"build: {r.stderr.decode()}")

journals = os.path.join(WORK, "journal")
r = hvtctl("run", doc, "--unit", "1", "--demo", "--journal", journals)
check(r.returncode == 0, f"sweep run: {r.stderr.decode()}")
r = hvtctl("run", doc, "--unit", "1", "--port", "257", "--journal", journals)
check(r.returncode == 1, "a run on a port that does not exist fails")
check(len(os.listdir(journals)) == 2, "the refused run has its journal too")
check(validate(journals) > 5, "records were written")

# Killed at random bytes: a long run's journal cut short, then closed by
# the next run.
proc = subprocess.Popen([HVTCTL, "run", doc, "--unit", "2", "--demo", "--journal", journals],
                        stdout=subprocess.PIPE, env=ENV)
for line in proc.stdout:
    if b"remaining" in line:
        break
proc.kill()
proc.wait()
killed = [n for n in os.listdir(journals)
          if b"run_end" not in open(os.path.join(journals, n), "rb").read()]
check(len(killed) == 1, "the killed run has no end")
whole = open(os.path.join(journals, killed[0]), "rb").read()
rng = random.Random(20261211)
for trial in range(6):
    cut_folder = os.path.join(WORK, f"cut{trial}")
    os.makedirs(cut_folder)
    cut = rng.randrange(1, len(whole) + 1)
    with open(os.path.join(cut_folder, killed[0]), "wb") as f:
        f.write(whole[:cut])
    hvtctl("run", doc, "--unit", "1", "--port", "257", "--journal", cut_folder)
    closed = os.path.join(cut_folder, killed[0])
    data = open(closed, "rb").read()
    check(data[:cut] == whole[:cut], f"cut at {cut}: nothing before the cut changed")
    r = hvtctl("journal", "--json", closed)
    check(r.returncode == 0, f"cut at {cut}: check: {r.stdout.decode()} {r.stderr.decode()}")
    check(json.loads(r.stdout or b"{}").get("status") == "crashed", f"cut at {cut}: crashed")
    validate(cut_folder)

print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
