#!/usr/bin/env bash
# Installs the Debian packages the project needs: all of them, or with --build-only
# just what building the plug-ins and the demo takes. Idempotent and quiet: packages that
# are already installed are not fetched again. Run as root (or with sudo available).
set -euo pipefail

# What building the plug-ins, quelora-host, the demo and the Debian package needs
# (scripts/demo.sh and scripts/package-deb.sh install only these: --build-only).
BUILD_PACKAGES=(
  build-essential cmake pkg-config
  # libraries of the plug-in and its tools
  libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation
  libx11-dev libxext-dev
  libsndfile1-dev
  # LV2: headers and spec bundles (lv2-dev), lilv for quelora-host
  lv2-dev liblilv-dev
  # the Debian package (scripts/package-deb.sh): CPack's Debian generator finds the ELF
  # files to hand to dpkg-shlibdeps (dpkg-dev) with file(1); a minimal root has neither
  file dpkg-dev
)
# What the tests, benchmarks, fuzzers and the Windows build add (scripts/test.sh, CI).
TEST_PACKAGES=(
  git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # the editor tests' synthetic input
  libxtst-dev
  # Windows DLL: mingw-w64 cross compiler (posix threads), static zlib, wine for its tests,
  # dpkg-dev (above) also fetches libpng's source package (scripts/build-libpng-mingw.sh,
  # and scripts/build-libpng-fuzz.sh for the fuzz build)
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
  # X server for the editor tests (xrdb loads a desktop's scale into its resources), and
  # real hosts: Ardour (its scanners and headless interpreter) and Qtractor (its plug-in
  # scanner for CLAP and VST 2.4)
  xvfb xauth x11-utils x11-xserver-utils
  ardour qtractor
  # lv2_validate's Turtle checker, and lv2info for looking at the bundle as hosts do
  sordi lilv-utils
  # an LV2 host with a UI (jalv.gtk3) on a JACK server's dummy backend, its click source and
  # recorder (jackd2's example clients), and scripted input for it
  jalv jackd2 xdotool
  # screenshots of the Windows editor under wine (scripts/windows-screenshot.sh)
  x11-apps imagemagick
)

#   install-deps.sh [--build-only]
PACKAGES=("${BUILD_PACKAGES[@]}")
if [ "${1:-}" != "--build-only" ]; then
  PACKAGES+=("${TEST_PACKAGES[@]}")
fi

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
