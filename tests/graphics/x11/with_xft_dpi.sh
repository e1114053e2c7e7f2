#!/usr/bin/env bash
# Runs a command with the X server's resources saying Xft.dpi: DPI (as a desktop scaled to
# DPI / 96 sets them), loaded with xrdb; run under tests/support/run_with_xvfb.sh:
#   with_xft_dpi.sh DPI COMMAND [ARGS...]
set -u
dpi=$1
shift
command -v xrdb >/dev/null || { echo "xrdb not found: install x11-xserver-utils" >&2; exit 1; }
printf 'Xft.dpi:\t%s\n' "$dpi" | xrdb -nocpp -merge || { echo "xrdb failed" >&2; exit 1; }
exec "$@"
