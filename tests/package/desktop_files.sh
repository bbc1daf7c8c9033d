#!/usr/bin/env bash
# The desktop entry and the software-centre metadata as the desktop's own validators read them,
# and both agree with the program: one release entry per version of the changelog, the newest
# being the project's version; the screenshots published at the homepage are the ones committed
# in docs/screenshots, at 16:9; each launcher action is one the program takes.
# Usage: desktop_files.sh SOURCE_DIR VERSION
set -u
source=$1
version=$2
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate appstreamcli python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done
desktop="$source/data/meridiana.desktop"
metainfo="$source/data/meridiana.metainfo.xml"

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
echo "$out" | grep -qv "hint:" && [ -n "$out" ] && fail "desktop-file-validate: $out"

# AppStream 0.16 (Debian 12) predates <developer> (AppStream 1.0) and does not know the reserved
# .example domain of the component id, which it reports as information; anything else fails.
appstreamcli validate --strict --no-net --override=unknown-tag=pedantic,cid-maybe-not-rdns=pedantic \
  "$metainfo" >/tmp/meridiana-appstream.$$ 2>&1
status=$?
out=$(cat /tmp/meridiana-appstream.$$)
rm -f /tmp/meridiana-appstream.$$
[ "$status" -eq 0 ] || fail "appstreamcli: $out"
unknown=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1 | grep 'unknown-tag' | grep -v 'unknown-tag developer$')
[ -z "$unknown" ] || fail "unknown tags: $unknown"

python3 - "$source" "$version" <<'PY' || exit 1
import re, struct, sys, xml.etree.ElementTree as ET
source, version = sys.argv[1], sys.argv[2]
def fail(text):
    print("FAIL: " + text)
    sys.exit(1)
root = ET.parse(f"{source}/data/meridiana.metainfo.xml").getroot()
releases = [r.get("version") for r in root.iter("release")]
changelog = re.findall(r"^meridiana \(([^)]+)\)", open(f"{source}/cmake/debian/changelog").read(), re.M)
if releases != changelog:
    fail(f"metainfo releases {releases} are not the changelog's {changelog}")
if not releases or releases[0] != version:
    fail(f"the newest release {releases[:1]} is not the project's version {version}")
homepage = root.find("url[@type='homepage']").text
shots = root.findall("screenshots/screenshot")
if len(shots) < 1 or shots[0].get("type") != "default":
    fail("no default screenshot first")
for shot in shots:
    if not (shot.findtext("caption") or "").strip():
        fail("a screenshot without a caption")
    image = shot.find("image")
    url = image.text
    if not url.startswith(homepage + "screenshots/") or not url.startswith("https://"):
        fail(f"screenshot {url} is not published under the homepage {homepage}")
    data = open(f"{source}/docs/screenshots/{url.rsplit('/', 1)[1]}", "rb").read()
    width, height = struct.unpack(">II", data[16:24])
    if (width, height) != (int(image.get("width")), int(image.get("height"))):
        fail(f"{url}: the file is {width}x{height}, the metainfo says otherwise")
    if abs(width / height - 16 / 9) > 0.01:
        fail(f"{url}: {width}x{height} is not 16:9")
if root.find("content_rating[@type='oars-1.1']") is None:
    fail("no OARS rating")
if root.findtext("launchable") != "meridiana.desktop":
    fail("the launchable is not the desktop entry")
entry = open(f"{source}/data/meridiana.desktop").read()
actions = re.search(r"^Actions=(.*)$", entry, re.M).group(1).strip(";").split(";")
known = set(re.findall(r'\{StartAction::\w+, "([a-z-]+)"',
                       open(f"{source}/src/shell/app/start_action.cpp").read()))
for action in actions:
    block = re.search(r"^\[Desktop Action " + re.escape(action) + r"\]\n((?:[^\[].*\n?)*)", entry, re.M)
    if not block:
        fail(f"no [Desktop Action {action}]")
    exec_line = re.search(r"^Exec=meridiana --action=([a-z-]+)$", block.group(1), re.M)
    if not exec_line or exec_line.group(1) not in known:
        fail(f"action {action} starts the program with an action it does not take")

# The actions' names in every language are the program's own translations of the same texts
# (without the menu's mnemonic), so the launcher and the program's menus agree.
locales = {"b5": "zh_TW", "cn": "zh_CN", "cz": "cs", "de": "de", "fr": "fr", "gr": "el", "it": "it",
           "jo": "ar", "jp": "ja", "kr": "ko", "nl": "nl", "pt": "pt", "se": "sv", "sp": "es"}
for action in actions:
    block = re.search(r"^\[Desktop Action " + re.escape(action) + r"\]\n((?:[^\[].*\n?)*)", entry, re.M).group(1)
    english = re.search(r"^Name=(.*)$", block, re.M).group(1)
    for code, locale in locales.items():
        lines = open(f"{source}/data/lang/lang_{code}.txt", encoding="utf-8").read().split("\n")
        found = [lines[i + 1][2:] for i, line in enumerate(lines[:-1])
                 if line == "E=" + english and lines[i + 1].startswith("T=")]
        if not found:
            fail(f"lang_{code}.txt does not translate {english!r}")
        expected = re.sub(r"\(&.\)", "", found[0]).replace("&", "").strip()
        named = re.search(r"^Name\[" + re.escape(locale) + r"\]=(.*)$", block, re.M)
        if not named or named.group(1) != expected:
            fail(f"action {action}: Name[{locale}] is not {expected!r}")
PY
echo "desktop files: ok"
