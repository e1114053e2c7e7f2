#!/usr/bin/env bash
# jalv.gtk3, a host we did not write, runs the LV2 bundle with its X11 UI on a private
# JACK server (dummy backend) and X server: the UI opens embedded in jalv's window, and a
# drag made with the X server's test extension (xdotool) on the Dry Mix slider reaches the
# plug-in, which is heard: a click train through the plug-in is at full level before the
# drag and silent after it (Dry Mix 0; jalv sends no tempo here, so only the dry path
# sounds).
#   jalv_ui_test.sh BUNDLE_DIRECTORY AUDIO_CHECK WORK_DIRECTORY
# Needs DISPLAY (run it under tests/support/run_with_xvfb.sh).
set -euo pipefail
bundle=$(cd "$1" && pwd)
check=$2
work=$3
uri=https://obvik.com/plugins/quelora-2
fail() {
  echo "jalv_ui_test: $*" >&2
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log"; tail -n 20 "$log"; } >&2; done
  exit 1
}
for tool in jalv.gtk3 jackd jack_lsp jack_connect jack_metro jack_rec xdotool xwininfo; do
  command -v "$tool" >/dev/null || fail "$tool missing (scripts/install-deps.sh)"
done
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY"

rm -rf "$work" && mkdir -p "$work/lv2" "$work/home"
ln -s "$bundle" "$work/lv2/Quelora2.lv2"
export HOME=$work/home LV2_PATH=$work/lv2
# A JACK server of this test's own, so that parallel runs never meet.
export JACK_DEFAULT_SERVER=quelora-jalv-$$
export JACK_NO_AUDIO_RESERVATION=1
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# wait_for DESCRIPTION COMMAND...: up to ten seconds.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 100); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for $what"
}
has_port() { jack_lsp 2>/dev/null | grep -qx "$1"; }

jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
wait_for "the JACK server" jack_lsp
jalv.gtk3 -n q2 "$uri" >"$work/jalv.log" 2>&1 &
pids+=($!)
wait_for "jalv's ports" has_port q2:out_right
jack_metro -b 240 -n metro >"$work/metro.log" 2>&1 &
pids+=($!)
wait_for "the click's port" has_port metro:240_bpm
jack_connect metro:240_bpm q2:in_left
jack_connect metro:240_bpm q2:in_right

# The editor: the 550 x 209 window inside jalv's; its absolute position from the tree.
editor_origin() {
  xwininfo -root -tree | awk '/ 550x209\+0\+0 / { split($NF, a, "+"); x = a[2]; y = a[3] } END { if (x != "") print x, y; else exit 1 }'
}
wait_for "the plug-in's UI in jalv's window" editor_origin
read -r ox oy < <(editor_origin)
echo "editor at $ox,$oy"

jack_rec -f "$work/before.wav" -d 1 q2:out_left q2:out_right >"$work/rec-before.log" 2>&1 ||
  fail "jack_rec failed"
"$check" check "$work/before.wav" channels=2 min-peak=0.3 || fail "no click before the drag"

# Dry Mix: the slider's handle is at the top (100 %); drag it to the bottom.
x=$((ox + 460))
xdotool mousemove "$x" $((oy + 90)) mousedown 1
for dy in 100 110 120 130 140 150 160 170 180; do
  xdotool mousemove "$x" $((oy + dy))
  sleep 0.05
done
xdotool mouseup 1
# The edit reaches jalv at the UI's next idle call and the plug-in at its next block.
sleep 0.5
jack_rec -f "$work/after.wav" -d 1 q2:out_left q2:out_right >"$work/rec-after.log" 2>&1 ||
  fail "jack_rec failed"
"$check" check "$work/after.wav" channels=2 finite-within=0.01 ||
  fail "the click is still heard: the drag did not reach the plug-in"
kill -0 "${pids[1]}" 2>/dev/null || fail "jalv ended"
echo "jalv_ui_test: the UI opened in jalv and the drag reached the plug-in"
