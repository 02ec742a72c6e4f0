#!/usr/bin/env bash
# tarvelin-join.exe under Wine against the Linux tarvelin-join, on the same inputs with the same options: the
# joined files are the same byte for byte and the exit statuses are the same. The inputs are the example
# programs and, where ../shared lies beside the repository, the real programs.
#   joiners_agree.sh PATH/tarvelin-join FOLDER_OF_tarvelin-join.exe
# Wine's prefix is the caller's (WINEPREFIX), and so is the ja_JP.UTF-8 locale (LOCPATH) through which Wine
# reads the Japanese arguments; exits 77 (skipped) without wine64.
set -u
linux=$(realpath "$1")
windows=$(realpath "$2")/tarvelin-join.exe
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "skipped: wine64 is not installed"; exit 77; }
if [ "$(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null)" != UTF-8 ]; then
  echo "FAIL: no ja_JP.UTF-8 locale (set LOCPATH): Wine would read the Japanese arguments wrongly"
  exit 1
fi
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$top/examples" "$work/examples"
mkdir -p "$work/real"
if [ -d "$top/../shared/realdata" ]; then
  find "$top/../shared/realdata" -type f \( -iname '*.nc' -o -iname '*.ngc' \) -exec cp {} "$work/real/" \;
fi
printf '\000O1000\r\nG00X0\r\n' >"$work/ZERO.NC"  # the format question (NUL.NC would name a device on Windows)
cd "$work"
real=(real/*)
[ -e "${real[0]}" ] || real=()

failures=0
agree() { # a case's name, then the options and inputs
  local name=$1 linuxStatus windowsStatus
  shift
  rm -f OUT_L.NC OUT_W.NC
  "$linux" -q -o OUT_L.NC "$@" </dev/null >/dev/null 2>&1
  linuxStatus=$?
  LANG=ja_JP.UTF-8 "$wine" "$windows" -q -o OUT_W.NC "$@" </dev/null >/dev/null 2>&1
  windowsStatus=$?
  if [ "$linuxStatus" != "$windowsStatus" ]; then
    echo "FAIL: $name: status $windowsStatus on Windows, $linuxStatus on Linux"
    failures=$((failures + 1))
  elif [ -e OUT_L.NC ] && ! cmp -s OUT_L.NC OUT_W.NC; then
    echo "FAIL: $name: the joined files differ"
    failures=$((failures + 1))
  elif [ ! -e OUT_L.NC ] && [ -e OUT_W.NC ]; then
    echo "FAIL: $name: only the Windows joiner wrote a file"
    failures=$((failures + 1))
  else
    echo "ok: $name: status $linuxStatus$([ -e OUT_L.NC ] && echo ", $(stat -c %s OUT_L.NC) bytes alike")"
  fi
}

agree "examples with front and end data" --front examples/Front.txt --end examples/End.txt \
  examples/O1001.NC examples/O1002.NC examples/O1003.NC
agree "a list file, no % marks" -p none --list examples/JOB.LST --no-front --no-end
agree "pairs with Japanese text and an empty replacement" -p f -r G01=G1 -r 加工=KAKOU -r M08= --no-front --no-end \
  examples/O1001.NC examples/O1002.NC
agree "a missing file" -p b --no-front --no-end examples/O1001.NC MISSING.NC examples/O1003.NC
agree "the format question answered no" --no-front --no-end ZERO.NC examples/O1001.NC
agree "the format question answered yes" -y --no-front --no-end ZERO.NC examples/O1001.NC
agree "the join check" --check --no-front --no-end examples/O1001.NC examples/O1002.NC examples/O1003.NC
if [ ${#real[@]} -gt 0 ]; then
  agree "the real programs, three pairs" -r M3=M03 -r G0X=G00X -r F6000.0=F5000. --no-front --no-end "${real[@]}"
  for program in "${real[@]}"; do
    agree "$program checked alone" --check --no-front --no-end "$program"
  done
else
  echo "the real programs are not beside the repository: their cases are left out"
fi
[ "$failures" = 0 ] || exit 1
echo "all passed"
