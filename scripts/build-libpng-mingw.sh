#!/usr/bin/env bash
# Cross-builds a static libpng for the Windows x64 DLL from Debian's libpng1.6 source
# package (fetched with apt-get source into a private apt directory, so the system's apt
# configuration is not touched; Debian's security patches come with the package).
#
#   scripts/build-libpng-mingw.sh [PREFIX] [WORKDIR]
#     PREFIX   install prefix (default .deps/mingw): include/png.h, lib/libpng16.a, lib/libpng.a
#     WORKDIR  download and build directory (default .deps/work)
#
# Does nothing when PREFIX already holds the library. Nothing third-party is kept in the
# repository: .deps/ is ignored by git.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PREFIX=${1:-$ROOT/.deps/mingw}
WORK=${2:-$ROOT/.deps/work}
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
MINGW_ROOT=/usr/x86_64-w64-mingw32

if [ -f "$PREFIX/lib/libpng16.a" ] && [ -f "$PREFIX/include/png.h" ]; then
  echo "libpng for mingw already built in $PREFIX" >&2
  exit 0
fi
for tool in x86_64-w64-mingw32-gcc-posix cmake; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)" >&2; exit 1; }
done
[ -f "$MINGW_ROOT/lib/libz.a" ] || { echo "missing $MINGW_ROOT/lib/libz.a (libz-mingw-w64-dev)" >&2; exit 1; }

mkdir -p "$WORK" "$PREFIX"
SRC=$("$ROOT/scripts/fetch-libpng-source.sh" "$WORK")

BUILD=$WORK/libpng-build
rm -rf "$BUILD"
cmake -S "$SRC" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON \
  -DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a" -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include" >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" >/dev/null
cmake --install "$BUILD" >/dev/null
[ -f "$PREFIX/lib/libpng16.a" ] || { echo "libpng build produced no libpng16.a" >&2; exit 1; }
[ -e "$PREFIX/lib/libpng.a" ] || ln -s libpng16.a "$PREFIX/lib/libpng.a"
echo "libpng for mingw installed in $PREFIX" >&2
