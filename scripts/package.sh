#!/usr/bin/env bash
# Builds a release of Tarvelin and its Debian package. Usage: scripts/package.sh [FOLDER [cmake options...]]
# The package is written into FOLDER (default build-package) and its path printed last. The programs are
# built with the distribution's hardening flags (dpkg-buildflags: PIE, RELRO, bind-now, fortify, stack
# protection), as Debian's own packages are.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build-package}
shift || true
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
compile_flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
link_flags=$(dpkg-buildflags --get LDFLAGS)
"$top/scripts/build.sh" "$folder" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF -DTARVELIN_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$compile_flags" "-DCMAKE_EXE_LINKER_FLAGS=$link_flags" "$@"
cd "$top/$folder"
cpack -G DEB >/dev/null
ls "$PWD"/tarvelin_*.deb
