#!/usr/bin/env bash
# Installs what is missing, builds, lays out the program folder and starts
# the golden-egg draw from it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

folder="$PWD/build/program/Quorlan"
echo "program folder: $folder"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: set DISPLAY (or run under xvfb-run) to see the program" >&2
  exit 1
fi
exec "$folder/Quorlan"
