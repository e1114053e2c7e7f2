#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet: packages that
# are already installed are not fetched again. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build and test
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # libraries of the plug-in and its tools
  libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation
  libx11-dev libxext-dev libxtst-dev
  libsndfile1-dev
  # LV2: headers and spec bundles (lv2-dev), lilv for quelora-host, and lv2_validate's
  # Turtle checker (sordi)
  lv2-dev liblilv-dev sordi
  # Windows DLL: mingw-w64 cross compiler (posix threads), static zlib, wine for its tests,
  # dpkg-dev for fetching libpng's source package (scripts/build-libpng-mingw.sh)
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 dpkg-dev
  # X server for the editor tests, and a real host's plug-in scanner
  xvfb xauth x11-utils
  ardour
  # screenshots of the Windows editor under wine (scripts/windows-screenshot.sh)
  x11-apps imagemagick
)

missing=()
for p in "${PACKAGES[@]}"; do
  [[ "$p" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
