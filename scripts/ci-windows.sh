#!/usr/bin/env bash
# Everything CI needs for the Windows side: the static libpng for mingw, the wine prefix,
# the Windows cross build (build-win) and its tests under wine, with timings.
#
#   scripts/ci-windows.sh
# Environment:
#   WIN_BUILD_DIR    Windows build directory (default build-win)
#   LINUX_BUILD_DIR  Linux build directory whose Quelora2.so, quelora_render_host,
#                    quelora_vst3_render_host and quelora_clap_render_host are built
#                    (configured if missing) for the audio comparisons (default build)
#   WINEPREFIX       wine prefix (default /tmp/wine-quelora-ci)
#   JOBS             parallel build jobs (default 2)
# Expects the packages of scripts/install-deps.sh.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
WIN_BUILD_DIR=${WIN_BUILD_DIR:-build-win}
LINUX_BUILD_DIR=${LINUX_BUILD_DIR:-build}
JOBS=${JOBS:-2}
export WINEPREFIX=${WINEPREFIX:-/tmp/wine-quelora-ci}
export WINEDEBUG=-all
case "$LINUX_BUILD_DIR" in /*) ;; *) LINUX_BUILD_DIR=$ROOT/$LINUX_BUILD_DIR ;; esac

step_start=0
step() {
  step_start=$(date +%s)
  echo "== $1" >&2
}
done_step() {
  echo "   $1: $(( $(date +%s) - step_start )) s" >&2
}
total_start=$(date +%s)

step "libpng for mingw"
scripts/build-libpng-mingw.sh "$ROOT/.deps/mingw" "$ROOT/.deps/work"
done_step "libpng"

step "wine prefix ($WINEPREFIX)"
scripts/wine-prefix-init.sh --null-graphics
done_step "wine prefix"

step "Linux reference module ($LINUX_BUILD_DIR)"
# The reference host is a test target: turned on also in a build/ that scripts/demo.sh
# configured without tests.
cmake -S . -B "$LINUX_BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DQUELORA_BUILD_TESTS=ON >/dev/null
cmake --build "$LINUX_BUILD_DIR" --target Quelora2 quelora_render_host quelora_vst3_render_host \
  quelora_clap_render_host -j"$JOBS" >/dev/null
done_step "Linux reference build"

step "Windows configure ($WIN_BUILD_DIR)"
cmake -S . -B "$WIN_BUILD_DIR" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$ROOT/.deps/mingw" \
  -DQUELORA_LINUX_BUILD_DIR="$LINUX_BUILD_DIR" >/dev/null
done_step "configure"

step "Windows build"
cmake --build "$WIN_BUILD_DIR" -j"$JOBS" >/dev/null
ls -l "$WIN_BUILD_DIR/Quelora 2_x64.dll" "$WIN_BUILD_DIR/Quelora2.vst3/Contents/x86_64-win/Quelora2.vst3" \
  "$WIN_BUILD_DIR/Quelora2.clap" >&2
done_step "build"

step "Windows tests (ctest under wine)"
# ctest's own wine_up / wine_down fixture keeps one wineserver running for the whole run.
rc=0
(cd "$WIN_BUILD_DIR" && ctest --output-on-failure --timeout 300) || rc=$?
# Make sure no wine process outlives the run, whatever happened.
wineserver -k </dev/null >/dev/null 2>&1 || true
done_step "ctest"

echo "== Windows side finished in $(( $(date +%s) - total_start )) s (ctest exit code $rc)" >&2
exit $rc
