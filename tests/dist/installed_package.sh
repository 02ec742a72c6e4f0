#!/usr/bin/env bash
# The Debian package, unpacked into a temporary root and run from there by a user who is not root: the
# joiner takes its default front and end data from the user's configuration folder, and the program,
# ended by SIGTERM as a session ends it, leaves its settings file there with every key.
# Usage: installed_package.sh BUILD_FOLDER SOURCE_FOLDER
set -u
build=$1
source=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/tarvelin_*.deb) || fail "no package"
dpkg-deb -f "$deb" Depends | grep -q "fonts-ipafont-gothic | fonts-noto-cjk" || fail "Depends: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "Depends lacks the libraries: $(dpkg-deb -f "$deb" Depends)"
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
for file in usr/bin/tarvelin usr/bin/tarvelin-join usr/share/tarvelin/manual.html usr/share/tarvelin/tarvelin.png \
            usr/share/applications/org.tarvelin.Tarvelin.desktop \
            usr/share/metainfo/org.tarvelin.Tarvelin.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/tarvelin.svg usr/share/icons/hicolor/256x256/apps/tarvelin.png \
            usr/share/man/man1/tarvelin.1.gz usr/share/man/man1/tarvelin-join.1.gz usr/share/doc/tarvelin/copyright; do
  [ -s "$root/$file" ] || fail "the package lacks $file"
done
# The program's own deflateInit_ survives the package's stripping, so that print jobs are compressed fast.
nm -D --defined-only "$root/usr/bin/tarvelin" | grep -qw deflateInit_ || fail "tarvelin does not define deflateInit_"

# Root runs the programs as "nobody"; anyone else runs them as themselves.
home=$work/home
mkdir -p "$home/.config/tarvelin" "$work/run"
mkdir -p "$home/examples" && cp "$source"/examples/* "$home/examples/"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: setpriv is missing"; exit 77; }
  chown -R nobody "$home" "$work/run"
  run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 700 "$work/run"
env_for_user=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
              ASAN_OPTIONS=detect_leaks=0 LANG=C.UTF-8)
as_user() { (cd "$home" && exec "${run_as[@]}" "${env_for_user[@]}" "$@"); }

# The joiner: its Front.txt and End.txt are the user's, not beside /usr/bin.
printf '(FRONT OF USER)\r\n' >"$home/.config/tarvelin/Front.txt"
printf '(END OF USER)\r\n' >"$home/.config/tarvelin/End.txt"
[ "$(id -u)" -eq 0 ] && chown -R nobody "$home"
as_user "$root/usr/bin/tarvelin-join" -q -o "$home/JOINED.NC" --list examples/JOB.LST || fail "tarvelin-join exit $?"
grep -q "(FRONT OF USER)" "$home/JOINED.NC" || fail "the joined file lacks the user's front data"
grep -q "(END OF USER)" "$home/JOINED.NC" || fail "the joined file lacks the user's end data"
as_user "$root/usr/bin/tarvelin-join" -q -o "$home/JOINED2.NC" examples/O1001.NC GONE.NC
[ $? -eq 3 ] || fail "a missing input did not give exit status 3"

# The program: its settings folder is its own to make; SIGTERM closes the window, which saves.
rm -rf "$home/.config/tarvelin"
# setpriv and env each hand their process on to the next program, so $! is the program's own.
cd "$home"
"${run_as[@]}" "${env_for_user[@]}" "$root/usr/bin/tarvelin" & program=$!
cd /
for _ in $(seq 100); do
  [ -S "$work/run/tarvelin.lock.raise" ] && break
  sleep 0.2
done
[ -S "$work/run/tarvelin.lock.raise" ] || { kill $program; fail "the program did not start"; }
kill -TERM $program
wait $program || fail "the program's exit status $? after SIGTERM"
settings=$home/.config/tarvelin/tarvelin.INI
[ -f "$settings" ] || fail "no $settings"
[ ! -e "$root/usr/bin/tarvelin.INI" ] || fail "a settings file beside the installed program"
for section_keys in "Main:Left Top Drive DirPath Mask ListPath ChgPath" "View:Left Top Width Height FontSize" \
                    "Options:OP1" "Setting:Mask_No User1_Name User1_Mask User2_Name User2_Mask" \
                    "Edit:DelChar1 DelChar2 DelChar3 ChgChar1 ChgChar2 ChgChar3"; do
  section=${section_keys%%:*}
  grep -q "^\[$section\]" "$settings" || fail "no section [$section]"
  for key in ${section_keys#*:}; do
    awk -v s="[$section]" -v k="$key" '/^\[/{in_s = ($0 == s "\r" || $0 == s)} in_s && index($0, k "=") == 1 {found=1} END{exit !found}' \
      "$settings" || fail "no key $section/$key"
  done
done
echo "package $(basename "$deb"): joined and ran as uid $("${run_as[@]}" id -u), settings saved in .config/tarvelin"
