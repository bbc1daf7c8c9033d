#!/usr/bin/env python3
"""Every relative link of README.md and docs/*.md resolves: the file exists, and a #fragment
names a heading of the target page as the forge's renderer makes its anchor.

Usage: doc_links.py SOURCE_DIR     check the project's pages
       doc_links.py --self-test    check the checker on pages it writes itself
"""
import os
import re
import sys
import tempfile

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^(```|~~~)")


def anchor(heading):
    """GitHub's anchor of a heading: lower case, markup and punctuation dropped, spaces to -."""
    text = re.sub(r"[`*_]|\[|\]\([^)]*\)|\]", "", heading).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def prose_lines(path):
    """The lines outside fenced and indented code blocks, where links are links."""
    inside = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if FENCE.match(line):
                inside = not inside
                continue
            if inside or line.startswith("    ") or line.startswith("\t"):
                continue
            yield number, line


def anchors(path):
    seen = {}
    result = set()
    for _, line in prose_lines(path):
        match = HEADING.match(line)
        if not match:
            continue
        base = anchor(match.group(1))
        count = seen.get(base, 0)
        seen[base] = count + 1
        result.add(base if count == 0 else f"{base}-{count}")
    return result


def broken_links(page):
    problems = []
    folder = os.path.dirname(page)
    for number, line in prose_lines(page):
        for target in LINK.findall(re.sub(r"`[^`]*`", "", line)):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target):  # https:, mailto: ...
                continue
            path, _, fragment = target.partition("#")
            resolved = os.path.normpath(os.path.join(folder, path)) if path else page
            where = f"{page}:{number}: {target}"
            if not os.path.exists(resolved):
                problems.append(f"{where}: no such file")
            elif fragment and resolved.endswith(".md") and fragment not in anchors(resolved):
                problems.append(f"{where}: no heading with that anchor")
    return problems


def pages(root):
    found = [os.path.join(root, "README.md")]
    docs = os.path.join(root, "docs")
    found += sorted(os.path.join(docs, n) for n in os.listdir(docs) if n.endswith(".md"))
    return found


def self_test():
    cases = [  # (page text, the number of broken links it must report)
        ("[a](b.md) [b](b.md#some-heading) ![c](pic.png) [d](#local-part) [e](#local-part-1) "
         "[f](https://example.invalid/x) [g](sub/../b.md#the-option---center-2)", 0),
        ("[a](missing.md) [b](b.md#no-such-heading) [c](#nowhere)", 3),
        ("`[a](missing.md)`\n    [b](missing.md)\n```\n[c](missing.md)\n```", 0),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "b.md"), "w", encoding="utf-8") as f:
            f.write("# Some heading\n\n## The option `--center` (2)\n")
        open(os.path.join(tmp, "pic.png"), "wb").close()
        for text, expected in cases:
            page = os.path.join(tmp, "a.md")
            with open(page, "w", encoding="utf-8") as f:
                f.write(f"# Local part\n\n## Local part\n\n{text}\n")
            found = broken_links(page)
            if len(found) != expected:
                print(f"FAIL: {text!r}: expected {expected} broken, got {found}")
                failures += 1
    return failures


def main():
    if sys.argv[1:] == ["--self-test"]:
        return 1 if self_test() else 0
    problems = [p for page in pages(sys.argv[1]) for p in broken_links(page)]
    for problem in problems:
        print(f"FAIL: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
