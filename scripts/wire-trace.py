#!/usr/bin/env python3
"""Records the frames the programs put on the wire, for comparing builds.

scripts/wire-trace.sh BIN_DIR OUT_DIR runs this inside its own session bus.
Four runs against hvt-sim on a pseudo-terminal, each logged with
`hvt-sim --log`: hvtctl running a program (a fixed unit, then a voltage
sweep, twice) and the sweep unit alone, then the desktop program doing the
same under its own Xvfb, started through AT-SPI. For each run OUT_DIR gets
NAME.log (the simulator's log as written) and NAME.frames (normalised, see
normalise()); one summary line per run is printed.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RUN_BOUND_S = 180  # the longest run here takes about 20 s
STARTUP_BOUND_S = 30
POLLS = ("QG", "QH")


def fail(text):
    raise SystemExit("wire-trace: " + text)


# ---- normalisation -------------------------------------------------------

def transactions(lines):
    """The frames (time column removed) cut into transactions: each begins
    with the program's ENQ; anything before the first ENQ stands alone."""
    out, cur = [], []
    for line in lines:
        if line.startswith("#") or not line.strip():
            continue
        frame = line.split(None, 1)[1]
        if frame.startswith("< 05 |") and cur:
            out.append(cur)
            cur = []
        cur.append(frame)
    if cur:
        out.append(cur)
    return out


def command_of(transaction):
    """The text of the program's STX frame ("QG", "PD1/..."), else ""."""
    for frame in transaction:
        if frame.startswith("< 02 "):
            text = frame.split("| <STX>", 1)[-1]
            return text.split("<ETX>", 1)[0]
    return ""


def normalise(lines):
    """A poll is one "QG" transaction with the "QH" transactions that follow
    it directly (the desktop program and hvtctl ask "QH" right after "QG"
    while a test runs), or a lone "QH"; a transaction is the ENQ, its ACK,
    the query, the answer and the program's ACK. How many times the same
    poll repeats depends on where the 200 ms timer falls against the
    instrument's clock, so every run of identical consecutive polls becomes
    one. A poll whose answers differ from the one before stays, so each
    state the instrument reported is kept in order. Everything else is kept
    as logged."""
    groups = []
    for t in transactions(lines):
        cmd = command_of(t)
        if cmd == "QH" and groups and groups[-1][0] == "poll":
            groups[-1][1].extend(t)
        elif cmd in POLLS:
            groups.append(("poll", list(t)))
        else:
            groups.append(("other", t))
    out, last = [], None
    for kind, frames in groups:
        if kind == "poll" and frames == last:
            continue
        last = frames if kind == "poll" else None
        out.extend(frames)
    return out


# ---- processes -----------------------------------------------------------

class Sim:
    """hvt-sim on a new pseudo-terminal, logging to LOG."""

    def __init__(self, bin_dir, log):
        self.log = log
        self.proc = subprocess.Popen([os.path.join(bin_dir, "hvt-sim"), "--log", log],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        ready = select.select([self.proc.stdout], [], [], 10)[0]
        self.device = self.proc.stdout.readline().strip() if ready else ""
        if not self.device.startswith("/dev/"):
            self.stop()
            fail("hvt-sim gave no device")

    def lines(self):
        try:
            with open(self.log, errors="replace") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def wait_for(what, test, bound):
    deadline = time.monotonic() + bound
    while time.monotonic() < deadline:
        value = test()
        if value:
            return value
        time.sleep(0.1)
    fail("gave up after %d s waiting for %s" % (bound, what))


class Display:
    """Xvfb (its own free number through -displayfd) and openbox."""

    def __init__(self):
        r, w = os.pipe()
        self.x = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24",
                                   "-nolisten", "tcp"], pass_fds=(w,),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if select.select([r], [], [], 1)[0]:
                chunk = os.read(r, 16)
                if not chunk:
                    break
                number += chunk
        os.close(r)
        self.wm = None
        if not number.strip():
            self.stop()
            fail("Xvfb did not start")
        self.name = ":" + number.decode().strip()
        env = dict(os.environ, DISPLAY=self.name)
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A window mapped before the window manager runs can stay unmapped.
        wait_for("openbox", lambda: b"window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
            capture_output=True).stdout, 15)

    def stop(self):
        for p in (self.wm, self.x):
            if p is not None and p.poll() is None:
                p.kill()
                p.wait()


# ---- the runs ------------------------------------------------------------

def make_documents(bin_dir, scratch, env):
    """demo.plk: unit 1 2.00 kV for 3 s; unit 2 a voltage sweep 1.00 -> 3.00
    kV in 1.00 kV steps, 1 s each; program 1 unit 1 then unit 2, twice.
    program.plk opens with the Program check set; sweep.plk on unit 2."""
    hvtctl = os.path.join(bin_dir, "hvtctl")
    new = os.path.join(scratch, "new.plk")
    subprocess.run([hvtctl, "plk", "new", "--type", "3", new], env=env, check=True,
                   stdout=subprocess.DEVNULL)
    d = json.loads(subprocess.run([hvtctl, "plk", "dump", new], env=env, check=True,
                                  capture_output=True, text=True).stdout)
    d["units"][0].update(name="Fixed", injectionTime=3, injectionEndless=0, intervalTime=1,
                         voltage=200)
    d["units"][1].update(name="Sweep", injectionTime=1, injectionEndless=0, intervalTime=1,
                         testMode=1, voltageSweep=1, sweepCount=1, voltage=100,
                         voltageStop=300, voltageStep=100, sweepOrder=[4, 5, 0, 1, 3, 2])
    d["programs"][0].update(name="Both", steps=[1, 2], times=2)
    docs = {}
    for name, fields in (("demo", {}), ("program", dict(programMode=1, currentProgram=1)),
                         ("sweep", dict(programMode=0, currentUnit=2))):
        js = os.path.join(scratch, name + ".json")
        with open(js, "w") as f:
            json.dump(dict(d, **fields), f)
        docs[name] = os.path.join(scratch, name + ".plk")
        subprocess.run([hvtctl, "plk", "build", js, docs[name]], env=env, check=True,
                       stdout=subprocess.DEVNULL)
    return docs


def run_hvtctl(bin_dir, env, doc, what, log):
    sim = Sim(bin_dir, log)
    try:
        r = subprocess.run([os.path.join(bin_dir, "hvtctl"), "run", doc, *what,
                            "--device", sim.device], env=env, capture_output=True, text=True,
                           timeout=RUN_BOUND_S)
    finally:
        sim.stop()
    if r.returncode != 0:
        fail("hvtctl run %s: exit %d: %s" % (" ".join(what), r.returncode,
                                             (r.stderr or r.stdout).strip()[-300:]))


class Gui:
    """The desktop program's accessible tree."""

    def __init__(self, pid):
        import pyatspi
        self.at = pyatspi
        self.pid = pid

    def windows(self):
        try:
            desktop = self.at.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == self.pid:
                    return [w for w in (app.getChildAtIndex(j) for j in range(app.childCount))
                            if w is not None and w.getState().contains(self.at.STATE_SHOWING)]
        except Exception:  # the tree changes under us
            pass
        return []

    def frame(self):
        ws = self.windows()
        try:
            alerts = [w for w in ws if w.getRoleName() == "alert"]
        except Exception:  # a window that went away meanwhile
            return None
        if alerts:
            fail("the desktop program shows %r: %s" % (alerts[0].name, " | ".join(
                self.texts(alerts[0]))))
        try:
            return next((w for w in ws if w.getRoleName() == "frame"), None)
        except Exception:
            return None

    def texts(self, node):
        out = []
        for n in self.walk(node):
            if n.name:
                out.append(n.name)
        return out

    def walk(self, node):
        stack = [node]
        while stack:
            n = stack.pop()
            yield n
            try:
                stack.extend(n.getChildAtIndex(i) for i in range(n.childCount))
            except Exception:
                continue

    def find(self, node, role, name, showing=True):
        for n in self.walk(node):
            try:
                if n.getRoleName() == role and n.name == name and \
                        (not showing or n.getState().contains(self.at.STATE_SHOWING)):
                    return n
            except Exception:
                continue
        fail("no %s %r in the desktop program's window" % (role, name))

    def state(self, node, state):
        return node.getState().contains(state)


def run_desktop(bin_dir, display, scratch, doc, program_mode, log):
    home = tempfile.mkdtemp(prefix="home-", dir=scratch)
    runtime = os.path.join(home, "run")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_RUNTIME_DIR=runtime,
               HOME=home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8",
               LC_ALL="C.UTF-8", LANGUAGE="en")
    sim = Sim(bin_dir, log)
    program = None
    try:
        # Without a PORT_NUM the program opens COM1; set both, so a document's
        # own port number cannot lead elsewhere.
        hvtctl = os.path.join(bin_dir, "hvtctl")
        for entry in (("EMV", "PORT_NUM", "1"), ("Ports", "COM1", sim.device)):
            subprocess.run([hvtctl, "settings", "set", *entry], env=env, check=True)
        program = subprocess.Popen([os.path.join(bin_dir, "hvt-kp4rs"), doc], env=env,
                                   cwd=home, stdout=subprocess.DEVNULL,
                                   stderr=open(os.path.join(home, "stderr"), "w"))
        gui = Gui(program.pid)

        def frame():
            if program.poll() is not None:
                fail("the desktop program ended with %d" % program.returncode)
            return gui.frame()
        window = wait_for("the main window", frame, STARTUP_BOUND_S)
        check = gui.find(window, "check box", "Program")
        if gui.state(check, gui.at.STATE_CHECKED) != program_mode:
            fail("the document did not open with the Program check %s"
                 % ("set" if program_mode else "clear"))
        start = gui.find(window, "push button", "START")
        stop = gui.find(window, "push button", "STOP")
        started = len(sim.lines())
        start.queryAction().doAction(0)
        wait_for("the start", lambda: frame() and gui.state(stop, gui.at.STATE_ENABLED), 15)

        # The run has ended when STOP is disabled again after the end's "CB".
        def ended():
            frame()
            after = sim.lines()[started:]
            return any("<STX>CB<ETX>" in line for line in after) and \
                not gui.state(stop, gui.at.STATE_ENABLED)
        wait_for("the end of the run", ended, RUN_BOUND_S)
        time.sleep(1)  # what the end still sends
        gui.find(window, "menu item", "Exit", showing=False).queryAction().doAction(0)
        deadline = time.monotonic() + 15
        while program.poll() is None and time.monotonic() < deadline:
            for w in gui.windows():
                if w.getRoleName() == "alert":  # "Save changes?": no
                    gui.find(w, "push button", "No").queryAction().doAction(0)
            time.sleep(0.2)
        if program.poll() is None:
            program.send_signal(signal.SIGTERM)  # only after the run has ended
            program.wait(15)
    finally:
        if program is not None and program.poll() is None:
            program.kill()
            program.wait()
        sim.stop()


def main():
    if len(sys.argv) != 3:
        fail("usage: scripts/wire-trace.sh BIN_DIR OUT_DIR")
    bin_dir, out_dir = (os.path.abspath(a) for a in sys.argv[1:])
    for b in ("hvt-kp4rs", "hvtctl", "hvt-sim"):
        if not os.access(os.path.join(bin_dir, b), os.X_OK):
            fail("no %s in %s" % (b, bin_dir))
    os.makedirs(out_dir, exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="hvt-wire-")
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               XDG_RUNTIME_DIR=scratch, HOME=scratch, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    display = None
    try:
        docs = make_documents(bin_dir, scratch, env)
        log = lambda name: os.path.join(out_dir, name + ".log")
        runs = [
            ("hvtctl-program", lambda: run_hvtctl(bin_dir, env, docs["demo"],
                                                  ["--program", "1"], log("hvtctl-program"))),
            ("hvtctl-sweep", lambda: run_hvtctl(bin_dir, env, docs["demo"], ["--unit", "2"],
                                                log("hvtctl-sweep"))),
            ("desktop-program", lambda: run_desktop(bin_dir, display, scratch, docs["program"],
                                                    True, log("desktop-program"))),
            ("desktop-sweep", lambda: run_desktop(bin_dir, display, scratch, docs["sweep"],
                                                  False, log("desktop-sweep"))),
        ]
        for name, run in runs:
            if name.startswith("desktop") and display is None:
                display = Display()
            if os.path.exists(log(name)):
                os.remove(log(name))
            run()
            with open(log(name), errors="replace") as f:
                lines = f.read().splitlines()
            frames = normalise(lines)
            with open(os.path.join(out_dir, name + ".frames"), "w") as f:
                f.write("".join(line + "\n" for line in frames))
            raw = sum(1 for line in lines if line.strip() and not line.startswith("#"))
            print("%-16s %5d frames raw, %4d normalised" % (name, raw, len(frames)), flush=True)
    finally:
        if display is not None:
            display.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
