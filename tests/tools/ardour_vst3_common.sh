# Sourced by the Ardour VST 3 tests: a private VST 3 folder holding the bundle, Ardour's
# scanner run on it with a private cache (without its index Ardour lists no VST 3
# plug-in), and ardour7-lua started with that folder and cache (VST3_PATH must be set
# before it starts). Nothing of the user's is read or written: HOME and XDG_CACHE_HOME
# are private.
#   vst3_prepare BUNDLE WORK     -> $vst3_dir, $vst3_cache, $vst3_home, $scan_log
#   vst3_lua SCRIPT LOG          runs the script, retrying deaths by signal (three tries)

scanner_dir=/usr/lib/ardour7
scanner=$scanner_dir/ardour-vst3-scanner

vst3_prepare() {
  local bundle work
  bundle=$(cd "$1" && pwd) work=$2
  [ -x "$scanner" ] || { echo "scanner not installed: $scanner (Debian package ardour)" >&2; return 1; }
  vst3_dir=$work/vst3 vst3_cache=$work/cache vst3_home=$work/home scan_log=$work/scan.log
  mkdir -p "$vst3_dir" "$vst3_cache" "$vst3_home"
  ln -s "$bundle" "$vst3_dir/Quelora2.vst3"
  XDG_CACHE_HOME="$vst3_cache" HOME="$vst3_home" LD_LIBRARY_PATH="$scanner_dir" \
    timeout 60 "$scanner" -f -v "$vst3_dir/Quelora2.vst3" >"$scan_log" 2>&1
}

vst3_lua() {
  local attempt status lua
  lua=$(command -v ardour7-lua) || { echo "ardour7-lua missing (Debian package ardour)" >&2; return 1; }
  for attempt in 1 2 3; do
    set +e
    VST3_PATH="$vst3_dir" XDG_CACHE_HOME="$vst3_cache" HOME="$vst3_home" timeout 120 "$lua" "$1" >"$2" 2>&1
    status=$?
    set -e
    [ "$status" -lt 128 ] && return "$status"
    echo "attempt $attempt ended by signal $((status - 128)); retrying" >&2
  done
  return 1
}
