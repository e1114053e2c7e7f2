#!/usr/bin/env bash
# Ardour's VST 3 scanner indexes the bundle: the class ID, name, vendor, category, version
# and bus layout it caches are the plug-in's.
#   ardour_vst3_scan_test.sh BUNDLE WORKDIR
set -euo pipefail
bundle=$1 work=$2
fail() { echo "ardour_vst3_scan_test: $*" >&2; exit 1; }
source "$(dirname "$0")/ardour_vst3_common.sh"

[ -d "$bundle" ] || fail "bundle not built: $bundle"
rm -rf "$work" && mkdir -p "$work"
vst3_prepare "$bundle" "$work" || { cat "$scan_log" >&2; fail "scanner failed"; }

shopt -s nullglob
caches=("$vst3_cache"/ardour7/vst/*.v3i)
[ ${#caches[@]} -eq 1 ] || { cat "$scan_log" >&2; fail "expected one .v3i index, found ${#caches[@]}"; }
info=$(grep -o '<VST3Info [^>]*' "${caches[0]}") || fail "no VST3Info in ${caches[0]}"
attribute() { sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<<"$info"; }
expect() {
  local actual
  actual=$(attribute "$1")
  [ "$actual" = "$2" ] || fail "$1 is \"$actual\", expected \"$2\" (index: ${caches[0]})"
}
expect uid 5133D0A72B6E4C199F0C7E526A4B1D38
expect name "Quelora 2"
expect vendor Obvik
expect category "Fx|Delay"
expect version 1.2.0
expect n_inputs 2
expect n_outputs 2
expect n_aux_inputs 0
expect n_aux_outputs 0
expect n_midi_inputs 0
expect n_midi_outputs 0
grep -q "module=\"$vst3_dir/Quelora2.vst3/Contents/x86_64-linux/Quelora2.so\"" "${caches[0]}" ||
  fail "the index names another module"
grep -q "Found Plugin: Quelora 2" "$scan_log" || fail "the scanner did not report the plug-in"
cat "$scan_log"
echo "ardour_vst3_scan_test: indexed: $info"
