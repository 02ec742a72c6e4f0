#!/usr/bin/env bash
# Builds a release and runs the join benchmark. Extra arguments go to join_bench
# (--dir FOLDER --files 8 --size-mb 64 --rounds 5).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build-bench -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF
"$top/build-bench/bench/join_bench" --join "$top/build-bench/cli/tarvelin-join" "$@"
