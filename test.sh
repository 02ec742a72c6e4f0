#!/usr/bin/env bash
# Builds everything with the sanitizers and warnings as errors, and runs every test.
# Installs missing Debian packages first. Exits non-zero when a test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build-test -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_SANITIZE=ON -DTARVELIN_WERROR=ON
cd "$top/build-test"
ctest --output-on-failure -j "$(nproc)"
