#!/usr/bin/env bash
# Creates the wine prefix the Windows tests run in (WINEPREFIX, default ~/.wine).
#   scripts/wine-prefix-init.sh [--null-graphics]
# --null-graphics selects wine's "null" display driver, so windows can be created and
# painted without any X server (the editor test reads its pixels back from the window).
# Idempotent: an existing prefix is kept; the driver setting is applied every time.
set -euo pipefail

NULL_GRAPHICS=0
for arg in "$@"; do
  case "$arg" in
    --null-graphics) NULL_GRAPHICS=1 ;;
    *) echo "usage: $0 [--null-graphics]" >&2; exit 2 ;;
  esac
done

export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # No installers for optional runtimes; stdio closed so no daemon holds a caller's pipe.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
fi
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine prefix $WINEPREFIX could not be created" >&2; exit 1; }

# Grey-level font smoothing, as on a default desktop installation (wine's own default is
# off, which would leave only two-level text).
if ! grep -q '"FontSmoothing"="2"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /d 2 /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
fi

if [ "$NULL_GRAPHICS" = 1 ]; then
  if ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  fi
  grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" ||
    { echo "could not select the null display driver in $WINEPREFIX" >&2; exit 1; }
fi
echo "wine prefix ready: $WINEPREFIX" >&2
