#!/usr/bin/env bash
# Builds Qt base and GoogleTest for Windows x64 (MinGW-w64) from Debian's own sources and caches
# them. Debian ships neither for MinGW; its qt6-base source builds unpatched for MinGW and matches
# the host Qt, whose moc/rcc/uic the cross build uses.
#   prefix=$(scripts/windows/build-qt.sh)
# The prefix is the last line of stdout; everything else goes to stderr. A complete cached install
# is reused as it is. Takes about 15 minutes when it has to build.
# TARVELIN_QT_CACHE: where the cached installs live (default /var/cache/tarvelin).
set -euo pipefail

exec 3>&1 1>&2 # stdout is reserved for the prefix
script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
toolchain="$script_dir/../../cmake/mingw-w64-x86_64.cmake"
triplet=x86_64-w64-mingw32
jobs=2 # the machine's 2 cores are shared

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

# --- Packages ---------------------------------------------------------------------------------
# qt6-base-dev brings the host tools (moc, rcc, uic) and Qt6HostInfo; googletest the gtest source.
packages=(g++-mingw-w64-x86-64-posix dpkg-dev cmake ninja-build qt6-base-dev googletest)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# --- Cache key --------------------------------------------------------------------------------
# The same Debian source as the host Qt: the host tools must be of the same version.
qt_source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
qt_version=${qt_source_version#*:}
qt_version=${qt_version%%[+~-]*}
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gcc_version=$("$triplet-gcc-posix" -dumpversion)
gcc_version=${gcc_version%%[.-]*}

qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_pkg_config=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_network=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_zstd=OFF
  # Debian's repacked source drops the wintab headers.
  -DFEATURE_tabletevent=OFF
  # Without Direct2D, Qt6PrintSupport.dll misses a DirectWrite font function and fails to link.
  -DFEATURE_direct2d=ON
  # FEATURE_opengl=OFF would leave dynamic GL on, which fails to build.
  -DINPUT_opengl=no
  # Bundled third-party libraries: none of them exists for MinGW on Debian.
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_freetype=ON
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
)
gtest_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_GMOCK=OFF
  -DINSTALL_GTEST=ON
  -DBUILD_SHARED_LIBS=OFF
)
# The Debian versions are in the key too: a new Debian revision means a new build.
key=$(printf '%s\n' "$qt_source_version" "$gtest_version" "${qt_options[@]}" "${gtest_options[@]}" |
  sha256sum | cut -c1-10)
cache_root=${TARVELIN_QT_CACHE:-/var/cache/tarvelin}
prefix="$cache_root/qt-$qt_version-mingw$gcc_version-$key"
stamp="$prefix/.tarvelin-complete"

if [ -f "$stamp" ]; then
  echo "$prefix" >&3
  exit 0
fi

# --- Build ------------------------------------------------------------------------------------
# Builds run as the calling user; only the cache root may need root to create.
if ! mkdir -p "$cache_root" 2>/dev/null || [ ! -w "$cache_root" ]; then
  $sudo mkdir -p "$cache_root"
  $sudo chown "$(id -u):$(id -g)" "$cache_root"
fi
# Two callers at once would build into the same folders.
exec 9>"$cache_root/.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$prefix" >&3
  exit 0
fi

# apt-get source needs a deb-src entry; Debian 12 has none by default. Mirror the deb entries.
if ! grep -Eqs '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
  /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
  echo "Adding deb-src entries for apt-get source"
  {
    # deb822 files: each enabled stanza of Types deb again as deb-src.
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
        /(^|\n)Types:[^\n]*deb/ && !/(^|\n)Enabled:[[:space:]]*no/ {
          n = split($0, lines, "\n"); out = ""
          for (i = 1; i <= n; i++) {
            if (lines[i] ~ /^#/) continue
            if (lines[i] ~ /^Types:/) lines[i] = "Types: deb-src"
            out = out lines[i] "\n"
          }
          printf "%s\n", out
        }' "$file"
    done
  } | $sudo tee /etc/apt/sources.list.d/tarvelin-deb-src.sources >/dev/null
  # One-line format (older installs): deb lines again as deb-src.
  if grep -Eqs '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list; then
    sed -En 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' /etc/apt/sources.list |
      $sudo tee /etc/apt/sources.list.d/tarvelin-deb-src.list >/dev/null
  fi
  $sudo apt-get update -qq
fi

# A failed build keeps its folder so that a second run resumes where it stopped.
work="$cache_root/work-$key"
mkdir -p "$work"
if [ ! -f "$work/.fetched" ]; then
  rm -rf "$work"/qt6-base*
  (cd "$work" && apt-get source --only-source "qt6-base=$qt_source_version")
  rm -f "$work"/qt6-base_* # the tarballs, already unpacked
  touch "$work/.fetched"
fi
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)

# An unfinished install may have left files behind.
rm -rf "$prefix"
started=$(date +%s)
echo "Building Qt $qt_source_version for MinGW into $prefix"
nice -n 10 cmake -S "$source_dir" -B "$work/build-qt" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${qt_options[@]}"
nice -n 10 cmake --build "$work/build-qt" --parallel "$jobs"
cmake --install "$work/build-qt"

echo "Building GoogleTest $gtest_version for MinGW into $prefix"
cmake -S /usr/src/googletest -B "$work/build-gtest" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${gtest_options[@]}"
nice -n 10 cmake --build "$work/build-gtest" --parallel "$jobs"
cmake --install "$work/build-gtest"

# The source and build folders take 1.4 GB; only the install is kept.
rm -rf "$work"
printf '%s\n' "qt6-base $qt_source_version" "googletest $gtest_version" \
  "built in $(($(date +%s) - started)) s" "${qt_options[@]}" "${gtest_options[@]}" >"$stamp.tmp"
mv "$stamp.tmp" "$stamp" # written last: its presence means the install is complete
echo "$prefix" >&3
