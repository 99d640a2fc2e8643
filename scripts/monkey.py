#!/usr/bin/env python3
"""Random use of the desktop program against hvt-sim with faults injected.

Runs under its own Xvfb, window manager and session bus (scripts/monkey.sh
sets them up). Controls are found through the accessibility tree and
driven by synthetic input (XTEST through xdotool). Findings:

- the program dies of a signal;
- a window of it leaves a _NET_WM_PING or an accessibility call unanswered
  for more than 5 s, except while its start-up connection waits;
- two message boxes are up at once;
- after it has ended (faults cleared, window closed, then SIGTERM) the
  instrument still runs a test or has its line on, unless the program's
  last visible text said that it may.

Prints the seed, the number of actions and the findings; exits 1 when there
are findings.
"""

import argparse
import os
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ANSWER_BOUND_S = 5.0
# The program's own texts that tell the operator the instrument may run on.
STILL_RUNNING_TEXTS = (
    "may still be injecting",
    "did not start; START waits",
    "reports a test running",
    "reports its EUT line on",
)
FAULTS = (
    lambda r: "nak %d" % r.randint(1, 3),
    lambda r: "silent %d" % r.randint(1, 4),
    lambda r: "bad-bcc %d" % r.randint(1, 3),
    lambda r: "slow %d %d" % (r.randint(50, 1500), r.randint(1, 3)),
    lambda r: "stray %d" % r.randint(1, 5),
    lambda r: "babble %d" % r.randint(50, 600),
    lambda r: "error %d" % r.randint(1, 8),
    lambda r: "panel-stop",
    lambda r: "external-stop",
    lambda r: "line-off",
)
KEYS = (
    "Return", "Return", "Escape", "space", "space", "Tab", "Tab", "shift+Tab", "Up", "Down",
    "Left", "Right", "Prior", "Next", "Home", "End", "BackSpace", "Delete", "ctrl+Tab",
    "alt+f", "alt+e", "alt+v", "alt+h", "ctrl+n", "ctrl+o", "ctrl+s", "ctrl+c", "ctrl+v",
    "F1", "0", "1", "5", "9", "minus", "period",
)
RUN_BUTTONS = {"START", "STOP", "PAUSE", "TRIGGER", "LINE", "1SHOT MODE", "Yes", "No", "OK"}
CLICKABLE_ROLES = {
    "push button", "check box", "radio button", "toggle button", "combo box", "spin button",
    "text", "list item", "page tab", "menu item", "menu", "list", "table cell", "slider",
    "scroll bar", "tree item",
}


class Finding(Exception):
    pass


class Xvfb:
    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
        if not number.strip():
            raise SystemExit("monkey: Xvfb did not start")
        self.name = ":" + number.decode().strip()

    def stop(self):
        self.proc.kill()
        self.proc.wait()


class Sim:
    """hvt-sim on a pseudo-terminal; its standard input takes the faults."""

    def __init__(self, path, log):
        self.proc = subprocess.Popen([path, "--strict", "--log", log], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.device = self.proc.stdout.readline().strip()
        if not self.device:
            raise SystemExit("monkey: hvt-sim gave no device")

    def command(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if select.select([self.proc.stdout], [], [], 0.5)[0]:
                reply = self.proc.stdout.readline().strip()
                if reply.startswith("ok") or reply.startswith("error"):
                    return reply
        return ""

    def activity(self):
        """(test running, line on) from the "QG" answer."""
        reply = self.command("status")
        at = reply.find("AG")
        if at < 0 or len(reply) < at + 4:
            raise Finding("hvt-sim does not answer status: %r" % reply)
        return bool(ord(reply[at + 2]) & 1), bool(ord(reply[at + 3]) & 2)

    def stop(self):
        self.proc.stdin.close()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class Pinger:
    """_NET_WM_PING to the program's top-level windows; Qt answers on the root."""

    def __init__(self, display_name):
        from Xlib import X, display
        self.X = X
        self.d = display.Display(display_name)
        self.root = self.d.screen().root
        # Qt's xcb plugin answers with StructureNotify | SubstructureRedirect.
        self.root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
        self.protocols = self.d.intern_atom("WM_PROTOCOLS")
        self.ping_atom = self.d.intern_atom("_NET_WM_PING")
        self.pid_atom = self.d.intern_atom("_NET_WM_PID")
        self.stamp = 1

    def windows(self, pid):
        found = []
        for w in self.root.query_tree().children:
            try:
                prop = w.get_full_property(self.pid_atom, self.X.AnyPropertyType)
                if prop and prop.value and prop.value[0] == pid and \
                        w.get_attributes().map_state == self.X.IsViewable:
                    found.append(w)
                    continue
                # Under a reparenting window manager the client is one level down.
                for c in w.query_tree().children:
                    prop = c.get_full_property(self.pid_atom, self.X.AnyPropertyType)
                    if prop and prop.value and prop.value[0] == pid and \
                            c.get_attributes().map_state == self.X.IsViewable:
                        found.append(c)
            except Exception:  # a window that went away meanwhile
                continue
        return found

    def gone(self, w):
        """True when the window no longer exists or is no longer shown."""
        from Xlib import error
        catch = error.CatchError(error.BadWindow, error.BadDrawable)
        try:
            attributes = w.get_attributes(onerror=catch)
            self.d.sync()
        except error.XError:
            return True
        return catch.get_error() is not None or attributes is None or \
            attributes.map_state != self.X.IsViewable

    def ping(self, pid):
        """Seconds the slowest window took to answer, None when one did not within the bound."""
        from Xlib import error, protocol
        slowest = 0.0
        for w in self.windows(pid):
            self.stamp += 1
            stamp = self.stamp
            event = protocol.event.ClientMessage(
                window=w, client_type=self.protocols,
                data=(32, [self.ping_atom, stamp, w.id, 0, 0]))
            start = time.monotonic()
            catch = error.CatchError(error.BadWindow)
            try:
                w.send_event(event, event_mask=0, onerror=catch)
                self.d.flush()
            except Exception:
                continue
            answered = False
            while time.monotonic() - start < ANSWER_BOUND_S:
                while self.d.pending_events():
                    e = self.d.next_event()
                    if e.type == self.X.ClientMessage and e.data[1][1] == stamp:
                        answered = True
                if answered or catch.get_error() is not None:
                    break
                select.select([self.d], [], [], 0.05)
            # A window closed meanwhile (a dialog that ended) is no finding.
            if catch.get_error() is not None or (not answered and self.gone(w)):
                continue
            if not answered:
                return None
            slowest = max(slowest, time.monotonic() - start)
        return slowest


class Program:
    def __init__(self, binary, env, cwd, rnd):
        self.env = env
        args = [binary]
        documents = [f for f in os.listdir(cwd) if f.endswith(".plk")]
        if documents and rnd.random() < 0.3:
            args.append(rnd.choice(documents))
        self.proc = subprocess.Popen(args, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                     stderr=open(os.path.join(cwd, "program.err"), "a"))
        self.started = time.monotonic()

    @property
    def pid(self):
        return self.proc.pid

    def alive(self):
        return self.proc.poll() is None


class Tree:
    """The program's accessible windows and their controls."""

    def __init__(self, pid):
        import pyatspi
        self.at = pyatspi
        self.pid = pid

    def app(self):
        try:
            desktop = self.at.Registry.getDesktop(0)
            count = desktop.childCount
        except Exception:
            return None
        for i in range(count):
            try:
                a = desktop.getChildAtIndex(i)
                if a is not None and a.get_process_id() == self.pid:
                    return a
            except Exception:
                continue
        return None

    def windows(self):
        """(role, name, node) of each showing top-level window, oldest first."""
        app = self.app()
        if app is None:
            return []
        found = []
        try:
            count = app.childCount
        except Exception:
            return []
        for i in range(count):
            try:
                w = app.getChildAtIndex(i)
                if w is not None and w.getState().contains(self.at.STATE_SHOWING):
                    found.append((w.getRoleName(), w.name or "", w))
            except Exception:  # a window that went away meanwhile
                continue
        return found

    def controls(self, window, limit=400):
        """Showing, enabled controls with their screen centres, and every visible text."""
        out, texts = [], []
        stack = [window]
        while stack and len(out) < limit:
            node = stack.pop()
            try:
                state = node.getState()
                if not state.contains(self.at.STATE_SHOWING):
                    continue
                role = node.getRoleName()
                name = node.name or ""
                if name:
                    texts.append(name)
                if role in ("label", "status bar", "alert", "static") and node.queryText:
                    try:
                        t = node.queryText()
                        texts.append(t.getText(0, t.characterCount))
                    except Exception:
                        pass
                if role in CLICKABLE_ROLES and state.contains(self.at.STATE_ENABLED):
                    x, y, w, h = node.queryComponent().getExtents(self.at.DESKTOP_COORDS)
                    if w > 0 and h > 0:
                        out.append((role, name, x + w // 2, y + h // 2))
                for i in range(min(node.childCount, 200)):
                    c = node.getChildAtIndex(i)
                    if c is not None:
                        stack.append(c)
            except Exception:  # a node that went away meanwhile
                continue
        return out, texts


def xdo(env, *args):
    subprocess.run(["xdotool", *args], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=20)


class Monkey:
    def __init__(self, args):
        self.rnd = random.Random(args.seed)
        self.seed = args.seed
        self.seconds = args.seconds
        self.binary = os.path.abspath(args.program)
        self.actions = 0
        self.findings = []
        self.starts = 0
        self.frame_texts = []  # the main window's, as last seen
        self.alert_texts = []  # the latest message box's
        self.scratch = tempfile.mkdtemp(prefix="hvt-monkey-")
        self.keep = args.keep

    def log(self, text):
        with open(os.path.join(self.scratch, "monkey.log"), "a") as f:
            f.write("%8.2f %s\n" % (time.monotonic() - self.t0, text))

    def find(self, text):
        self.findings.append(text)
        self.log("FINDING " + text)
        print("monkey: finding: " + text, flush=True)

    def setup(self):
        self.t0 = time.monotonic()
        self.x = Xvfb()
        os.environ["DISPLAY"] = self.x.name
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.sim = Sim(self.sim_binary(), os.path.join(self.scratch, "sim.log"))
        cfg = os.path.join(self.scratch, "cfg", "Korrin", "HVT-KP4RS")
        os.makedirs(cfg)
        with open(os.path.join(cfg, "HVT-KP4RS.INI"), "w") as f:
            f.write("[EMV]\nPORT_NUM=1\n[Ports]\nCOM1=%s\n" % self.sim.device)
        runtime = os.path.join(self.scratch, "rt")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ, QT_QPA_PLATFORM="xcb", DISPLAY=self.x.name,
                        XDG_CONFIG_HOME=os.path.join(self.scratch, "cfg"),
                        XDG_RUNTIME_DIR=runtime, HOME=self.scratch,
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                        LANG="C.UTF-8", LC_ALL="C.UTF-8", LANGUAGE="en",
                        ASAN_OPTIONS="detect_leaks=0")
        self.pinger = Pinger(self.x.name)

    def sim_binary(self):
        return os.path.join(os.path.dirname(self.binary), "hvt-sim")

    def teardown(self):
        for p in (self.sim,):
            p.stop()
        self.wm.kill()
        self.x.stop()
        if self.findings or self.keep:
            print("monkey: logs kept in " + self.scratch)
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)

    # The program's end, expected or not: was it a crash, and is the
    # instrument left stopped or was the operator told?
    def ended(self, program, polite):
        code = program.proc.returncode
        self.log("program ended with %s" % code)
        if code is not None and code < 0 and not (polite and code == -signal.SIGTERM):
            self.find("the program died of signal %d" % -code)
        self.sim.command("clear")
        running, line = self.sim.activity()
        told = any(t in text for text in self.frame_texts + self.alert_texts
                   for t in STILL_RUNNING_TEXTS)
        if (running or line) and not told:
            self.find("after the program ended the instrument %s and nothing said so"
                      % ("runs a test" if running else "has its line on"))
        if running or line:
            self.log("instrument left %s; the program had said so" % ((running, line),))
            # Stopped by hand, as the operator was asked to, for the next start.
            subprocess.run([os.path.join(os.path.dirname(self.binary), "hvtctl"), "stop",
                            "--device", self.sim.device], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)

    def end_politely(self, program):
        self.sim.command("clear")
        for w in self.pinger.windows(program.pid):
            subprocess.run(["wmctrl", "-i", "-c", hex(w.id)], env=self.env, timeout=10)
        deadline = time.monotonic() + 3
        while program.alive() and time.monotonic() < deadline:
            time.sleep(0.1)
        if program.alive():
            program.proc.send_signal(signal.SIGTERM)
            try:
                program.proc.wait(15)
            except subprocess.TimeoutExpired:
                self.find("the program did not end within 15 s of SIGTERM")
                program.proc.kill()
                program.proc.wait()
        self.ended(program, polite=True)

    def watch(self, program, tree, in_startup):
        """The checks made after every action."""
        if not in_startup:
            took = self.pinger.ping(program.pid)
            if took is None and program.alive():
                self.find("a window left _NET_WM_PING unanswered for %.0f s (action %d)"
                          % (ANSWER_BOUND_S, self.actions))
        start = time.monotonic()
        windows = tree.windows()
        alerts = [w for w in windows if w[0] == "alert"]
        took = time.monotonic() - start
        if took > ANSWER_BOUND_S and not in_startup:
            self.find("an accessibility call took %.1f s" % took)
        if len(alerts) > 1:
            self.find("%d message boxes open at once: %s"
                      % (len(alerts), " | ".join(a[1] for a in alerts)))
        return windows

    def file_dialog(self):
        """A file dialog gets a name in the scratch folder, typed, or is cancelled."""
        r = self.rnd
        if r.random() < 0.2:
            xdo(self.env, "key", "Escape")
            return
        existing = [f for f in os.listdir(self.scratch) if f.endswith(".plk")]
        if existing and r.random() < 0.5:
            name = r.choice(existing)
        else:
            name = "m%d.%s" % (r.randint(0, 9), r.choice(["plk", "plk", "pdf", "txt"]))
        xdo(self.env, "key", "ctrl+a")
        xdo(self.env, "type", "--delay", "5", os.path.join(self.scratch, name))
        xdo(self.env, "key", "Return")

    def act(self, windows, tree):
        r = self.rnd
        self.actions += 1
        roll = r.random()
        if roll < 0.04:
            fault = r.choice(FAULTS)(r)
            self.log("fault " + fault)
            self.sim.command(fault)
            return
        # The window on top: the last dialog or message box, else the main window.
        top = windows[-1] if windows else None
        for w in windows:
            if w[0] in ("alert", "dialog", "file chooser"):
                top = w
        if top is None:
            xdo(self.env, "key", r.choice(KEYS))
            return
        role, title, node = top
        controls, texts = tree.controls(node)
        if role == "frame":
            self.frame_texts = texts
        elif role == "alert":
            self.alert_texts = texts
        if role in ("dialog", "file chooser") and any(
                n in title for n in ("Open", "Save", "Export", "Print to")):
            self.log("file dialog %r" % title)
            self.file_dialog()
            return
        if roll < 0.45 or role == "alert":
            if controls:
                # The run's own buttons come up more often than their share.
                run = [c for c in controls if c[1] in RUN_BUTTONS]
                role, name, x, y = r.choice(run if run and r.random() < 0.3 else controls)
                self.log("click %s %r at %d,%d" % (role, name, x, y))
                xdo(self.env, "mousemove", str(x), str(y), "click",
                    r.choice(["1", "1", "1", "3"]))
                if r.random() < 0.1:
                    xdo(self.env, "click", "--repeat", "2", "1")
                return
        if roll < 0.55:
            digits = str(r.randint(0, 99999))[: r.randint(1, 5)]
            self.log("type " + digits)
            xdo(self.env, "type", "--delay", "10", digits)
            return
        if roll < 0.6:
            key = r.choice(["Return", "space", "Escape"])
            hold = r.uniform(0.2, 2.5)
            self.log("hold %s %.1f s" % (key, hold))
            xdo(self.env, "keydown", key)
            time.sleep(hold)
            xdo(self.env, "keyup", key)
            return
        key = r.choice(KEYS)
        self.log("key " + key)
        xdo(self.env, "key", key)

    def run(self):
        self.setup()
        end = self.t0 + self.seconds
        program = None
        try:
            while time.monotonic() < end:
                if program is None or not program.alive():
                    if program is not None:
                        self.ended(program, polite=False)
                    self.starts += 1
                    self.frame_texts, self.alert_texts = [], []
                    program = Program(self.binary, self.env, self.scratch, self.rnd)
                    tree = Tree(program.pid)
                    in_startup = True
                    self.log("start %d, pid %d" % (self.starts, program.pid))
                windows = self.watch(program, tree, in_startup)
                in_startup = not any(w[0] == "frame" for w in windows)
                if not program.alive():
                    continue
                if not windows:
                    time.sleep(0.1)
                    if time.monotonic() - program.started > 30:
                        self.find("no window 30 s after the start")
                        program.proc.kill()
                        program.proc.wait()
                    continue
                self.act(windows, tree)
                time.sleep(self.rnd.choice([0.0, 0.02, 0.05, 0.2]))
            if program is not None and program.alive():
                self.end_politely(program)
            elif program is not None:
                self.ended(program, polite=False)
        except Finding as f:
            self.find(str(f))
        finally:
            if program is not None and program.alive():
                program.proc.kill()
                program.proc.wait()
            self.teardown()
        print("monkey: seed %d, %d actions in %d s over %d starts, %d findings"
              % (self.seed, self.actions, self.seconds, self.starts, len(self.findings)))
        return 1 if self.findings else 0


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("seconds", type=int)
    p.add_argument("seed", type=int, nargs="?")
    p.add_argument("--program", required=True, help="the desktop program's binary")
    p.add_argument("--keep", action="store_true", help="keep the scratch folder and logs")
    args = p.parse_args()
    if args.seed is None:
        args.seed = random.SystemRandom().randrange(1, 2**31)
    print("monkey: seed %d, %d s" % (args.seed, args.seconds), flush=True)
    sys.exit(Monkey(args).run())


if __name__ == "__main__":
    main()
