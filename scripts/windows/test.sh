#!/usr/bin/env bash
# Builds Tarvelin for Windows (scripts/windows/build.sh) and runs its tests under Wine: the platform, core and
# joiner test programs through CTest, then the zip's program on a virtual screen with a window manager.
#   scripts/windows/test.sh [FOLDER]      (default build-win)
# Exits non-zero when a test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
folder=$top/${1:-build-win}

# wine64 runs the programs; the locales package holds the ja_JP definitions from which the build makes the
# locale that gives Wine its Japanese system (code page 932).
"$top/scripts/install-deps.sh" wine wine64 locales zip
zip=$("$top/scripts/windows/build.sh" "${1:-build-win}")

export WINEPREFIX=$folder/wine WINEDEBUG=-all
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
# One Wine server for every test, its prefix made before the first: each test would start its own, and a
# prefix made during a test keeps the test's output open.
mkdir -p "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
trap '"$wineserver" -k 2>/dev/null || true' EXIT
/usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
if ! (cd "$folder" && ctest --output-on-failure -j "$(nproc)" --timeout 300); then
    # The Qt Test programs write their report into a file under Wine: show what failed in them.
    grep -h -A4 '^FAIL!' "$folder"/tests/tst_*.txt 2>/dev/null || true
    exit 1
fi

export LOCPATH=$folder/tests/locale
# The Windows joiner against the Linux one: the test build's where ./test.sh made it, else a release of it alone.
linux_join=$top/build-test/cli/tarvelin-join
if [ ! -x "$linux_join" ]; then
    cmake -S "$top" -B "$top/build-join" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF >/dev/null
    cmake --build "$top/build-join" --target tarvelin-join >/dev/null
    linux_join=$top/build-join/cli/tarvelin-join
fi
"$top/tests/windows/joiners_agree.sh" "$linux_join" "${zip%-win64.zip}"
"$top/tests/wm/join_under_wine.sh" "${zip%-win64.zip}"
