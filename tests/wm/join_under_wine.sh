#!/usr/bin/env bash
# The Windows build, unzipped, under Wine on a virtual screen with a window manager: two files are chosen
# in the browser and joined through the join window and its save dialog, 終了 ends the program, and the
# settings file stands beside tarvelin.exe with every key.
#   join_under_wine.sh FOLDER_WITH_TARVELIN_EXE
# Exits 77 (skipped) when a tool is missing.
set -u
folder=$1
wm=${TARVELIN_WM:-openbox}
wine=/usr/lib/wine/wine64
if [ "${2:-}" != --on-screen ]; then
  for tool in xvfb-run Xvfb "$wm" xdotool xwininfo xprop "$wine"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$folder" --on-screen
fi

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# Wine takes the Japanese system (ANSI code page 932) from LANG; the tools here keep their own locale.
japanese=(env LANG=ja_JP.UTF-8)
"$wm" >/dev/null 2>&1 & wm_pid=$!
app=
trap 'kill $app $wm_pid 2>/dev/null; WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { shot failed; echo "FAIL: $*"; exit 1; }
# With TARVELIN_SHOT=NAME.png, the screen is saved as NAME-main.png and NAME-join.png on the way.
# Under icewm Wine takes a window to stand 19 px lower than it does (the top frame's 24 less the sides' 5),
# so that a click lands 19 px higher in it: the test runs under openbox, and icewm is good for screenshots only.
shot() { [ -z "${TARVELIN_SHOT:-}" ] || { sleep 1 && import -window root "${TARVELIN_SHOT%.png}-$1.png" 2>/dev/null; }; }
poll() { # a command, every 100 ms for up to 60 s (Wine starts slowly)
  for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
  return 1
}
# The shown window titled exactly $1. Wine writes a Japanese title only into _NET_WM_NAME (its WM_NAME, which
# xdotool's name search reads, holds "?" for each character), and xdotool's --onlyvisible misses its windows.
found() {
  local id
  for id in $(xdotool search --name . 2>/dev/null); do
    [ "$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)" = "_NET_WM_NAME(UTF8_STRING) = \"$1\"" ] || continue
    xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && { echo "$id"; return; }
  done
}
window() {
  local id=
  for _ in $(seq 600); do
    id=$(found "$1")
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}
click() { xdotool mousemove --window "$1" "$2" "$3" && sleep 0.2 && xdotool click 1 && sleep 0.3; }

mkdir -p "$work/NC"
cp -r "$folder" "$work/app"
printf 'O1001\r\nG00X0\r\n' >"$work/NC/O1001.NC"
printf 'O1002\r\nG00X1\r\n' >"$work/NC/O1002.NC"
# Wine's Z: is the host's root: the browser starts in the folder of the two programs.
nc=$(echo "Z:$work/NC" | tr / '\\')
printf '[Main]\r\nLeft=30\r\nTop=20\r\nDrive=1\r\nDirPath=%s\r\nMask=0\r\n[View]\r\nLeft=280\r\nTop=190\r\n' "$nc" \
  >"$work/app/tarvelin.INI"
poll xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null || fail "$wm did not start"
"${japanese[@]}" "$wine" wineboot >/dev/null 2>&1
(cd "$work/app" && exec "${japanese[@]}" "$wine" tarvelin.exe) & app=$!

main=$(window 'ﾌｧｲﾙ結合 Ver1.13')
[ -n "$main" ] || { xdotool search --name . getwindowname %@ 2>/dev/null | head; fail "the main window did not appear"; }
shot main
menu=$(($(xwininfo -id "$main" | awk '/Height/{print $2}') - 396))  # the menu bar's height
click "$main" 60 $((menu + 190)) && xdotool key ctrl+a && click "$main" 288 $((menu + 156))  # 選択
click "$main" 359 $((menu + 361))                                                              # 次に進む
question=$(window '警告')
[ -n "$question" ] || fail "no question whether to save the join list"
xdotool key n
view=$(window 'ViewForm')
[ -n "$view" ] || fail "no join window"
click "$view" 50 452  # 開始
dialog=$(window '結合ﾌｧｲﾙ保存')
[ -n "$dialog" ] || fail "no save dialog"
xdotool type --delay 20 "$(echo "Z:$work/OUT.NC" | tr / '\\')" && xdotool key Return
poll test -s "$work/OUT.NC" || fail "the joined file was not written"
expected=$(printf '%%\r\nO1001\r\nG00X0\r\nO1002\r\nG00X1\r\n%%\r\n')
[ "$(cat "$work/OUT.NC")" = "$expected" ] || { od -c "$work/OUT.NC" | head; fail "the joined file differs"; }
shot join
echo "ok: two files joined through the windows"
click "$view" 340 452  # 戻る
poll eval '[ -z "$(found ViewForm)" ]' || fail "戻る left the join window open"
click "$main" 524 $((menu + 361))  # 終了
poll eval '! kill -0 $app 2>/dev/null' || fail "終了 did not end the program"
settings=$(tr -d '\r' <"$work/app/tarvelin.INI")
for key in Main/Left Main/Top Main/Drive Main/DirPath Main/Mask Main/ListPath Main/ChgPath View/Left View/Top \
           View/Width View/Height View/FontSize Options/OP1 Setting/Mask_No Setting/User1_Name Setting/User1_Mask \
           Setting/User2_Name Setting/User2_Mask Edit/DelChar1 Edit/DelChar2 Edit/DelChar3 Edit/ChgChar1 \
           Edit/ChgChar2 Edit/ChgChar3; do
  section=${key%/*} name=${key#*/}
  awk -v s="[$section]" -v k="$name" '/^\[/{inside=($0==s)} inside && index($0, k"=")==1{found=1} END{exit !found}' \
    <<<"$settings" || fail "the settings file beside tarvelin.exe lacks $key"
done
chg=$(awk -F= '/^ChgPath=/{print $2}' <<<"$settings")
[ "$chg" = "$(echo "Z:$work" | tr / '\\')" ] || fail "ChgPath is $chg"
echo "ok: 終了 wrote the settings file beside tarvelin.exe with every key"
echo "all passed"
