#!/usr/bin/env bash
# The program ignores its command-line arguments: Qt's own options do not act. An unknown platform plugin
# named with -platform would end the program at once; with the arguments ignored it runs on the platform of
# QT_QPA_PLATFORM and keeps its window.
set -u
program=$1
work=$(mktemp -d)
trap 'kill $running 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME=$work XDG_RUNTIME_DIR=$work ASAN_OPTIONS=detect_leaks=0
cp "$program" "$work/tarvelin-arguments"
"$work/tarvelin-arguments" -platform no-such-platform -reverse -geometry 400x300+500+400 -style windows \
    >"$work/out" 2>&1 &
running=$!
sleep 2
if ! kill -0 $running 2>/dev/null; then
    echo "the program ended on its arguments:"
    cat "$work/out"
    exit 1
fi
echo "the program ignored its arguments"

# Without a display to open, the program says so and ends with status 1: no abort, no core, and nothing
# left in the runtime folder for the next start to trip over.
mkdir "$work/nodisplay"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/nodisplay" \
    "$work/tarvelin-arguments" --help >"$work/nodisplay.out" 2>&1
status=$?
[ $status -eq 1 ] || { echo "without a display: status $status"; cat "$work/nodisplay.out"; exit 1; }
grep -q '^tarvelin: ' "$work/nodisplay.out" || { echo "without a display, no message:"; cat "$work/nodisplay.out"; exit 1; }
leftovers=$(ls -A "$work/nodisplay" | grep -v '\.lock$')
[ -z "$leftovers" ] || { echo "left behind without a display: $leftovers"; exit 1; }
echo "without a display the program ended with status 1 and a message"
