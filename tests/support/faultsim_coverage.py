#!/usr/bin/env python3
"""Does the fault simulation walk every exported function of the library?

The library exports what its public headers declare KXAPI (the linker's
version script only keeps names of the interface's patterns: KX_..., ucNNNN,
kxNNNN_), and the few KXAPI definitions of its sources that no public header
declares (routines the host calls back by name). A function is walked when a
fault-simulation story of the tests steps through it:

    FAULTSIM_STEP(KX_xxx(...))          and its aliases (#define STEP FAULTSIM_STEP)
    step("KX_xxx", ...)                 any helper whose first argument names the step
    a macro that names a step by #expr  (the C stories' CALL(KX_xxx(...)))

in a test source of a folder that holds a ...FaultSimulation test.

Every exported function that is not walked must be listed in the list file
(tests/support/faultsim_unwalked.txt), a line each:

    FUNCTION  REASON  [what the reason rests on]

with REASON one of
    no-host-call   the function makes no host call (argument checks, pure
                   computation): there is nothing to inject an error into;
    not-yet        its walk is still to be written (the debt).

The check fails naming every exported function neither walked nor listed, and
every line of the list that is stale (the function is walked, or no longer
exported, or listed twice, or its reason is not one of the above). It prints
the figures per header and in total.

    faultsim_coverage.py SOURCE_DIR [--list FILE] [--points LOG...]

--points reads test logs (ctest's LastTest.log, or a story's output) and adds
up the lines "story: N host calls, S steps, R runs, F faults" that the
simulation prints: the host-call points that the stories inject errors into.
"""

import argparse
import collections
import glob
import os
import re
import sys

REASONS = ("no-host-call", "not-yet")
NAME = r"(?:KX_\w+|uc\d{4}\w*|kx\w+_)"


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def exported(src):
    """{function: header} of the exported functions."""
    out = {}
    decl = re.compile(r"^\s*(?:extern\s+\"C\"\s+)?KXAPI\b[^;{()]*?\b(" + NAME + r")\s*\(", re.M)
    for path in sorted(glob.glob(os.path.join(src, "libkxapi", "include", "*.h"))):
        for m in decl.finditer(strip_comments(open(path, encoding="utf-8").read())):
            out.setdefault(m.group(1), os.path.basename(path))
    # Definitions the host calls back by name, declared by no public header.
    for path in sorted(glob.glob(os.path.join(src, "libkxapi", "**", "*.*"), recursive=True)):
        if "/include/" in path or not path.endswith((".cpp", ".c", ".h")):
            continue
        for m in decl.finditer(strip_comments(open(path, encoding="utf-8", errors="replace").read())):
            out.setdefault(m.group(1), "(" + os.path.relpath(path, os.path.join(src, "libkxapi")) + ")")
    return out


def macros(text):
    """{name: (params, body)} of the function-like and object-like macros."""
    text = text.replace("\\\n", " ")
    out = {}
    for m in re.finditer(r"^\s*#\s*define\s+(\w+)(\(([^)]*)\))?[ \t]*([^\n]*)", text, re.M):
        params = [p.strip() for p in (m.group(3) or "").split(",") if p.strip()] if m.group(2) else None
        out[m.group(1)] = (params, m.group(4))
    return out


def step_macros(defs):
    """Names of the macros whose argument is a library call made as a step."""
    steps = {"FAULTSIM_STEP"}
    changed = True
    while changed:
        changed = False
        for name, (params, body) in defs.items():
            if name in steps:
                continue
            if params is None:
                if body.strip() in steps:
                    steps.add(name)
                    changed = True
                continue
            for p in params:
                # #p handed to a step function, or p handed to a step macro.
                hands = re.search(r"\b\w+\s*\(\s*#\s*" + re.escape(p) + r"\b", body)
                passes = any(re.search(r"\b" + re.escape(s) + r"\s*\(\s*" + re.escape(p) + r"\b", body) for s in steps)
                if hands or passes:
                    steps.add(name)
                    changed = True
                    break
    return steps


def walked(src):
    """{function: [test files]} of the functions the stories step through."""
    out = collections.defaultdict(list)
    tests = os.path.join(src, "tests")
    story = re.compile(r"^\s*TEST(?:_F|_P)?\(\s*\w*FaultSimulation\s*,", re.M)
    folders = set()
    sources = sorted(glob.glob(os.path.join(tests, "**", "*.c*"), recursive=True))
    sources += sorted(glob.glob(os.path.join(tests, "**", "*.h"), recursive=True))
    texts = {}
    for path in sources:
        if "/support/" in path:
            continue
        texts[path] = strip_comments(open(path, encoding="utf-8", errors="replace").read())
        if story.search(texts[path]):
            folders.add(os.path.dirname(path))
    named = re.compile(r"\b\w+\s*\(\s*\"(" + NAME + r")\"")
    for path, text in texts.items():
        if os.path.dirname(path) not in folders:
            continue
        found = set(named.findall(text))
        for m in step_macros(macros(text)):
            found.update(re.findall(r"\b" + m + r"\s*\(\s*(" + NAME + r")\s*\(", text))
        for f in found:
            out[f].append(os.path.relpath(path, src))
    return out


def read_list(path):
    """[(line number, function, reason, why)] of the list file."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split(None, 2)
            rows.append((n, parts[0], parts[1] if len(parts) > 1 else "", parts[2] if len(parts) > 2 else ""))
    return rows


def points(logs):
    """{story: (host calls, steps, runs, faults)} of the simulation's figures
    in the logs (a story run again counts once). A program that prints only
    its stories' sum ("...: N stories, S steps, H host calls, R runs") counts
    as one story of that name."""
    figures = re.compile(r"^(.*?): (\d+) host calls, (\d+) steps, (\d+) runs, (\d+) faults$", re.M)
    sums = re.compile(r"^(.*?): \d+ stories, (\d+) steps, (\d+) host calls, (\d+) runs$", re.M)
    seen = {}
    for path in logs:
        text = open(path, encoding="utf-8", errors="replace").read()
        for m in figures.finditer(text):
            seen[m.group(1)] = tuple(int(m.group(i)) for i in range(2, 6))
        for m in sums.finditer(text):
            seen[m.group(1)] = (int(m.group(3)), int(m.group(2)), int(m.group(4)), 0)
    return seen


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("src")
    ap.add_argument("--list", default=None)
    ap.add_argument("--points", nargs="*", default=None)
    ap.add_argument("--walked", action="store_true", help="print each function walked, and where")
    a = ap.parse_args()
    listfile = a.list or os.path.join(a.src, "tests", "support", "faultsim_unwalked.txt")

    api = exported(a.src)
    walks = walked(a.src)
    rows = read_list(listfile)
    problems = []
    listed = {}
    for n, fn, reason, why in rows:
        where = "%s:%d: %s" % (os.path.basename(listfile), n, fn)
        if reason not in REASONS:
            problems.append("%s: reason %r is none of %s" % (where, reason, ", ".join(REASONS)))
        elif fn not in api:
            problems.append("%s: not exported (remove the line)" % where)
        elif fn in walks:
            problems.append("%s: walked by %s (remove the line)" % (where, walks[fn][0]))
        elif fn in listed:
            problems.append("%s: listed twice" % where)
        else:
            listed[fn] = reason
    missing = sorted(fn for fn in api if fn not in walks and fn not in listed)
    for fn in missing:
        problems.append("%s (%s): exported, walked by no fault-simulation story and not listed in %s" %
                        (fn, api[fn], os.path.basename(listfile)))

    per = collections.OrderedDict()
    for fn, header in sorted(api.items(), key=lambda kv: (kv[1], kv[0])):
        c = per.setdefault(header, collections.Counter())
        c["exported"] += 1
        c["walked" if fn in walks else listed.get(fn, "unlisted")] += 1
    cols = ("exported", "walked") + REASONS + ("unlisted",)
    print("%-28s" % "header" + "".join("%14s" % c for c in cols))
    total = collections.Counter()
    for header, c in per.items():
        total.update(c)
        print("%-28s" % header + "".join("%14d" % c[k] for k in cols))
    print("%-28s" % "total" + "".join("%14d" % total[k] for k in cols))
    if a.walked:
        for fn in sorted(walks):
            print("walked %s: %s" % (fn, ", ".join(sorted(set(walks[fn])))))
    if a.points is not None:
        seen = points(a.points)
        sums = [sum(v[i] for v in seen.values()) for i in range(4)]
        print("stories %d: %d host-call points, %d steps, %d runs, %d faults" % ((len(seen),) + tuple(sums)))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
