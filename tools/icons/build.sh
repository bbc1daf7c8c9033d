#!/usr/bin/env bash
# Regenerates data/icons/ from the artwork chosen in tools/icons/icons.tsv.
#
#   tools/icons/build.sh            install what is missing, render every icon
#   tools/icons/build.sh --sheet D  also write contact sheets of all icons to D/
#                                   (needs ImageMagick's montage)
#   tools/icons/build.sh --check    render into a temporary folder and compare it
#                                   with data/icons/ (exit 1 on any difference)
#
# Sources: Debian icon themes (installed with apt-get when missing, needs root)
# and the npm package flag-icons, pinned in package.json / package-lock.json
# (installed with `npm ci` into tools/icons/node_modules/).
#
# Every row of icons.tsv is one icon. Its path column is one SVG file, or several
# layers joined by " + ", each "FILE" (whole square) or "FILE@X,Y,SIZE" (a square
# box on a 16-unit grid); compose.py stacks them into one SVG, rsvg-convert renders
# it. Rows from flag-icons are letterboxed 4:3 into the square and get a hairline
# frame. The row whose position is "app" is the program icon: it also goes to
# data/icons/app/<size>.png and data/icons/app/meridiana.svg. resources/icons.qrc
# is written from the same table: "icons/<resid>.png" is the 16 px file and
# "icons/<resid>@2x.png" the 32 px one (Qt picks the @2x file on HiDPI screens).
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
TABLE="$HERE/icons.tsv"
OUT="$ROOT/data/icons"
QRC="$ROOT/resources/icons.qrc"
SHEET=""
CHECK=0

while [ $# -gt 0 ]; do
  case "$1" in
    --sheet) SHEET="$2"; shift 2 ;;
    --check) CHECK=1; shift ;;
    -h|--help) sed -n '2,/^set -e/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) echo "build.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

# Debian packages and the versions the committed PNGs were made from. Another
# version still works but may draw some icons differently: it is reported.
DEB_PACKAGES=(
  "tango-icon-theme 0.8.90-11"
  "breeze-icon-theme 4:5.103.0-1"
  "librsvg2-bin 2.54.7+dfsg-1~deb12u2"
  "python3 -"
)
APP_SIZES=(16 22 24 32 48 64 128 256)
ICON_SIZES=(16 32)

deb_version() { dpkg-query -W -f='${db:Status-Abbrev} ${Version}' "$1" 2>/dev/null | awk '$1=="ii"{print $2}'; }

install_debs() {
  local missing=() entry name want have
  for entry in "${DEB_PACKAGES[@]}"; do
    name="${entry%% *}"
    [ -n "$(deb_version "$name")" ] || missing+=("$name")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" != 0 ]; then
      echo "build.sh: missing Debian packages ${missing[*]}; run as root or install them" >&2
      exit 1
    fi
    echo "build.sh: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null 2>&1 || {
      apt-get update -q >/dev/null
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
    }
  fi
  for entry in "${DEB_PACKAGES[@]}"; do
    name="${entry%% *}"; want="${entry#* }"; have="$(deb_version "$name")"
    if [ "$want" != "-" ] && [ "$have" != "$want" ]; then
      echo "build.sh: note: $name is $have, the committed icons were made with $want" >&2
    fi
  done
}

install_npm() {
  local want have=""
  want="$(sed -n 's/.*"flag-icons": *"\([^"]*\)".*/\1/p' "$HERE/package.json")"
  if [ -f "$HERE/node_modules/flag-icons/package.json" ]; then
    have="$(sed -n 's/^ *"version": *"\([^"]*\)".*/\1/p' "$HERE/node_modules/flag-icons/package.json" | head -1)"
  fi
  if [ "$have" != "$want" ]; then
    command -v npm >/dev/null || {
      [ "$(id -u)" = 0 ] || { echo "build.sh: npm is missing" >&2; exit 1; }
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q npm >/dev/null
    }
    echo "build.sh: installing flag-icons $want"
    (cd "$HERE" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
}

# Resolves the path column of one row into compose.py layer arguments.
resolve_layers() {
  local package="$1" path="$2" layer file box
  local -a parts
  LAYERS=()
  IFS='+' read -r -a parts <<<"${path// + /+}"
  for layer in "${parts[@]}"; do
    file="${layer%@*}"; box=""
    [ "$file" != "$layer" ] && box="@${layer##*@}"
    if [ "$package" = "flag-icons" ]; then
      file="$HERE/node_modules/flag-icons/$file"
    fi
    [ -f "$file" ] || { echo "build.sh: $file not found" >&2; exit 1; }
    LAYERS+=("$file$box")
  done
}

render() {   # render SVG PX OUT.png
  rsvg-convert -w "$2" -h "$2" "$1" -o "$3"
}

install_debs
install_npm

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
DEST="$OUT"
QRC_DEST="$QRC"
if [ $CHECK = 1 ]; then DEST="$WORK/out"; QRC_DEST="$WORK/icons.qrc"; fi
mkdir -p "$DEST/16" "$DEST/32" "$DEST/app" "$DEST/LICENSES"
rm -f "$DEST"/16/*.png "$DEST"/32/*.png "$DEST"/app/*.png "$DEST"/app/*.svg "$DEST"/LICENSES/*

# The licence texts that must travel with the artwork (Breeze: LGPL-3.0, which is a set of
# additional permissions on the GPL-3.0; flag-icons: its MIT notice; Tango: public domain).
cp /usr/share/common-licenses/LGPL-3 "$DEST/LICENSES/LGPL-3.0.txt"
cp /usr/share/common-licenses/GPL-3 "$DEST/LICENSES/GPL-3.0.txt"
cp "$HERE/node_modules/flag-icons/LICENSE" "$DEST/LICENSES/flag-icons-MIT.txt"

count=0
order=()
qrc_rows=()
while IFS=$'\t' read -r position resid _ package path _; do
  [ "$position" = "position" ] && continue
  [ -z "$position" ] && continue
  resolve_layers "$package" "$path"
  flag=()
  [ "$package" = "flag-icons" ] && flag=(--flag)
  for px in "${ICON_SIZES[@]}"; do
    python3 "$HERE/compose.py" "$WORK/$resid-$px.svg" 16 "$px" "${flag[@]}" "${LAYERS[@]}"
    render "$WORK/$resid-$px.svg" "$px" "$DEST/$px/$resid.png"
  done
  if [ "$position" = "app" ]; then
    # The scalable icon is the same composition, kept as SVG.
    python3 "$HERE/compose.py" "$WORK/app.svg" 16 256 "${LAYERS[@]}"
    cp "$WORK/app.svg" "$DEST/app/meridiana.svg"
    for px in "${APP_SIZES[@]}"; do
      render "$WORK/app.svg" "$px" "$DEST/app/$px.png"
    done
  else
    order+=("$resid")
  fi
  qrc_rows+=("    <file alias=\"icons/$resid.png\">../data/icons/16/$resid.png</file>"
             "    <file alias=\"icons/$resid@2x.png\">../data/icons/32/$resid.png</file>")
  [ "$position" = "app" ] &&
    qrc_rows+=("    <file alias=\"icons/app/meridiana-256.png\">../data/icons/app/256.png</file>")
  count=$((count + 1))
done < "$TABLE"
echo "build.sh: rendered $count icons into ${DEST#"$ROOT"/}"

{
  echo '<!DOCTYPE RCC>'
  echo '<!-- Written by tools/icons/build.sh from tools/icons/icons.tsv; do not edit by hand. -->'
  echo '<RCC version="1.0">'
  echo '  <qresource prefix="/">'
  printf '%s\n' "${qrc_rows[@]}"
  echo '  </qresource>'
  echo '</RCC>'
} > "$QRC_DEST"

if [ -n "$SHEET" ]; then
  mkdir -p "$SHEET"
  for px in "${ICON_SIZES[@]}"; do
    files=()
    for resid in "${order[@]}"; do files+=("$DEST/$px/$resid.png"); done
    montage -background '#ffffff' -geometry "$((px * 2))x$((px * 2))+4+4" -filter point \
      -tile 8x "${files[@]}" "$SHEET/icons-$px.png"
    montage -background '#3c3f41' -geometry "$((px * 2))x$((px * 2))+4+4" -filter point \
      -tile 8x "${files[@]}" "$SHEET/icons-$px-dark.png"
  done
  montage -background '#ffffff' -geometry +6+6 "$DEST"/app/{16,22,24,32,48,64,128,256}.png "$SHEET/app.png"
  echo "build.sh: contact sheets in $SHEET (8 a row, position 0 first)"
fi

if [ $CHECK = 1 ]; then
  if diff -r "$DEST" "$OUT" >/dev/null && diff "$QRC_DEST" "$QRC" >/dev/null; then
    echo "build.sh: data/icons/ and resources/icons.qrc are up to date"
  else
    diff -rq "$DEST" "$OUT" >&2 || true
    diff -q "$QRC_DEST" "$QRC" >&2 || true
    echo "build.sh: data/icons/ or resources/icons.qrc differs from what icons.tsv gives" >&2
    exit 1
  fi
fi
