#!/usr/bin/env bash
# Builds Tarvelin for Windows x64 with MinGW-w64 and makes the portable zip: the two programs, the Qt and
# MinGW libraries and plugins they load, Qt's Japanese texts, the manual, the icon and the licence texts.
#   scripts/windows/build.sh [FOLDER]      (default build-win; the zip's path is printed last)
# Qt for Windows comes from scripts/windows/build-qt.sh (built once and cached). The test programs are
# built in the same folder; scripts/windows/test.sh runs them under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
folder=$top/${1:-build-win}
triplet=x86_64-w64-mingw32

"$top/scripts/install-deps.sh" zip
qt=$("$top/scripts/windows/build-qt.sh")
cmake -S "$top" -B "$folder" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DTARVELIN_QT_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=ON -DTARVELIN_BENCH=OFF -DTARVELIN_WERROR=ON \
  >/dev/null
cmake --build "$folder" -j "$(nproc)" >&2

version=$(sed -n 's/^project(Tarvelin VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
name=tarvelin-$version
stage=$folder/zip/$name
rm -rf "$folder/zip"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"

# The programs and exactly the libraries they load: Qt's (its own zlib, PNG and fonts built in), the
# Windows platform and the Vista style, and the MinGW runtime.
cp "$folder/app/tarvelin.exe" "$folder/cli/tarvelin-join.exe" "$stage/"
for library in Qt6Core Qt6Gui Qt6Widgets Qt6PrintSupport; do
  cp "$qt/bin/$library.dll" "$stage/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
gcc_runtime=$(dirname "$("$triplet-g++-posix" -print-file-name=libstdc++-6.dll)")
cp "$gcc_runtime/libstdc++-6.dll" "$gcc_runtime/libgcc_s_seh-1.dll" "/usr/$triplet/lib/libwinpthread-1.dll" "$stage/"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs "$triplet-strip" --strip-unneeded
# Qt looks for its plugins and texts beside the program.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"

cp "$top/app/manual.html" "$top/app/tarvelin.png" "$stage/"
sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"
qt_source=$(dpkg-query -W -f='${source:Package} ${source:Version}' qt6-base-dev)
gcc_source=$(dpkg-query -W -f='${source:Package} ${source:Version}' g++-mingw-w64-x86-64-posix)
{
  echo "Tarvelin $version for Windows holds libraries of others, each under its own licence:"
  echo
  echo "Qt $(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+~-].*//') (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,"
  echo "Qt6PrintSupport.dll, platforms\\qwindows.dll, styles\\qwindowsvistastyle.dll, translations\\qtbase_ja.qm):"
  echo "GNU Lesser General Public License version 3, below. It is built unchanged from the Debian source"
  echo "package $qt_source (apt-get source qt6-base=${qt_source#* }, or from the Debian"
  echo "archive's snapshot service), configured by scripts/windows/build-qt.sh of Tarvelin's source; you may"
  echo "replace these libraries with your own build of the same Qt version."
  echo
  echo "The GCC runtime (libstdc++-6.dll, libgcc_s_seh-1.dll) from $gcc_source: GNU General Public"
  echo "License version 3 with the GCC Runtime Library Exception. libwinpthread-1.dll from MinGW-w64: MIT"
  echo "licence. Both come with Debian's MinGW-w64 compiler packages."
  echo
  echo "========================================================================================"
  cat /usr/share/common-licenses/LGPL-3
} | sed 's/$/\r/' >"$stage/THIRD-PARTY.txt"

(cd "$folder/zip" && rm -f "$name-win64.zip" && zip -qr "$name-win64.zip" "$name")
echo "$folder/zip/$name-win64.zip"
