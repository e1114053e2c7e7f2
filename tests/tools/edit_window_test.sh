#!/usr/bin/env bash
# quelora-host edit against a real X server (run under tests/support/run_with_xvfb.sh):
#   edit_window_test.sh QUELORA_HOST PLUGIN.so STUB_WITH_EDITOR.so
# The editor must open as a child of a top-level window titled with the effect name, stay
# until the time is up or Ctrl-C, and close cleanly; a plug-in that cannot open its editor
# is an error. On a desktop at 2x (Xft.dpi: 192) the editor opens at twice the size, and
# QUELORA_UI_SCALE comes before the desktop.
set -uo pipefail

host=$1
plugin=$2
stub=$3
fail() { echo "edit_window_test: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under tests/support/run_with_xvfb.sh)"

# Time limit: the editor closes by itself.
out=$("$host" edit "$plugin" --seconds 1 2>&1) || fail "edit --seconds 1 failed: $out"
grep -q 'editor of "Quelora 2" open (550 x 209 pixels)' <<<"$out" || fail "no open line: $out"
grep -q 'editor closed (time up)' <<<"$out" || fail "no close line: $out"

# The window tree while it is open: the top-level window with the effect name, the
# plug-in's editor window inside it, both 550 x 209. Ctrl-C then ends it in order.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$host" edit "$plugin" --seconds 60 --program "Classic Delay" >"$log" 2>&1 &
pid=$!
found=0
for _ in $(seq 1 100); do
  tree=$(xwininfo -root -tree 2>/dev/null || true)
  if grep -A3 '"Quelora 2": ()  550x209' <<<"$tree" | tail -n +2 | grep -q '0x.*550x209+0+0'; then
    found=1
    break
  fi
  sleep 0.1
done
kill -INT "$pid"
wait "$pid"
rc=$?
[ "$found" = 1 ] || fail "no editor window inside \"Quelora 2\": $(xwininfo -root -tree)"
[ "$rc" = 0 ] || fail "edit ended with $rc after Ctrl-C: $(cat "$log")"
grep -q 'editor closed (interrupted)' "$log" || fail "no close line after Ctrl-C: $(cat "$log")"

# A plug-in that reports an editor but cannot open it.
out=$("$host" edit "$stub" --seconds 1 2>&1)
rc=$?
[ "$rc" = 1 ] || fail "stub editor: exit $rc, expected 1: $out"
grep -q 'quelora-host: plug-in could not open its editor' <<<"$out" || fail "stub message: $out"

# The desktop at 2x: the resources a desktop scaled to 200 % sets.
command -v xrdb >/dev/null || fail "xrdb not found: install x11-xserver-utils"
printf 'Xft.dpi:\t192\n' | xrdb -nocpp -merge || fail "xrdb failed"
out=$("$host" edit "$plugin" --seconds 1 2>&1) || fail "edit at 2x failed: $out"
grep -q 'editor of "Quelora 2" open (1100 x 418 pixels)' <<<"$out" || fail "2x desktop: $out"
out=$(QUELORA_UI_SCALE=1.5 "$host" edit "$plugin" --seconds 1 2>&1) || fail "edit at 1.5x failed: $out"
grep -q 'editor of "Quelora 2" open (825 x 314 pixels)' <<<"$out" || fail "QUELORA_UI_SCALE: $out"
xrdb -remove

echo "edit_window_test: editor opened (1x, 2x desktop, 1.5x by the user), closed on time and on Ctrl-C"
