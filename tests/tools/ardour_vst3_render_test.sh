#!/usr/bin/env bash
# Ardour's headless Lua interpreter (ardour7-lua, dummy backend) renders a click through
# the VST 3 bundle at the session's tempo and exports it; the echoes must land where the
# VST 2.4 module puts them for the same tempo and settings, rendered by quelora-host.
#   ardour_vst3_render_test.sh QUELORA_HOST VST_MODULE VST3_BUNDLE AUDIO_CHECK CLICK_LUA WORK_DIR
# As in the LV2 render test (ardour_render_test.sh): 48 kHz, 150 BPM, Delay Rate 1/4D, so
# the first echo comes 28800 frames after the click; both files are compared relative to
# their dry click; a run killed by a signal (Ardour 7.3 often dies while closing a session
# after an export), or one whose export is not a clean 2 s stereo float file, is retried.
set -euo pipefail
host=$1 vst=$2 bundle=$3 check=$4 click=$5 work=$6
fail() { echo "ardour_vst3_render_test: $*" >&2; exit 1; }
source "$(dirname "$0")/ardour_vst3_common.sh"

rate=48000 bpm=150 click_at=12000 frames=96000
rate_index=14 rate_text=1/4D beats_num=3 beats_den=2   # Delay Rate 1/4D = 3/2 beats
feedback=75
expected_echo=$((60 * rate * beats_num / (bpm * beats_den)))

rm -rf "$work" && mkdir -p "$work"
vst3_prepare "$bundle" "$work" || { cat "$scan_log" >&2; fail "scanner failed"; }
mkdir -p "$vst3_home/.config/ardour7/scripts" "$vst3_home/.config/ardour7/export"
cp "$click" "$vst3_home/.config/ardour7/scripts/"
# 32-bit float WAV at the session rate (Ardour's own float format), no dither, no normalising.
preset=9d3c1f0e-5b7a-4e61-8c2d-4a1b7e0f3c55
cat >"$vst3_home/.config/ardour7/export/render.preset" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="$preset" name="render test">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="timespan" enabled="1"/>
  </ExportFilename>
</ExportPreset>
XML

cat >"$work/render.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$work/session", "session", $rate)
assert(s, "no session")
local map = Temporal.TempoMap.fetch_writable()
map:set_tempo(Temporal.Tempo($bpm, $bpm, 4), Temporal.timepos_t(0))
Temporal.TempoMap.update(map)
print("TEMPO", Temporal.TempoMap.read():quarters_per_minute_at(Temporal.timepos_t(0)))
local track = s:new_audio_track(2, 2, nil, 1, "t", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local click = ARDOUR.LuaAPI.new_luaproc(s, "Quelora Test Click")
assert(not click:isnil(), "click processor not found")
track:add_processor_by_index(click, 0, nil, true)
ARDOUR.LuaAPI.set_processor_param(click, 0, $click_at)
local p = ARDOUR.LuaAPI.new_plugin(s, "Quelora 2", ARDOUR.PluginType.VST3, "")
assert(not p:isnil(), "plug-in not found")
track:add_processor_by_index(p, 1, nil, true)
local insert = p:to_plugininsert()
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 0, $rate_index)
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 3, $feedback)
local export = s:simple_export()
export:set_name("render")
export:set_folder("$work/export")
export:set_range(0, $frames)
assert(export:set_preset("$preset"), "export preset not found")
assert(export:run_export(), "export failed")
close_session()
print("EXPORTED")
LUA

# Reference: the same click, tempo and settings through the VST 2.4 module.
"$check" impulse "$work/click.wav" "$rate" "$frames" "$click_at" 1.0
"$host" render "$vst" "$work/click.wav" "$work/vst.wav" --tempo "$bpm" --tail 0 \
  --set "Delay Rate=$rate_text" --set "Feedback=$feedback" >/dev/null || fail "VST render"

lua=$(command -v ardour7-lua) || fail "ardour7-lua missing (Debian package ardour)"
exported=$work/export/render.wav
retries=0 attempts=8
for attempt in $(seq "$attempts"); do
  rm -rf "$work/session" "$work/export" && mkdir -p "$work/export"
  set +e
  VST3_PATH="$vst3_dir" XDG_CACHE_HOME="$vst3_cache" HOME="$vst3_home" timeout 60 "$lua" \
    "$work/render.lua" >"$work/render.log" 2>&1
  status=$?
  set -e
  if [ "$status" -ge 128 ]; then
    echo "ardour_vst3_render_test: attempt $attempt ended by signal $((status - 128)); retrying" >&2
  elif [ "$status" -ne 0 ] || ! grep -qx EXPORTED "$work/render.log"; then
    cat "$work/render.log" >&2
    fail "ardour7-lua exited with status $status"
  elif "$check" check "$exported" channels=2 rate="$rate" frames="$frames" finite-within=2; then
    break
  else
    echo "ardour_vst3_render_test: attempt $attempt exported a damaged file; retrying" >&2
  fi
  retries=$attempt
  [ "$attempt" -lt "$attempts" ] || fail "no clean export in $attempts attempts"
done
grep -qE "^TEMPO[[:space:]]+$bpm(\.0)?$" "$work/render.log" || fail "session tempo not $bpm"

echoes=$("$check" same-echoes "$work/vst.wav" "$exported" 0.001 0.0001) ||
  { echo "$echoes" >&2; fail "echoes differ from the VST 2.4 render"; }
first_echo=$(sed -n 3p <<<"$echoes" | cut -d' ' -f1)
[ "$first_echo" = "$expected_echo" ] ||
  { echo "$echoes" >&2; fail "first echo +$first_echo, expected +$expected_echo"; }
echo "ardour_vst3_render_test: $bpm BPM, Delay Rate $rate_text: echoes as the VST 2.4 build" \
     "puts them (retries: $retries)"
echo "$echoes"
