#!/usr/bin/env python3
"""Reads every decorated export name of both .def files back with llvm-undname
and checks the function name, the parameter count and each parameter's type
against the host's parameter lists, written out here position by position."""
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEXT, UINT, DATE, INT, REAL, BUF = "text", "unsigned", "date", "int", "double", "buffer"


def span(kind, first, last):
    return [kind] * (last - first + 1)


QSO = ([TEXT, TEXT] + span(DATE, 3, 6) + span(UINT, 7, 8) + span(TEXT, 9, 23) +
       span(INT, 24, 26) + span(REAL, 27, 28) + span(TEXT, 29, 33))
CHECK = ([TEXT] + span(UINT, 2, 3) + span(TEXT, 4, 14) + span(INT, 15, 17) + span(REAL, 18, 19) +
         span(TEXT, 20, 26) + span(BUF, 27, 28))
RESET = ([TEXT, INT, TEXT, DATE, DATE] + span(TEXT, 6, 15) + span(INT, 16, 18) +
         span(REAL, 19, 20) + span(TEXT, 21, 23))

# decorated function name -> (result, parameters)
EXPECTED = {
    "GetNumberOfSets": ("int", []),
    "GetSetName": (TEXT, [INT]),
    "StatsGetExchgCount0": ("int", [TEXT, TEXT, TEXT]),
    "ResetStats0": ("int", RESET),
    "AddData0": ("int", QSO),
    "RemoveData0": ("int", QSO),
    "CheckCallFunc0": ("int", CHECK),
    "StatsIsValidExchg0": ("int", [TEXT, TEXT, TEXT, TEXT, INT, INT, INT]),
    "GetResult0": (TEXT, ["int*"]),
    "RunCommand0": (TEXT, [INT, TEXT]),
    "SetupSet0": ("void", []),
}

TYPES = {
    "char const *": TEXT, "char const * __ptr64": TEXT,
    "char *": BUF, "char * __ptr64": BUF,
    "unsigned long": UINT, "int": INT, "double": REAL, "void": "void",
    "class COleDateTime *": DATE, "class COleDateTime * __ptr64": DATE,
    "int *": "int*", "int * __ptr64": "int*",
}


def undname(tool, name):
    out = subprocess.run([tool, name], capture_output=True, text=True, check=True).stdout
    return out.strip().splitlines()[-1]


def main():
    tool = shutil.which("llvm-undname") or shutil.which("llvm-undname-14")
    if not tool:
        sys.exit("llvm-undname not found")
    failures = 0
    for arch in ("i686", "x86_64"):
        def_text = open(os.path.join(ROOT, "plugin", "Stats_%s.def" % arch)).read()
        names = re.findall(r'"(\?[^"]+)"', def_text)
        seen = set()
        for name in names:
            text = undname(tool, name)
            m = re.match(r"(.+?) __cdecl (\w+)\((.*)\)$", text)
            if not m:
                print("FAIL %s: %s is not a __cdecl function: %s" % (arch, name, text))
                failures += 1
                continue
            result, func, params = m.group(1), m.group(2), m.group(3)
            params = [] if params == "void" else [p.strip() for p in params.split(",")]
            if func not in EXPECTED:
                print("FAIL %s: unexpected function %s" % (arch, func))
                failures += 1
                continue
            seen.add(func)
            want_result, want_params = EXPECTED[func]
            got = [TYPES.get(p, p) for p in params]
            problems = []
            if TYPES.get(result, result) != want_result:
                problems.append("result %s" % result)
            if len(got) != len(want_params):
                problems.append("%d parameters, expected %d" % (len(got), len(want_params)))
            for pos, (g, w) in enumerate(zip(got, want_params), start=1):
                if g != w:
                    problems.append("position %d is %s, expected %s" % (pos, g, w))
            if problems:
                print("FAIL %s %s: %s" % (arch, func, "; ".join(problems)))
                failures += 1
            else:
                print("ok   %s %s (%d parameters)" % (arch, func, len(got)))
        for func in sorted(set(EXPECTED) - seen):
            print("FAIL %s: no decorated name for %s" % (arch, func))
            failures += 1
    print("%d passed, %d failed" % (22 - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
