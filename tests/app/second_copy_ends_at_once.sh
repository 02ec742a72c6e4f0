#!/usr/bin/env bash
# A second start of the program while a copy runs ends at once with exit code 0 and no window; a copy
# under another file name starts beside it.
set -u
program=$1
work=$(mktemp -d)
trap 'kill $first $renamed 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME=$work XDG_RUNTIME_DIR=$work ASAN_OPTIONS=detect_leaks=0
cp "$program" "$work/tarvelin"
"$work/tarvelin" & first=$!
sleep 2
kill -0 $first || { echo "the first copy did not keep running"; exit 1; }
start=$(date +%s%N)
timeout 10 "$work/tarvelin"
status=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ $status -eq 0 ] || { echo "second copy: exit status $status"; exit 1; }
[ $elapsed -lt 2000 ] || { echo "second copy took $elapsed ms"; exit 1; }
cp "$program" "$work/tarvelin-other"
"$work/tarvelin-other" & renamed=$!
sleep 2
kill -0 $renamed || { echo "a copy under another name did not run beside the first"; exit 1; }
echo "second copy ended in $elapsed ms with status 0"
