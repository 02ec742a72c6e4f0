#!/usr/bin/env bash
# Configures and builds one build folder. Usage: scripts/build.sh FOLDER [cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
folder=$1
shift
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$top/$folder" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$top/$folder" -j "$(nproc)"
