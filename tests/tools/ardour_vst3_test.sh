#!/usr/bin/env bash
# Ardour's headless Lua interpreter (ardour7-lua, dummy backend) with the VST 3 bundle: a
# new session lists it (class ID, category, vendor), inserts it as VST 3 by name and sees
# its name, maker and default values; values set there are saved with the session and a
# second process reloads them. A third process reloads a copy of the session whose
# per-parameter values were changed by hand: the plug-in's own state (the component
# state Ardour saves as a chunk) must win, so the component state alone restores the
# plug-in.
#   ardour_vst3_test.sh BUNDLE WORK_DIRECTORY
set -euo pipefail
bundle=$1 work=$2
fail() { echo "ardour_vst3_test: $*" >&2; exit 1; }
source "$(dirname "$0")/ardour_vst3_common.sh"

rm -rf "$work" && mkdir -p "$work"
vst3_prepare "$bundle" "$work" || { cat "$scan_log" >&2; fail "scanner failed"; }

cat >"$work/create.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$work/session", "session", 48000)
assert(s, "no session")
for p in ARDOUR.LuaAPI.list_plugins():iter() do
  if p.type == ARDOUR.PluginType.VST3 then
    print("LISTED", p.name, p.unique_id, p.category, p.creator)
  end
end
local tracks = s:new_audio_track(2, 2, nil, 1, "t", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
local p = ARDOUR.LuaAPI.new_plugin(s, "Quelora 2", ARDOUR.PluginType.VST3, "")
assert(not p:isnil(), "plug-in not found")
tracks:front():add_processor_by_index(p, 0, nil, true)
local insert = p:to_plugininsert()
local plugin = insert:plugin(0)
print("NAME", plugin:name())
print("MAKER", plugin:maker())
print("COUNT", plugin:parameter_count())
for i = 0, 5 do print("DEFAULT", i, ARDOUR.LuaAPI.get_plugin_insert_param(insert, i, true)) end
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 0, 9)
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 1, 2)
ARDOUR.LuaAPI.set_plugin_insert_param(insert, 3, 77)
s:save_state("", false, false, false, false, false)
close_session()
LUA
cat >"$work/reload.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
local s = load_session(arg[1] or "$work/session", "session")
assert(s, "no session")
local insert = s:route_by_name("t"):nth_plugin(0):to_plugininsert()
for i = 0, 5 do print("VALUE", i, ARDOUR.LuaAPI.get_plugin_insert_param(insert, i, true)) end
close_session()
LUA

vst3_lua "$work/create.lua" "$work/create.log" || { cat "$work/create.log" >&2; fail "create failed"; }
log=$(cat "$work/create.log")
grep -qE "^LISTED[[:space:]]+Quelora 2[[:space:]]+5133D0A72B6E4C199F0C7E526A4B1D38[[:space:]]+Fx\|Delay[[:space:]]+Obvik$" <<<"$log" ||
  { echo "$log" >&2; fail "listing"; }
grep -qE '^NAME[[:space:]]+Quelora 2$' <<<"$log" || { echo "$log" >&2; fail "name"; }
grep -qE '^MAKER[[:space:]]+Obvik$' <<<"$log" || fail "maker"
defaults=$(awk '$1 == "DEFAULT" {print $3}' <<<"$log" | tr '\n' ' ')
[ "$defaults" = "12.0 0.0 90.0 60.0 100.0 50.0 " ] || fail "defaults: $defaults"
grep -q 'type="vst3" unique-id="5133D0A72B6E4C199F0C7E526A4B1D38"' "$work/session/session.ardour" ||
  fail "no VST 3 processor saved"
grep -q '<chunk>' "$work/session/session.ardour" || fail "no component state saved"

vst3_lua "$work/reload.lua" "$work/reload.log" || { cat "$work/reload.log" >&2; fail "reload failed"; }
values=$(awk '$1 == "VALUE" {print $3}' "$work/reload.log" | tr '\n' ' ')
[ "$values" = "9.0 2.0 90.0 77.0 100.0 50.0 " ] || fail "reloaded values: $values"

# The per-parameter values Ardour keeps beside the chunk, set back to the defaults.
cp -r "$work/session" "$work/tampered"
sed -i -E 's/<Port id="0" value="[^"]*"/<Port id="0" value="12"/; s/<Port id="1" value="[^"]*"/<Port id="1" value="0"/; s/<Port id="3" value="[^"]*"/<Port id="3" value="60"/' \
  "$work/tampered/session.ardour"
grep -q '<Port id="3" value="60"' "$work/tampered/session.ardour" || fail "could not edit the saved values"
sed -i -E 's/(<Controllable name="(Delay Rate|Position|Feedback)"[^>]*) value="[^"]*"/\1 value="0"/' \
  "$work/tampered/session.ardour"
sed "s|\"$work/session\"|\"$work/tampered\"|" "$work/reload.lua" >"$work/reload-tampered.lua"
vst3_lua "$work/reload-tampered.lua" "$work/tampered.log" || { cat "$work/tampered.log" >&2; fail "reload failed"; }
chunk_values=$(awk '$1 == "VALUE" {print $3}' "$work/tampered.log" | tr '\n' ' ')
[ "$chunk_values" = "9.0 2.0 90.0 77.0 100.0 50.0 " ] ||
  fail "the component state did not restore the plug-in: $chunk_values"
echo "ardour_vst3_test: listed and inserted, defaults $defaults; reloaded $values; from the component state alone $chunk_values"
