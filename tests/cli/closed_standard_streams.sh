#!/bin/sh
# tarvelin-join started without standard input, output and error (cron, a service manager): the files it
# opens must not take their numbers, or the format question and the log are written into the joined
# program. The joined file and the status are those of the same join with the streams open on /dev/null.
#   closed_standard_streams.sh PATH/tarvelin-join
set -u
join=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '\000O1000\r\n' >"$work/A.NC"  # begins with NUL: the format question is asked
printf 'O1001\r\nG00X0\r\n' >"$work/B.NC"
"$join" --no-front --no-end -o "$work/OPEN.NC" "$work/A.NC" "$work/B.NC" </dev/null >/dev/null 2>&1
open=$?
same() { # what was closed, its status
  [ "$2" = "$open" ] || { echo "FAIL: status $2 with $1 closed, $open with it open"; exit 1; }
  cmp "$work/OPEN.NC" "$work/CLOSED.NC" || { od -c "$work/CLOSED.NC" | head; echo "FAIL: $1 closed: the joined files differ"; exit 1; }
  echo "ok: $1 closed: the same joined file and status $open"
}
"$join" --no-front --no-end -o "$work/CLOSED.NC" "$work/A.NC" "$work/B.NC" </dev/null >/dev/null 2>&-
same "standard error" $?
"$join" --no-front --no-end -o "$work/CLOSED.NC" "$work/A.NC" "$work/B.NC" <&- >&- 2>&-
same "every standard stream" $?
