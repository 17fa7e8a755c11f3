#!/usr/bin/env python3
"""Runs the commands that the pages show with their output, and compares.

    check_docs.py ROOT BIN [PAGE...]

The pages are README.md, docs/*.md, examples/README.md and
packaging/QUICKSTART.txt of ROOT, or the PAGEs given; BIN holds the yodx
under test. docs/tests.md states the convention for whoever writes a page:
```console blocks (in the text page, "  > " lines) are sessions of "$ "
commands and what they print on a terminal; a line "..." stands for any
lines, "..." within a line for any text; a page's sessions run in order in
one scratch folder with a copy of examples/ and BIN first on the PATH.

Exits 1 when a command prints something else than its page shows, naming
the page and line, with the difference."""
import difflib
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

COMMAND_SECONDS = 60
ANY_LINES = "..."


def default_pages(root):
    pages = [os.path.join(root, "README.md")]
    docs = os.path.join(root, "docs")
    pages += [os.path.join(docs, n) for n in sorted(os.listdir(docs)) if n.endswith(".md")]
    pages += [os.path.join(root, "examples", "README.md"),
              os.path.join(root, "packaging", "QUICKSTART.txt")]
    return [p for p in pages if os.path.exists(p)]


class Command:
    def __init__(self, page, line, text):
        self.page, self.line, self.text, self.output = page, line, text, []


def markdown_sessions(lines):
    """The ```console blocks of a Markdown page, as lists of (line, text),
    their indentation taken off."""
    sessions, i = [], 0
    while i < len(lines):
        fence = re.match(r"^( *)(```+|~~~+)\s*(\S*)", lines[i])
        if not fence:
            i += 1
            continue
        indent, marks, info = fence.groups()
        end = i + 1
        while end < len(lines) and not re.match(r"^ *" + re.escape(marks) + r"\s*$", lines[end]):
            end += 1
        if info == "console":
            body = []
            for n in range(i + 1, end):
                text = lines[n]
                body.append((n + 1, text[len(indent):] if text.startswith(indent) else text.lstrip()))
            sessions.append(body)
        i = end + 1
    return sessions


def text_sessions(lines):
    """The commands of a text page: "  > command", then its output lines
    indented as much."""
    sessions, i = [], 0
    while i < len(lines):
        if not lines[i].startswith("  > "):
            i += 1
            continue
        body = [(i + 1, "$ " + lines[i][4:])]
        i += 1
        while i < len(lines) and lines[i].startswith("  ") and not lines[i].startswith("  > "):
            body.append((i + 1, lines[i][2:]))
            i += 1
        sessions.append(body)
    return sessions


def project_version(root):
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Stats VERSION ([0-9.]+)", f.read()).group(1)


def commands_of(page, version=None):
    """Every command of PAGE with the output it shows, in page order."""
    with open(page, encoding="utf-8") as f:
        text = f.read()
    if page.endswith(".txt") and version:
        text = text.replace("@VERSION@", version)
    lines = text.split("\n")
    finder = text_sessions if page.endswith(".txt") else markdown_sessions
    commands = []
    for session in finder(lines):
        current = None
        for number, text in session:
            if current is not None and current.text.endswith("\\") and not current.output:
                current.text += "\n" + text
            elif text.startswith("$ "):
                current = Command(page, number, text[2:])
                commands.append(current)
            elif current is None:
                raise ValueError(f"{page}:{number}: a session must begin with a '$ ' command")
            else:
                current.output.append(text)
    return commands


def pattern(expected):
    """The regular expression of the expected lines."""
    parts = []
    for line in expected:
        if line == ANY_LINES:
            parts.append(r"(?:[^\n]*\n)*?")
        else:
            parts.append(".*?".join(re.escape(p) for p in line.split("...")) + r"\n")
    return "".join(parts)


def matches(expected, printed):
    """Whether PRINTED, the text a command printed, is what the EXPECTED
    lines show."""
    text = re.sub(r"\r+\n", "\n", printed)
    if text and not text.endswith("\n"):
        text += "\n"
    while expected and expected[-1] == "":
        expected = expected[:-1]
    return re.fullmatch(pattern(expected), text) is not None


def run(command, folder, env):
    """What COMMAND prints in FOLDER on a terminal, or None when it does not
    end within its time."""
    master, slave = pty.openpty()
    process = subprocess.Popen(["bash", "-c", command], cwd=folder, env=env,
                               stdin=subprocess.DEVNULL, stdout=slave, stderr=slave,
                               start_new_session=True)
    os.close(slave)
    chunks, deadline = [], time.monotonic() + COMMAND_SECONDS
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            os.close(master)
            return None
        ready, _, _ = select.select([master], [], [], left)
        if not ready:
            continue
        try:
            data = os.read(master, 65536)
        except OSError:  # the terminal's other end is closed: all is read
            data = b""
        if not data:
            break
        chunks.append(data)
    os.close(master)
    process.wait()
    return b"".join(chunks).decode("utf-8", "replace")


def check_page(page, root, bin_dir, scratch):
    """Runs the commands of PAGE in a fresh copy of examples/; the number of
    failures, each printed."""
    commands = commands_of(page, project_version(root))
    if not commands:
        return 0, 0
    folder = tempfile.mkdtemp(dir=scratch)
    shutil.copytree(os.path.join(root, "examples"), os.path.join(folder, "examples"))
    os.makedirs(os.path.join(folder, "build", "native"))
    os.symlink(bin_dir, os.path.join(folder, "build", "native", "bin"))
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""),
               TZ="UTC", LC_ALL="C.UTF-8", TERM="dumb")
    failures = 0
    for c in commands:
        printed = run(c.text, folder, env)
        name = os.path.relpath(c.page, root)
        where = f"{c.page if name.startswith('..') else name}:{c.line}"
        if printed is None:
            print(f"FAIL {where}: {c.text} did not end within {COMMAND_SECONDS} s")
            failures += 1
        elif not matches(c.output, printed):
            print(f"FAIL {where}: {c.text} prints otherwise than the page shows:")
            got = re.sub(r"\r+\n", "\n", printed).rstrip("\n").split("\n")
            sys.stdout.writelines(difflib.unified_diff(
                [l + "\n" for l in c.output], [l + "\n" for l in got], "the page", "printed"))
            failures += 1
    return len(commands), failures


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    root, bin_dir = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    pages = [os.path.abspath(p) for p in argv[3:]] or default_pages(root)
    scratch = tempfile.mkdtemp(prefix="stats-docs-")
    try:
        total = failures = 0
        for page in pages:
            ran, failed = check_page(page, root, bin_dir, scratch)
            total, failures = total + ran, failures + failed
    except ValueError as e:
        print(f"FAIL {e}")
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"{total} commands of {len(pages)} pages run, {failures} printed otherwise")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
