#!/usr/bin/env bash
# Installs what is missing, builds, lays out the program folders and starts
# one program from its folder: the golden-egg draw (default) or the prize
# wheel.
#   ./scripts/run.sh [Quorlan|Vessimar]
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-Quorlan}
case "$program" in
  Quorlan|Vessimar) ;;
  *) echo "usage: $0 [Quorlan|Vessimar]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

folder="$PWD/build/program/$program"
echo "program folder: $folder"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: set DISPLAY (or run under xvfb-run) to see the program" >&2
  exit 1
fi
exec "$folder/$program"
