#!/usr/bin/env bash
# Installs the Debian packages that are missing, after saying which and why.
#   deps.sh          what building and running the programs needs (scripts/run.sh)
#   deps.sh --test   that, and what the tests, the benchmarks and the packaging checks need
#                    (scripts/test.sh, and so CI)
#   deps.sh --list [--test]   print the set, one "package<TAB>why" line each, and install nothing
set -euo pipefail

# One "package|why" line each; the why is printed before anything is installed.
run_set="
build-essential|the C++ compiler
cmake|configures the build
ninja-build|runs the build
pkg-config|finds c-ares and libcurl
zlib1g-dev|the packed data files and PNG
libpng-dev|PNG pictures
libjpeg62-turbo-dev|JPEG pictures
libgif-dev|GIF pictures
libc-ares-dev|host lookup of the window's HTTP client
libcurl4-openssl-dev|the service's downloads
libicu-dev|folds accents and case for the city search
libgeographiclib-dev|distance and bearing on the WGS84 ellipsoid (geodesics)
libcpp-httplib-dev|the service's HTTP server
nlohmann-json3-dev|the service reads the earthquake feed
openssl|the service's TLS
ca-certificates|the service checks live sources' certificates
qt6-base-dev|the window (Qt Widgets, D-Bus, Network)
libgl-dev|Qt's OpenGL headers, which Qt Widgets includes
libx11-dev|wallpaper on a bare X desktop (the root window)
qt6-qpa-plugins|Qt's X11 platform: the window under X
qt6-wayland|Qt's Wayland platform: the window as a native Wayland client
python3|the build stages the service's sample with a script
tzdata|every city's clock comes from the zone files
fonts-dejavu-core|the map's and the window's text
fonts-noto-cjk|Chinese, Japanese and Korean menus
fonts-arabeyes|Arabic menus
"

test_set="
libgtest-dev|the unit tests (GoogleTest)
libgeonames-common|the place-name test reads GeoNames' own catalogues
iso-codes|the place-name test reads the country and state catalogues
libgmock-dev|the unit tests' mocks
libbenchmark-dev|the benchmarks (Google Benchmark)
qt6-declarative-dev|the stand-in for Plasma's shell in the wallpaper tests
xvfb|a virtual X display for the window's tests
xauth|xvfb-run's authority file
x11-utils|xprop and xwininfo read the window's state
x11-apps|xwd grabs the X screen
xdotool|the tests drive the window
openbox|a window manager for the X tests
trayer|a tray host for the tray tests
sway|a headless Wayland compositor for the Wayland and sway wallpaper tests
swaybg|sway's wallpaper painter
grim|grabs the Wayland screen
pcmanfm-qt|the LXQt wallpaper test
cinnamon-desktop-data|Cinnamon's wallpaper settings schema
mate-desktop-common|MATE's wallpaper settings schema
xfconf|the XFCE wallpaper test
libxfconf-0-3|the XFCE wallpaper test
gsettings-desktop-schemas|GNOME's wallpaper and proxy settings schema
dconf-gsettings-backend|gsettings writes through dconf in the tests
dconf-service|gsettings writes through dconf in the tests
dconf-cli|the tests read what was written
libglib2.0-bin|gsettings
dbus|a session bus for the desktop tests
dbus-daemon|a session bus for the desktop tests
libnss-wrapper|a user without a home folder
procps|pgrep and ps in the tests
time|peak memory in the tests and benchmarks
curl|requests in the service tests
tinyproxy|an HTTP proxy for the proxy tests
dante-server|a SOCKS proxy for the proxy tests
microsocks|a SOCKS5 proxy with a password for the proxy tests
nginx|the service's deployment test and the load benchmark
wrk|the service's load benchmark
dpkg-dev|builds the Debian package
lintian|checks the Debian package
appstream|checks the metainfo
desktop-file-utils|checks the desktop entry
systemd|checks the service's unit
"

with_tests=0
list_only=0
for arg in "$@"; do
  case $arg in
    --test) with_tests=1 ;;
    --list) list_only=1 ;;
    *) echo "usage: deps.sh [--test] [--list]" >&2; exit 2 ;;
  esac
done
wanted=$run_set
[ $with_tests -eq 1 ] && wanted="$run_set$test_set"

if [ $list_only -eq 1 ]; then
  printf '%s\n' "$wanted" | sed '/^$/d; s/|/\t/'
  exit 0
fi

missing=()
reasons=()
while IFS='|' read -r package why; do
  [ -n "$package" ] || continue
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" && continue
  missing+=("$package")
  reasons+=("$(printf '  %-26s %s' "$package" "$why")")
done <<<"$wanted"
[ ${#missing[@]} -eq 0 ] && exit 0

set_name="building and running Meridiana"
[ $with_tests -eq 1 ] && set_name="building, running and testing Meridiana"
echo "Installing ${#missing[@]} Debian packages for $set_name (with what they pull in):"
printf '%s\n' "${reasons[@]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  echo "This needs root: sudo asks for your password."
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
