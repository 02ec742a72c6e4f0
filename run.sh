#!/usr/bin/env bash
# Builds the program and starts it. Installs missing Debian packages first.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF -DTARVELIN_BENCH=OFF

# The command-line joiner on the example programs: the log, then the joined file.
cd "$top"
out=$(mktemp -d)/JOINED.NC
build/cli/tarvelin-join --front examples/Front.txt --end examples/End.txt -r M30=M01 \
  -o "$out" --list examples/JOB.LST
echo
echo "== $out =="
iconv -f CP932 -t UTF-8 "$out" | tr -d '\r'
