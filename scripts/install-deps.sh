#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# With --list it only prints their names, one a line.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libplist-dev libsqlite3-dev librtaudio-dev libasound2-dev
  libfluidsynth-dev fluid-soundfont-gm libstk-dev libogg-dev libvorbis-dev
  libcpp-httplib-dev libssl-dev libcurl4-openssl-dev fonts-dseg libgl-dev
  fonts-freefont-ttf
  # The faces a machine falls back to; the fresh-machine font set for CI is built from them.
  fonts-dejavu-core
  # Nimbus Sans: fontconfig's metric-compatible face for the "Helvetica" of the graph's labels.
  fonts-urw-base35
  qt6-webengine-dev libqt6webenginecore6-bin qt6-pdf-dev poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev libaubio-dev
  xvfb xauth
)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
