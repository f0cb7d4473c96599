#!/usr/bin/env bash
# Installs what Fetchlark needs to build, run and test on Debian 12 (as root).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-gtk-platformtheme libxcb1-dev
  libgtest-dev googletest
  libssl-dev openssl
  lighttpd lighttpd-mod-openssl python3-pyftpdlib curl fonts-dejavu-core
  chromium firefox-esr
  libqt6sql6-sqlite
  librsvg2-bin desktop-file-utils appstream
  poppler-utils
  clamav
  xvfb x11-utils xdotool trayer
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
