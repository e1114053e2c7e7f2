#!/usr/bin/env bash
# Ardour's headless Lua interpreter (ardour7-lua, dummy backend) with the LV2 bundle: a new
# session inserts the plug-in by URI and sees its name, maker and default control values;
# values set there are saved with the session and a second process reloads them.
#   ardour_lv2_test.sh BUNDLE_DIRECTORY WORK_DIRECTORY
# Only the bundle and the LV2 specifications are on the private LV2_PATH; HOME is private
# too, so nothing of the user's is read or written. Ardour 7.3 headless sometimes dies at
# exit on our machines: a run killed by a signal is retried (three attempts).
set -euo pipefail
bundle=$(cd "$1" && pwd)
work=$2
lua=$(command -v ardour7-lua) || { echo "ardour7-lua missing (Debian package ardour)" >&2; exit 1; }
fail() { echo "ardour_lv2_test: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work/lv2" "$work/home"
ln -s "$bundle" "$work/lv2/Quelora2.lv2"
for spec in core atom time urid state units presets options buf-size port-props parameters; do
  [ -d "/usr/lib/lv2/$spec.lv2" ] && ln -s "/usr/lib/lv2/$spec.lv2" "$work/lv2/"
done

# run_lua SCRIPT LOG: runs the script, retrying deaths by signal.
run_lua() {
  local attempt status
  for attempt in 1 2 3; do
    set +e
    LV2_PATH="$work/lv2" HOME="$work/home" timeout 120 "$lua" "$1" >"$2" 2>&1
    status=$?
    set -e
    [ "$status" -lt 128 ] && return "$status"
    echo "ardour_lv2_test: attempt $attempt ended by signal $((status - 128)); retrying" >&2
  done
  return 1
}

uri=https://obvik.com/plugins/quelora-2
cat >"$work/create.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$work/session", "session", 48000)
assert(s, "no session")
local tracks = s:new_audio_track(2, 2, nil, 1, "t", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
local p = ARDOUR.LuaAPI.new_plugin(s, "$uri", ARDOUR.PluginType.LV2, "")
assert(not p:isnil(), "plug-in not found")
tracks:front():add_processor_by_index(p, 0, nil, true)
local insert = p:to_plugininsert()
local plugin = insert:plugin(0)
print("NAME", plugin:name())
print("MAKER", plugin:maker())
for i = 0, 5 do print("DEFAULT", i, ARDOUR.LuaAPI.get_plugin_insert_param(insert, i, true)) end
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 0, 9)
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 3, 77)
s:save_state("", false, false, false, false, false)
close_session()
LUA
cat >"$work/reload.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = load_session("$work/session", "session")
assert(s, "no session")
local insert = s:route_by_name("t"):nth_plugin(0):to_plugininsert()
for i = 0, 5 do print("VALUE", i, ARDOUR.LuaAPI.get_plugin_insert_param(insert, i, true)) end
close_session()
LUA

run_lua "$work/create.lua" "$work/create.log" || { cat "$work/create.log" >&2; fail "create failed"; }
log=$(cat "$work/create.log")
grep -qE '^NAME[[:space:]]+Quelora 2$' <<<"$log" || { echo "$log" >&2; fail "name"; }
grep -qE '^MAKER[[:space:]]+Obvik$' <<<"$log" || fail "maker"
defaults=$(awk '$1 == "DEFAULT" {print $3}' <<<"$log" | tr '\n' ' ')
[ "$defaults" = "12.0 0.0 90.0 60.0 100.0 50.0 " ] || fail "defaults: $defaults"
ls "$work"/session/plugins/*/state*/state.ttl >/dev/null 2>&1 || fail "no plug-in state saved"

run_lua "$work/reload.lua" "$work/reload.log" || { cat "$work/reload.log" >&2; fail "reload failed"; }
values=$(awk '$1 == "VALUE" {print $3}' "$work/reload.log" | tr '\n' ' ')
[ "$values" = "9.0 0.0 90.0 77.0 100.0 50.0 " ] || fail "reloaded values: $values"
echo "ardour_lv2_test: loaded, defaults $defaults; reloaded $values"
