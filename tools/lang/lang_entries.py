#!/usr/bin/env python3
"""The English texts a language file translates, read from resources/, and a check of a file.

  lang_entries.py template CODE      print a language file with every entry and empty T= lines
  lang_entries.py check FILE...      each file translates every entry once (exit 1 otherwise)

Entries are grouped by context: each menu and dialog by its id, then 0 for the string table.
Menu and dialog keys are the texts without their "&" mnemonic markers ("&&" stays one "&");
the translations carry their own markers.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def strip_mnemonics(text):
    return re.sub(r"&(.)", r"\1", text)


def entries():
    """(context, english) pairs in resource order, without repeats within a context."""
    out, seen = [], set()

    def add(context, text):
        if text and (context, text) not in seen:
            seen.add((context, text))
            out.append((context, text))

    with open(os.path.join(ROOT, "resources/strings.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line and not line.startswith(";") and "\t" in line:
                add(0, line.split("\t", 1)[1])
    menu = None
    with open(os.path.join(ROOT, "resources/menus.txt"), encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            word, _, rest = line.partition(" ")
            if word == "menu":
                menu = int(rest)
            elif word == "popup":
                add(menu, strip_mnemonics(rest))
            elif word == "item":
                text = rest.split(" ", 1)[1]
                if text.endswith(" check"):
                    text = text[: -len(" check")]
                add(menu, strip_mnemonics(text))
    dialog = None
    with open(os.path.join(ROOT, "resources/dialogs.txt"), encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            parts = line.split(" ", 3)
            if parts[0] == "dialog":
                dialog = int(parts[1])
                add(dialog, strip_mnemonics(line.split(" ", 2)[2]) if len(parts) > 2 else "")
            elif parts[0] == "control" and len(parts) == 4:
                add(dialog, strip_mnemonics(parts[3]))
    return out


def template(code):
    lines = [f"; Quillary Meridiana: {code} translation", f"lang={code}"]
    context = None
    # The string table comes last: a menu or dialog entry also translates its plain text, and a
    # later pair replaces an earlier one, so the string table's own wording wins for tool tips
    # and messages.
    ordered = [e for e in entries() if e[0] != 0] + [e for e in entries() if e[0] == 0]
    for ctx, text in ordered:
        if ctx != context:
            lines += ["", f"<{ctx}"]
            context = ctx
        lines += [f"E={text}", "T="]
    return "\n".join(lines) + "\n"


def parse(path):
    pairs, context, pending = {}, 0, None
    with open(path, encoding="utf-8") as f:
        for line in re.split(r"[\r\n]+", f.read()):
            if line.startswith("<"):
                context = int(re.match(r"<(\d*)", line).group(1) or 0)
            elif line.startswith("E="):
                pending = (context, line[2:].replace("%PRODUCT%", "Quillary Meridiana", 1))
            elif line.startswith("T=") and pending:
                pairs.setdefault(pending, []).append(line[2:])
                pending = None
    return pairs


def language(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("lang="):
                return line[5:].strip().lower()
    return ""


def check(path):
    pairs, problems = parse(path), []
    wanted = entries()
    for key in wanted:
        got = pairs.get(key)
        if not got:
            problems.append(f"missing: <{key[0]} {key[1]!r}")
        elif len(got) > 1:
            problems.append(f"twice: <{key[0]} {key[1]!r}")
        elif not got[0].strip():
            problems.append(f"empty: <{key[0]} {key[1]!r}")
        elif "%" in key[1] and sorted(re.findall(r"%[a-z]", key[1])) != sorted(re.findall(r"%[a-z]", got[0])):
            problems.append(f"placeholders differ: <{key[0]} {key[1]!r} -> {got[0]!r}")
    # Arabic letters join: a marker between them splits the word where it is drawn, so an
    # Arabic text names its key after itself, "(&F)", as Qt's own Arabic translations do.
    if language(path) == "jo":
        for key, got in pairs.items():
            for text in got:
                if re.sub(r"\(&[A-Za-z0-9]\)", "", text.replace("&&", "")).count("&"):
                    problems.append(f"marker inside Arabic text: <{key[0]} {text!r}")
    extra = set(pairs) - set(wanted)
    problems += [f"not a program text: <{k[0]} {k[1]!r}" for k in sorted(extra, key=str)]
    for p in problems:
        print(f"{path}: {p}")
    return not problems


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "template":
        sys.stdout.write(template(sys.argv[2]))
    elif len(sys.argv) >= 3 and sys.argv[1] == "check":
        sys.exit(0 if all([check(p) for p in sys.argv[2:]]) else 1)
    else:
        sys.exit(__doc__)
