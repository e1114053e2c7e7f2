#!/usr/bin/env bash
# Ardour's headless Lua interpreter (ardour7-lua, dummy backend) renders a click through the
# LV2 or the VST 3 bundle at the session's tempo and exports it; the echoes must land where
# the VST 2.4 module puts them for the same tempo and settings, rendered by quelora-host.
#   ardour_render_test.sh lv2|vst3 QUELORA_HOST VST_MODULE BUNDLE AUDIO_CHECK CLICK_LUA WORK_DIR
# Only the bundle is on Ardour's private plug-in path (LV2: with the LV2 specifications;
# VST 3: indexed by Ardour's scanner first, see ardour_vst3_common.sh); HOME is private too.
# The session runs at 48 kHz and 150 BPM with Delay Rate 1/4D, so the first echo comes
# 1.5 beats = 28800 frames after the click (120 BPM, the session default, would give
# 36000; no tempo at all, no echo). Ardour may shift the whole export by its latency
# compensation, so both files are compared relative to their dry click.
#
# Ardour 7.3 headless often dies (heap corruption, SIGABRT) while it closes a session after
# an export, with or without any plug-in: about a quarter to a half of the runs here. Such
# a run may leave a damaged file, so a run killed by a signal, or one whose export is not a
# clean 2 s stereo float file, is retried (eight attempts: even at one crash in two, all
# eight fail in 0.4 % of the test runs). Any other failure fails at once.
set -euo pipefail
format=$1 host=$2 vst=$3 bundle=$(cd "$4" && pwd) check=$5 click=$6 work=$7
lua=$(command -v ardour7-lua) || { echo "ardour7-lua missing (Debian package ardour)" >&2; exit 1; }
fail() { echo "ardour_render_test ($format): $*" >&2; exit 1; }

rate=48000 bpm=150 click_at=12000 frames=96000
rate_index=14 rate_text=1/4D beats_num=3 beats_den=2   # Delay Rate 1/4D = 3/2 beats
feedback=75
expected_echo=$((60 * rate * beats_num / (bpm * beats_den)))

rm -rf "$work" && mkdir -p "$work/home/.config/ardour7/scripts" "$work/home/.config/ardour7/export"
case "$format" in
  lv2)
    mkdir -p "$work/lv2"
    ln -s "$bundle" "$work/lv2/Quelora2.lv2"
    for spec in core atom time urid state units presets options buf-size port-props parameters; do
      [ -d "/usr/lib/lv2/$spec.lv2" ] && ln -s "/usr/lib/lv2/$spec.lv2" "$work/lv2/"
    done
    plugin='"https://obvik.com/plugins/quelora-2", ARDOUR.PluginType.LV2'
    run_env=(LV2_PATH="$work/lv2" HOME="$work/home")
    ;;
  vst3)
    source "$(dirname "$0")/ardour_vst3_common.sh"
    vst3_prepare "$bundle" "$work" || { cat "$scan_log" >&2; fail "scanner failed"; }
    plugin='"Quelora 2", ARDOUR.PluginType.VST3'
    run_env=(VST3_PATH="$vst3_dir" XDG_CACHE_HOME="$vst3_cache" HOME="$vst3_home")
    ;;
  *) fail "unknown format $format (lv2 or vst3)" ;;
esac
cp "$click" "$work/home/.config/ardour7/scripts/"
# 32-bit float WAV at the session rate (Ardour's own float format), no dither, no normalising.
preset=9d3c1f0e-5b7a-4e61-8c2d-4a1b7e0f3c55
cat >"$work/home/.config/ardour7/export/render.preset" <<XML
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
local p = ARDOUR.LuaAPI.new_plugin(s, $plugin, "")
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

exported=$work/export/render.wav
retries=0 attempts=8
for attempt in $(seq "$attempts"); do
  rm -rf "$work/session" "$work/export" && mkdir -p "$work/export"
  set +e
  env "${run_env[@]}" timeout 60 "$lua" "$work/render.lua" >"$work/render.log" 2>&1
  status=$?
  set -e
  if [ "$status" -ge 128 ]; then
    echo "ardour_render_test ($format): attempt $attempt ended by signal $((status - 128)); retrying" >&2
  elif [ "$status" -ne 0 ] || ! grep -qx EXPORTED "$work/render.log"; then
    cat "$work/render.log" >&2
    fail "ardour7-lua exited with status $status"
  elif "$check" check "$exported" channels=2 rate="$rate" frames="$frames" finite-within=2; then
    break
  else
    echo "ardour_render_test ($format): attempt $attempt exported a damaged file; retrying" >&2
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
echo "ardour_render_test ($format): $bpm BPM, Delay Rate $rate_text: echoes as the VST 2.4 build" \
     "puts them (retries: $retries)"
echo "$echoes"
