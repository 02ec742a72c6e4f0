#!/usr/bin/env bash
# Builds a release of Tarvelin and its Debian package. Usage: scripts/package.sh [FOLDER [cmake options...]]
# The package is written into FOLDER (default build-package) and its path printed last.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build-package}
shift || true
"$top/scripts/build.sh" "$folder" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF -DTARVELIN_BENCH=OFF "$@"
cd "$top/$folder"
cpack -G DEB >/dev/null
ls "$PWD"/tarvelin_*.deb
