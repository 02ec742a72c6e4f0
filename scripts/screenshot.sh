#!/usr/bin/env bash
# Takes screenshots of the program on a virtual screen, for the documentation.
#   scripts/screenshot.sh OUTPUT.png [xdotool steps...]
# The program starts in a scratch home folder with the example programs in C:\NC and the browser there.
# A window manager (openbox, when installed) draws the title bars. Each extra argument is a command for
# xdotool, run in order with a pause after each ("key ctrl+a", "mousemove 100 200 click 1").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
home=$scratch/op
mkdir -p "$home/NC/JOB"
cp "$top"/examples/*.NC "$home/NC/"
printf 'C:\\NC\\O1001.NC\r\nC:\\NC\\O1002.NC\r\nC:\\NC\\O1003.NC\r\n' > "$home/NC/JOB.LST"
prog="$home/bin/tarvelin"
mkdir -p "$home/bin"
cp "$top/build/app/tarvelin" "$prog"
cp "$top/examples/Front.txt" "$top/examples/End.txt" "$home/bin/"
printf '[Main]\r\nTop=20\r\nLeft=30\r\nDrive=0\r\nDirPath=C:\\NC\r\nMask=0\r\n[View]\r\nLeft=60\r\nTop=40\r\n' > "$home/bin/tarvelin.INI"
export HOME=$home XDG_RUNTIME_DIR=$home
steps=$(printf '%s\n' "$@")
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  if command -v openbox >/dev/null; then openbox & sleep 1; fi
  "'"$prog"'" & sleep 2
  while IFS= read -r step; do
    [ -n "$step" ] && xdotool $step
    sleep 1
  done <<< "'"$steps"'"
  import -window root "'"$out"'"
  kill %2 2>/dev/null || true
'
echo "wrote $out"
