#!/usr/bin/env bash
# Builds the program and starts it. Installs missing Debian packages first.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF -DTARVELIN_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Tarvelin runs on a virtual screen (xvfb-run). Start it from a desktop session to see it."
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$top/build/app/tarvelin"
fi
exec "$top/build/app/tarvelin"
