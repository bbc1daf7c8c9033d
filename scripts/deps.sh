#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libpng-dev libjpeg62-turbo-dev libgif-dev libc-ares-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-declarative-dev libgl-dev
  xvfb xauth x11-utils trayer openbox xdotool python3 tzdata libnss-wrapper
  tinyproxy dante-server microsocks curl
  dbus dbus-daemon dconf-gsettings-backend dconf-service dconf-cli gsettings-desktop-schemas libglib2.0-bin time
  cinnamon-desktop-data mate-desktop-common xfconf libxfconf-0-3 libx11-dev x11-apps
  pcmanfm-qt sway swaybg procps
  fonts-dejavu-core fonts-noto-cjk fonts-arabeyes
  libcpp-httplib-dev nlohmann-json3-dev libcurl4-openssl-dev nginx wrk
  openssl ca-certificates
  dpkg-dev lintian appstream desktop-file-utils systemd
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
