#!/usr/bin/env bash
# Builds a static libpng with the fuzzer's coverage instrumentation and AddressSanitizer
# from Debian's libpng1.6 source package, for the fuzz build: with it, coverage guides the
# fuzzer through the decoder instead of stopping at the library's entry points.
#
#   scripts/build-libpng-fuzz.sh [PREFIX] [WORKDIR]
#     PREFIX   install prefix (default .deps/fuzz): include/png.h, lib/libpng16.a
#     WORKDIR  download and build directory (default .deps/work)
#
# Does nothing when PREFIX already holds the library. .deps/ is ignored by git.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PREFIX=${1:-$ROOT/.deps/fuzz}
WORK=${2:-$ROOT/.deps/work}

if [ -f "$PREFIX/lib/libpng16.a" ] && [ -f "$PREFIX/include/png.h" ]; then
  echo "instrumented libpng already built in $PREFIX" >&2
  exit 0
fi
for tool in clang cmake; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)" >&2; exit 1; }
done

SRC=$("$ROOT/scripts/fetch-libpng-source.sh" "$WORK")
BUILD=$WORK/libpng-fuzz-build
rm -rf "$BUILD"
# The same instrumentation as the project's fuzz build, without UndefinedBehaviorSanitizer:
# the library is fuzzed for memory errors, its arithmetic is its own business.
FLAGS="-fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer -g -O1"
CC=clang cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$FLAGS" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" >/dev/null
cmake --install "$BUILD" >/dev/null
[ -f "$PREFIX/lib/libpng16.a" ] || { echo "libpng build produced no libpng16.a" >&2; exit 1; }
echo "instrumented libpng installed in $PREFIX" >&2
