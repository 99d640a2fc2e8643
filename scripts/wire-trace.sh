#!/usr/bin/env bash
# The frames the programs put on the wire, to show that a change of the code
# leaves them as they were: scripts/wire-trace.sh BIN_DIR OUT_DIR runs
# hvtctl and the desktop program of BIN_DIR against hvt-sim (a program of a
# fixed unit and a sweep, and the sweep alone) and writes OUT_DIR/NAME.log
# (hvt-sim's log) and OUT_DIR/NAME.frames (without times, repeated status
# polls collapsed) for each run. Compare two builds with
# diff -r OUT_A OUT_B --exclude='*.log'. Needs Xvfb, openbox, xprop,
# dbus-run-session and pyatspi for /usr/bin/python3 (scripts/monkey.sh
# installs them).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: scripts/wire-trace.sh BIN_DIR OUT_DIR" >&2; exit 2; }
# The session's bus and accessibility registry chatter on its output; the
# script's own output goes round them through descriptors 3 and 4.
dbus-run-session -- /bin/sh -c 'exec /usr/bin/python3 "$0" "$1" "$2" >&3 2>&4' \
  "$(dirname "$0")/wire-trace.py" "$1" "$2" 3>&1 4>&2 >/dev/null 2>&1
