#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing. Extra
# package names given as arguments are installed too (scripts/fuzz.sh asks for clang and libFuzzer).
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-translations-l10n zlib1g-dev libcups2-dev cups-daemon cups-client libxcb1-dev
  libgtest-dev nlohmann-json3-dev
  fonts-ipafont-gothic xvfb xauth x11-apps x11-utils openbox icewm xdotool imagemagick poppler-utils dbus-daemon dbus-bin
  libglib2.0-bin xdg-utils desktop-file-utils appstream dpkg-dev file clang-format clang-tidy
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
