#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need,
# only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  libmpg123-dev libmp3lame-dev libgif-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libxcb1-dev libx11-dev libxcb-shape0-dev libxcb-damage0-dev libxcb-xfixes0-dev libxcb-xtest0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfontconfig-dev fonts-wqy-microhei qt6-translations-l10n
  xvfb xauth xdotool imagemagick x11-utils openbox picom
  qt6-qpa-plugins libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
