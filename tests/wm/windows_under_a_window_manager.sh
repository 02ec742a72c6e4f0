#!/usr/bin/env bash
# The windows under a real window manager (openbox or icewm, on a virtual screen), driven with xdotool and
# measured with xwininfo: message boxes stand 50 px right of and below the asking window, frame to frame; Enter
# presses a focused button and Escape closes neither the editor, the user-defined types nor the join
# window; minimising the editor does not hide the program; opening and closing the editor and the join
# window 16 times leaves their stored place unchanged.
#   windows_under_a_window_manager.sh PROGRAM [openbox|icewm]
# Exits 77 (skipped) when a tool is missing.
set -u
program=$1
manager=${2:-openbox}
if [ "${3:-}" != --on-screen ]; then
  for tool in xvfb-run Xvfb "$manager" xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$manager" --on-screen
fi

work=$(mktemp -d)
app=
case $manager in
  openbox) openbox --sm-disable >/dev/null 2>&1 & wm=$! ;;
  icewm) icewm >/dev/null 2>&1 & wm=$! ;;
  *) echo "unknown window manager $manager"; exit 2 ;;
esac
trap 'kill $app $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # what, expected, actual
  if [ "$2" = "$3" ]; then echo "ok: $1: $3"; else fail "$1: expected $2, got $3"; fi
}
# Polls a command every 50 ms for up to 10 s.
poll() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done
  return 1
}
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
hidden() { ! viewable "$1"; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# The visible window titled exactly $1, once it has the keyboard focus (waits for it); empty when none
# comes.
# (A search can stop at an X error when a window goes away meanwhile: it is tried again.)
found() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
window() {
  local id=
  for _ in $(seq 200); do
    id=$(found "$1")
    [ -n "$id" ] && break
    sleep 0.05
  done
  [ -n "$id" ] && poll focused "$id"
  echo "$id"
}
# "x y": the top-left corner of a window's frame, once the window manager holds it still: the client area's
# corner less the frame that the window manager says it drew (_NET_FRAME_EXTENTS: left, right, top, bottom).
# (The client's place in its parent window is no measure: some managers put it in a container of its own.)
frame() {
  local last= now info extents
  for _ in $(seq 200); do
    info=$(xwininfo -id "$1" 2>/dev/null) || return 1
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    now=$(awk -F: -v extents="$extents" '/Absolute upper-left X/{ax=$2} /Absolute upper-left Y/{ay=$2}
                   END{split(extents, e, ","); print ax-e[1], ay-e[3]}' <<<"$info")
    [ "$now" = "$last" ] && { echo "$now"; return 0; }
    last=$now
    sleep 0.05
  done
  echo "$now"
}
offset() { # frame of $2 minus frame of $1
  local a b
  a=$(frame "$1") b=$(frame "$2")
  set -- $a $b
  echo "$(($3 - $1)) $(($4 - $2))"
}
click() { # window, x, y in its client area
  xdotool mousemove --window "$1" "$2" "$3" && sleep 0.1 && xdotool click 1
}
key() { xdotool key "$@"; }

home=$work/op
mkdir -p "$home/NC" "$home/bin"
printf 'O1001\r\nG00X0\r\n' >"$home/NC/O1001.NC"
printf 'O1002\r\nG00X1\r\n' >"$home/NC/O1002.NC"
printf '\0O1000\r\n' >"$home/NC/O1000.NC"
cp "$program" "$home/bin/tarvelin"
printf '[Main]\r\nLeft=30\r\nTop=20\r\nDrive=0\r\nDirPath=C:\\NC\r\nMask=0\r\n[View]\r\nLeft=280\r\nTop=190\r\n[Options]\r\nOP1=4\r\n' \
  >"$home/bin/tarvelin.INI"
poll xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null || { echo "$manager did not start"; exit 1; }
(cd "$home" && HOME=$home XDG_RUNTIME_DIR=$home ASAN_OPTIONS=detect_leaks=0 exec "$home/bin/tarvelin") & app=$!
main=$(window 'ﾌｧｲﾙ結合 Ver1.13')
[ -n "$main" ] || { echo "the main window did not appear"; exit 1; }
expect "main window frame" "30 20" "$(frame "$main")"
menu=$(($(xwininfo -id "$main" | awk '/Height/{print $2}') - 396))  # the menu bar's height

# The join list error beside the main window; Enter on its button closes it.
click "$main" 359 $((menu + 361))
box=$(window 'エラー')
if [ -n "$box" ]; then
  expect "error box beside the main window" "50 50" "$(offset "$main" "$box")"
  key Return
  poll hidden "$box" || fail "Enter did not close the error box"
else
  fail "no error box"
fi

# ﾕｰｻﾞ定義 (second menu, first item): at the main window's corner; Escape keeps it; Enter on 戻る closes it.
click "$main" 20 $((menu / 2)); sleep 0.2; key Right; sleep 0.2; key Return
user=$(window 'ﾕｰｻﾞ定義')
if [ -n "$user" ]; then
  expect "ﾕｰｻﾞ定義 at the main window's corner" "0 0" "$(offset "$main" "$user")"
  key Escape; sleep 0.3
  viewable "$user" && echo "ok: Escape keeps ﾕｰｻﾞ定義" || fail "Escape closed ﾕｰｻﾞ定義"
  click "$user" 60 42 && key Tab Tab Tab Tab Tab Tab Return  # from the first box to 戻る
  poll hidden "$user" && echo "ok: Enter on 戻る closes ﾕｰｻﾞ定義" || fail "Enter on 戻る left ﾕｰｻﾞ定義 open"
  poll hidden "$user" || { xdotool windowactivate "$user"; key space; poll hidden "$user"; }
else
  fail "no ﾕｰｻﾞ定義"
fi

# 編集画面 (first menu, second item), 16 times: where the stored place says; Escape keeps it; minimising
# it does not hide the program; Enter on 戻る closes it.
for round in $(seq 16); do
  click "$main" 20 $((menu / 2)); sleep 0.2; key Down Down Return
  edit=$(window '編集画面')
  [ -n "$edit" ] || { fail "no 編集画面 in round $round"; break; }
  place=$(frame "$edit")
  [ "$place" = "280 190" ] || { fail "編集画面 opened at $place in round $round"; }
  if [ "$round" = 1 ]; then
    key Escape; sleep 0.3
    viewable "$edit" && echo "ok: Escape keeps 編集画面" || fail "Escape closed 編集画面"
    timeout 2 xdotool windowminimize --sync "$edit"
    if poll viewable "$edit" && poll viewable "$main"; then echo "ok: minimising 編集画面 keeps the program shown"
    else fail "minimising 編集画面 hid the program"; xdotool windowmap "$edit"; poll viewable "$edit"; fi
  fi
  click "$edit" 60 75 && key Tab Tab Tab Tab Tab Tab Return  # from the front data memo to 戻る
  if ! poll hidden "$edit"; then
    fail "Enter on 戻る left 編集画面 open"
    key space; poll hidden "$edit" || break
  fi
done
expect "編集画面 after 16 openings" "280 190" "$place"

# The join window, 16 times, left in turn by its close box and by 戻る (which empties the join list, so
# the files are chosen again): the save-list question beside the main window, the window where the stored
# place says, Escape keeps it, minimising it minimises the program and the main window brings it back.
choose_files() {
  click "$main" 60 $((menu + 190)) && key ctrl+a && click "$main" 288 $((menu + 156))
}
choose_files
for round in $(seq 16); do
  click "$main" 359 $((menu + 361))
  question=$(window '警告')
  [ -n "$question" ] || { fail "no save question in round $round"; break; }
  [ "$round" = 1 ] && expect "save question beside the main window" "50 50" "$(offset "$main" "$question")"
  key n
  view=$(window 'ViewForm')
  [ -n "$view" ] || { fail "no join window in round $round"; break; }
  place=$(frame "$view")
  [ "$place" = "280 190" ] || fail "the join window opened at $place in round $round"
  if [ "$round" = 1 ]; then
    key Escape; sleep 0.3
    viewable "$view" && echo "ok: Escape keeps the join window" || fail "Escape closed the join window"
    timeout 2 xdotool windowminimize --sync "$view"
    if poll hidden "$main"; then echo "ok: minimising the join window minimises the program"
    else fail "minimising the join window left the main window shown"; fi
    xdotool windowactivate "$main" 2>/dev/null
    if poll viewable "$main" && poll viewable "$view"; then echo "ok: the main window brings the join window back"
    else fail "the main window came back without the join window"; xdotool windowmap "$view"; poll viewable "$view"; fi
    [ "$(frame "$view")" = "280 190" ] || fail "the join window came back at $(frame "$view")"
  fi
  if [ $((round % 2)) = 1 ]; then
    key alt+F4
    poll hidden "$view" || { fail "the close box left the join window open"; break; }
  else
    click "$view" 340 452
    poll hidden "$view" || { fail "戻る left the join window open"; break; }
    choose_files
  fi
done
expect "join window after 16 openings" "280 190" "$place"

# A join whose data begins with a NUL byte: the drive path typed in the save dialog names the output, and
# the format question stands beside the join window; いいえ leaves the data page empty.
click "$main" 359 $((menu + 361))
window '警告' >/dev/null && key n
view=$(window 'ViewForm')
click "$view" 50 452  # 結合開始
save=$(window '結合ﾌｧｲﾙ保存')
if [ -n "$save" ]; then
  key ctrl+a && xdotool type --delay 20 'c:/NC\JOINED.NC' && key Return
  question=$(window '警告')
  if [ -n "$question" ]; then
    expect "format question beside the join window" "50 50" "$(offset "$view" "$question")"
    [ -n "${TARVELIN_SCREENSHOT:-}" ] && import -window root "$TARVELIN_SCREENSHOT"
    key n
  else
    fail "no format question"
  fi
  poll test -f "$home/NC/JOINED.NC" && echo "ok: the typed drive path named the joined file" ||
    fail "no joined file at C:\\NC\\JOINED.NC"
else
  fail "no save dialog"
fi
key alt+F4
poll hidden "$view" || fail "the join window stayed open"

click "$main" 524 $((menu + 361))  # 終了
poll eval '! kill -0 $app 2>/dev/null' || fail "終了 did not end the program"
stored=$(tr -d '\r' <"$home/bin/tarvelin.INI" | awk -F= '/^\[/{s=$0} s=="[View]" && ($1=="Left" || $1=="Top"){printf "%s ", $2}')
expect "stored place of the join window and the editor" "280 190 " "$stored"
[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
