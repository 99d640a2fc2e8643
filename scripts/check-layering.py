#!/usr/bin/env python3
"""Checks every #include under src/, app/ and tools/ against the layering.

scripts/check-layering.py [ROOT] prints one line per include that goes
against the table below (FILE:LINE: what is wrong) and exits 1 if there is
any, 0 otherwise. The table is ARCHITECTURE.md's, section 1; a new folder
gets its row here in the same change. --self-test runs the check on a small
tree with wrong includes and fails unless each is named.
"""

import os
import re
import sys
import tempfile

CORE = {"ports", "model", "link", "report", "sim", "form", "run", "view", "journal"}

# Folder -> the other src/ folders it may include.
MAY_INCLUDE = {
    "ports": set(),
    "model": {"ports"},
    "link": {"ports", "model"},
    "report": {"ports", "model"},
    "sim": {"ports", "model", "link"},
    "form": {"ports", "model", "link", "report"},
    "run": {"ports", "model", "link", "form"},
    "view": {"ports", "model", "link", "report", "form", "run", "journal"},
    "journal": {"ports", "model"},
    "os": {"ports", "model"},
    "platform": {"ports", "model", "link", "report", "journal", "os"},
    "ui": {"ports", "model", "link", "report", "sim", "form", "run", "view", "journal", "os",
           "platform"},
}
EVERYTHING = set(MAY_INCLUDE)

# The C++20 standard library and its C headers: all a core folder may take
# from outside the tree.
STANDARD = set("""
algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv chrono
cinttypes climits clocale cmath codecvt compare complex concepts condition_variable coroutine
csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype deque
exception execution expected filesystem format forward_list fstream functional future
initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale map memory
memory_resource mutex new numbers numeric optional ostream queue random ranges ratio regex
scoped_allocator semaphore set shared_mutex source_location span sstream stack stdexcept
stop_token streambuf string string_view syncstream system_error thread tuple type_traits
typeindex typeinfo unordered_map unordered_set utility valarray variant vector version
""".split())

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def top_folder(path, root):
    """The src/ folder a file lies in, or 'app'/'tools' outside src/."""
    rel = os.path.relpath(path, root).split(os.sep)
    if rel[0] == "src":
        return rel[1] if len(rel) > 2 else None
    return rel[0]


def check_file(path, root, src):
    folder = top_folder(path, root)
    if folder is None:
        return []
    problems = []
    rel = os.path.relpath(path, root)
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            angled, name = m.group(1) == "<", m.group(2)
            where = f"{rel}:{number}"
            if angled:
                if folder in CORE and name not in STANDARD:
                    problems.append(f"{where}: core folder {folder} includes <{name}>, "
                                    "which is not in the standard library")
                elif folder == "os" and (name.startswith("Q") or name.startswith("qt")):
                    problems.append(f"{where}: os includes the Qt header <{name}>")
                continue
            # A quoted include names a src/ folder, or a file beside this one.
            target = name.split("/")[0]
            beside = os.path.exists(os.path.join(os.path.dirname(path), name))
            in_src = "/" in name and os.path.isdir(os.path.join(src, target))
            if folder in ("app", "tools"):
                continue
            if not in_src:
                if not beside:
                    problems.append(f'{where}: "{name}" is neither a src/ folder\'s header '
                                    "nor a file beside this one")
                elif "/" in name or ".." in name:
                    problems.append(f'{where}: "{name}" reaches out of src/{folder}')
                continue
            if target == folder:
                continue
            if target not in EVERYTHING:
                problems.append(f"{where}: src/{target} has no row in the layering table")
            elif target not in MAY_INCLUDE.get(folder, set()):
                allowed = ", ".join(sorted(MAY_INCLUDE.get(folder, set()))) or "nothing"
                problems.append(f'{where}: {folder} may not include "{name}" '
                                f"({folder} may include {allowed})")
    return problems


def check_tree(root):
    src = os.path.join(root, "src")
    problems = []
    for folder in sorted(os.listdir(src)):
        if os.path.isdir(os.path.join(src, folder)) and folder not in MAY_INCLUDE:
            problems.append(f"src/{folder}: no row in the layering table")
    files = 0
    for top in ("src", "app", "tools"):
        for dirpath, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    files += 1
                    problems += check_file(os.path.join(dirpath, name), root, src)
    return files, problems


def self_test():
    """A tree with one sound include and four wrong ones: each wrong one must
    be named with its file and line, and the sound one not at all."""
    files = {
        "src/model/Doc.cpp": '#include "model/Doc.h"\n#include "ports/Port.h"\n'
                             '#include <vector>\n#include "run/Run.h"\n#include <QString>\n',
        "src/model/Doc.h": "#pragma once\n",
        "src/ports/Port.h": "#pragma once\n",
        "src/run/Run.h": "#pragma once\n#include <unistd.h>\n",
        "src/os/File.cpp": "#include <unistd.h>\n#include <QFile>\n",
        "src/view/View.cpp": '#include "hvt-sim/Sim.h"\n',
    }
    expected = ["src/model/Doc.cpp:4:", "src/model/Doc.cpp:5:", "src/run/Run.h:2:",
                "src/os/File.cpp:2:", "src/view/View.cpp:1:"]
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        _, problems = check_tree(root)
    found = sorted(p.split(" ", 1)[0] for p in problems)
    if found != sorted(expected):
        print("self-test: expected", sorted(expected), "got", problems)
        return 1
    print(f"self-test: the {len(expected)} wrong includes are named")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    files, problems = check_tree(root)
    for p in problems:
        print(p)
    print(f"layering: {files} files, {len(problems)} problems", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
