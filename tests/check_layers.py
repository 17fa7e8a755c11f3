#!/usr/bin/env python3
"""Reads the #include lines of every C++ file and checks the layers of
docs/architecture.md: a file includes only its own layer and the layers
below it; log/ includes nothing of ours but itself; scoring/ includes no
other subsystem; of plugin/, tools/ sees only the export boundary. Inside
tools/, yodx has layers of its own: its library (tools/contest/) includes
only itself and the ground; the replay over the plug-in (tools/replay/)
includes no command; and its commands (tools/yodx/) never include each
other, but for the log robot (serve.cpp, serve/), which stands on the
engines of lint and crosscheck (their folders, never their command files)
and which no other command includes."""
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
# Headers the build writes, with nothing of ours in them: of the ground.
GENERATED = {"stats_version.h"}
# yodx inside tools/: its library, the replay over the real plug-in, its commands.
TOOL = {"tools/contest": 0, "tools/replay": 1, "tools/yodx": 2}
# The program around the commands: what every command may include.
PROGRAM = {"tools/yodx/main.cpp", "tools/yodx/commands.h", "tools/yodx/commands.cpp"}
# The commands whose engines (their folders) another command stands on.
ENGINES = {"serve": {"lint", "crosscheck"}}
INCLUDE = re.compile(r'\s*#\s*include\s*"([^"]+)"')


def tool_part(path):
    return next((part for part in TOOL if path.startswith(part + "/")), None)


def command(path):
    """The command a file of tools/yodx/ belongs to: its name (lint.cpp) or its
    folder (lint/linter.h); None for the program around the commands."""
    if tool_part(path) != "tools/yodx" or path in PROGRAM:
        return None
    rest = path[len("tools/yodx/"):]
    if "/" in rest:
        return rest.split("/")[0]
    # A command's file for one platform (serve_win32.cpp) is of that command.
    return re.sub(r"_(win32|portable)$", "", os.path.splitext(rest)[0])


def tool_problem(source, header):
    here, there = tool_part(source), tool_part(header)
    if here == "tools/contest" and there != "tools/contest" and LAYER[header.split("/")[0]] != 0:
        return "the tool's library includes only itself and the ground"
    if here and there and TOOL[there] > TOOL[here]:
        return "a layer of the tool above its own"
    mine, theirs = command(source), command(header)
    if mine and theirs and mine != theirs:
        engine = "/" in header[len("tools/yodx/"):]
        if not (engine and theirs in ENGINES.get(mine, ())):
            return "a command includes no other command"
    return None


def problem(source, header):
    if header in GENERATED:
        return None
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
    return tool_problem(source, header)


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
