#!/usr/bin/env python3
"""Reads the #include lines of every C++ file and checks the layers of
docs/architecture.md: a file includes only its own layer and the layers
below it; log/ includes nothing of ours but itself; scoring/ includes no
other subsystem; of plugin/, tools/ sees only the export boundary."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The ground, the subsystems, the plug-in, and the programs that drive or test it.
LAYER = {"log": 0, "platform": 0,
         "scoring": 1, "cabrillo": 1, "infowindows": 1, "hostlink": 1, "resources": 1,
         "plugin": 2,
         "tools": 3, "tests": 3, "bench": 3, "fuzz": 3}
BOUNDARY = {"plugin/exports.h", "plugin/export_names.h"}
INCLUDE = re.compile(r'\s*#\s*include\s*"([^"]+)"')


def problem(source, header):
    here, there = source.split("/")[0], header.split("/")[0]
    if here not in LAYER or there not in LAYER:
        return "a folder without a layer"
    if LAYER[there] > LAYER[here]:
        return "a layer above its own"
    if here == "log" and there != "log":
        return "log/ is pure data and includes only the standard library"
    if here == "scoring" and LAYER[there] == 1 and there != "scoring":
        return "scoring/ includes no other subsystem"
    if here == "tools" and there == "plugin" and header not in BOUNDARY:
        return "tools/ sees of plugin/ only the export boundary"
    return None


def main():
    found, files = [], 0
    for folder, dirs, names in os.walk(ROOT):
        if folder == ROOT:
            dirs[:] = [d for d in dirs if d != "build" and not d.startswith(".")]
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            files += 1
            path = os.path.join(folder, name)
            source = os.path.relpath(path, ROOT).replace(os.sep, "/")
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    reason = match and problem(source, match.group(1))
                    if reason:
                        found.append(f"{source}:{number}: includes {match.group(1)}: {reason}")
    print("\n".join(found) if found else f"layers kept: {files} files")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
