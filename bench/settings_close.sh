#!/usr/bin/env bash
# Times closing the program with a large settings file: SIGTERM closes it as 終了 does, and the time runs from
# the signal to the program's end. A settings file of 20 MB whose program keys are missing (the save inserts
# them at the top), the same file once they are there, and a small one; five runs each.
#   bench/settings_close.sh PATH/tarvelin
program=$1
d=$(mktemp -d); mkdir -p "$d/bin"; cp "$program" "$d/bin/tarvelin"
make_large() {
  printf '[Main]\r\nLeft=30\r\nTop=20\r\n' > "$d/bin/tarvelin.INI"
  python3 -c "
with open('$d/bin/tarvelin.INI','ab') as f:
    n=0
    while f.tell() < 20*1024*1024:
        f.write(b'[Shop%d]\r\n' % n + b''.join(b'Key%d=G01 X%d.5 Y-1.25 F1200.\r\n' % (i, i) for i in range(40))); n+=1
"
}
close_once() {
  (cd "$d" && HOME=$d XDG_RUNTIME_DIR=$d QT_QPA_PLATFORM=offscreen exec "$d/bin/tarvelin" 2>/dev/null) & app=$!
  sleep 2
  t0=$(date +%s.%N); kill -TERM $app; wait $app; rc=$?; t1=$(date +%s.%N)
  printf '%s: %.3f s (status %d, %d bytes after)\n' "$1" "$(echo "$t1 - $t0" | bc)" $rc "$(stat -c %s "$d/bin/tarvelin.INI")"
}
for run in 1 2 3 4 5; do make_large; close_once "20 MB, keys missing"; close_once "20 MB, keys there"; done
for run in 1 2 3; do printf '[Main]\r\n' > "$d/bin/tarvelin.INI"; close_once "small"; done
rm -rf "$d"
