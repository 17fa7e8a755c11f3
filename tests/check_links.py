#!/usr/bin/env python3
"""Follows every relative link and picture of the project's Markdown pages.

   check_links.py [ROOT]

README.md, CHANGELOG.md and docs/*.md: each [text](target) and ![alt](target)
that is not a web address must name a file or folder that exists, relative to
the page, and a target with #heading must find that heading in its page (as
GitHub makes anchors of headings). Links inside code spans and code blocks are
not links. Exits 1 on any that does not resolve, naming page and line."""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                       os.path.join(os.path.dirname(__file__), ".."))
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")


def anchors(path):
    """GitHub's anchors of a page's headings: lower case, blanks to '-',
    punctuation dropped, repeats numbered."""
    seen, found = {}, set()
    for line in strip_code(open(path, encoding="utf-8").read(), spans=None).splitlines():
        match = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if not match:
            continue
        slug = re.sub(r"[^\w\- ]", "", match.group(1).strip().lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        found.add(slug if count == 0 else f"{slug}-{count}")
    return found


def strip_code(text, spans=""):
    """The text with code blocks blanked, lines kept, and each code span
    replaced by SPANS ("" for links, whose examples are no links), or by its
    own text (a heading's anchor keeps it)."""
    text = re.sub(r"^(```|~~~).*?^\1", lambda m: "\n" * m.group(0).count("\n"), text,
                  flags=re.S | re.M)
    return re.sub(r"`([^`\n]*)`", (lambda m: m.group(1)) if spans is None else spans, text)


def pages():
    for name in ("README.md", "CHANGELOG.md"):
        if os.path.exists(os.path.join(ROOT, name)):
            yield os.path.join(ROOT, name)
    docs = os.path.join(ROOT, "docs")
    for name in sorted(os.listdir(docs)):
        if name.endswith(".md"):
            yield os.path.join(docs, name)


def main():
    failures = checked = 0
    for page in pages():
        text = strip_code(open(page, encoding="utf-8").read())
        for number, line in enumerate(text.splitlines(), 1):
            for target in LINK.findall(line):
                if re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
                    continue  # a web address or mail link
                checked += 1
                file, _, heading = target.partition("#")
                path = os.path.normpath(os.path.join(os.path.dirname(page), file)) if file else page
                where = f"{os.path.relpath(page, ROOT)}:{number}: {target}"
                if not os.path.exists(path):
                    print(f"FAIL {where}: no such file")
                    failures += 1
                elif heading and (not path.endswith(".md") or heading not in anchors(path)):
                    print(f"FAIL {where}: no heading '#{heading}' there")
                    failures += 1
    print(f"{checked} relative links checked, {failures} broken")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
