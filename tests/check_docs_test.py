#!/usr/bin/env python3
"""The docs runner catches a page that no longer shows what its commands
print, and keeps its rules (docs/tests.md): which blocks run, how a command
continues, what "..." stands for.

    check_docs_test.py ROOT BIN

Exits 1 on the first rule that does not hold."""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_docs  # noqa: E402

failures = 0


def expect(what, holds):
    global failures
    if not holds:
        print(f"FAIL {what}")
        failures += 1


def main(root, bin_dir):
    # What "..." stands for, and what must be exact.
    for expected, printed, match in [
        (["a", "b"], "a\r\nb\r\n", True),            # CR before LF aside
        (["a", "b"], "a\nc\n", False),
        (["a", "...", "z"], "a\nb\nc\nz\n", True),    # a line "...": any lines
        (["a", "...", "z"], "a\nz\n", True),          # none too
        (["a", "...", "z"], "a\nb\n", False),
        (["took ... s"], "took 0.04 s\n", True),       # within a line: any text
        (["took ... s"], "took 1\n2 s\n", False),      # but not across lines
        (["x+y (1)"], "x+y (1)\n", True),              # no other pattern
        (["x.y"], "xzy\n", False),
        ([], "", True),
        ([], "something\n", False),
    ]:
        expect(f"{expected} against {printed!r}", check_docs.matches(expected, printed) == match)

    scratch = tempfile.mkdtemp(prefix="stats-docs-test-")
    try:
        # Which blocks run: only console blocks, a list item's too; a
        # command continues after a last backslash.
        page = os.path.join(scratch, "page.md")
        with open(page, "w", encoding="utf-8") as f:
            f.write("```\n$ yodx serve --port 8080\nlistening\n```\n\n"
                    "- item\n\n  ```console\n  $ echo one \\\n      two\n  one two\n"
                    "  $ echo three\n  three\n  ```\n\n"
                    "```ini\n[Service]\nExecStart=yodx serve\n```\n")
        commands = check_docs.commands_of(page)
        expect("two commands, of the console block only", len(commands) == 2)
        expect("a continued command", commands[0].text == "echo one \\\n    two" and
               commands[0].output == ["one two"])
        expect("its line", commands[0].line == 9)

        # A text page: "  > command", its output indented as much.
        text = os.path.join(scratch, "QUICKSTART.txt")
        with open(text, "w", encoding="utf-8") as f:
            f.write("Intro\n  lint.cmd   drop a log on it\n\n  > yodx --version\n  yodx @VERSION@\n\n")
        commands = check_docs.commands_of(text, "9.8.7")
        expect("a text page's command", [(c.text, c.output) for c in commands] ==
               [("yodx --version", ["yodx 9.8.7"])])

        # A page as it stands passes; the same page with one character of
        # an output changed fails, naming it.
        ran, failed = check_docs.check_page(os.path.join(root, "README.md"), root, bin_dir,
                                            scratch)
        expect(f"README.md as it stands: {ran} commands, {failed} failed", ran > 0 and failed == 0)
        doctored = os.path.join(scratch, "README.md")
        with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        changed = readme.replace("Score: 8698*(201 + 220) = 3661858",
                                 "Score: 8698*(201 + 220) = 3661859")
        expect("the README shows the sample's score", changed != readme)
        with open(doctored, "w", encoding="utf-8") as f:
            f.write(changed)
        ran, failed = check_docs.check_page(doctored, root, bin_dir, scratch)
        expect("a doctored README fails", ran > 0 and failed == 1)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"docs runner: {failures} rules broken")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
