#!/usr/bin/env bash
# Screenshot of the Windows plug-in's editor: the DLL's editor runs under wine's x11 driver
# on a private Xvfb display, and its client area (550x209) is cropped out of a capture of
# the whole screen.
#
#   scripts/windows-screenshot.sh OUT.png [program name or number]
# Environment:
#   WIN_BUILD_DIR  configured Windows build directory (default build-win); the DLL and
#                  quelora_editor_snapshot_host are built there if needed
#   WINEPREFIX     wine prefix with the x11 driver (default /tmp/wine-quelora-x11). It must
#                  not be the tests' prefix, which uses the null driver and shows nothing.
# Needs xvfb, x11-apps (xwd) and imagemagick (scripts/install-deps.sh).
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUT.png [program name or number]" >&2
  exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$(realpath -m "$1")
PROGRAM=("${@:2}")
WIN_BUILD_DIR=$(realpath -m "${WIN_BUILD_DIR:-$ROOT/build-win}")
export WINEPREFIX=${WINEPREFIX:-/tmp/wine-quelora-x11}
export WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

[ -f "$WIN_BUILD_DIR/CMakeCache.txt" ] ||
  { echo "$WIN_BUILD_DIR is not a configured Windows build (see graphics/win/README-windows.md)" >&2; exit 1; }
cmake --build "$WIN_BUILD_DIR" --target Quelora2 quelora_editor_snapshot_host -j"${JOBS:-2}" >/dev/null

"$ROOT/scripts/wine-prefix-init.sh"
if grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  echo "$WINEPREFIX uses wine's null display driver; use a separate prefix for screenshots" >&2
  exit 1
fi

# A free display number: neither a lock file nor a socket of a running server.
display=""
for n in $(seq 91 160); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
host_pid=""
cleanup() {
  if [ -n "$host_pid" ]; then kill "$host_pid" 2>/dev/null || true; fi
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
export DISPLAY=":$display"

# The host prints "holding X Y W H" (the editor's client area on the screen) once the
# editor is drawn, and keeps it up for 3 s, plenty for one capture.
(cd "$WIN_BUILD_DIR" &&
  exec "$WINE" ./quelora_editor_snapshot_host.exe "Quelora 2_x64.dll" 3000 "${PROGRAM[@]}" \
    </dev/null >"$work/host.out" 2>"$work/host.err") &
host_pid=$!
geometry=""
for _ in $(seq 600); do
  geometry=$(sed -n 's/^holding \([0-9-]* [0-9-]* [0-9]* [0-9]*\).*/\1/p' "$work/host.out")
  [ -n "$geometry" ] && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$geometry" ]; then
  echo "the editor host did not come up:" >&2
  cat "$work/host.out" "$work/host.err" >&2
  exit 1
fi
read -r x y w h <<<"$geometry"
xwd -root -silent -display ":$display" >"$work/screen.xwd"
mkdir -p "$(dirname "$OUT")"
convert "xwd:$work/screen.xwd" -crop "${w}x${h}+${x}+${y}" +repage -strip "PNG24:$OUT"
wait "$host_pid" || { echo "the editor host failed:" >&2; cat "$work/host.err" >&2; exit 1; }
host_pid=""
echo "wrote $OUT (${w}x${h}, editor client area at $x,$y)" >&2
