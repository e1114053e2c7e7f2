#!/usr/bin/env bash
# A real host's plug-in scanner loads the module and caches what it reports.
#   ardour_scan_test.sh PLUGIN.so WORKDIR [QUELORA_HOST]
# Runs the scanner with its cache in WORKDIR (nothing is written to the user's home) and
# checks the cached identity. With QUELORA_HOST, the cached editor flag must match what
# the module reports to quelora-host. A missing scanner is a failure: CI installs it.
set -euo pipefail

plugin=$1
work=$2
host=${3:-}
scanner_dir=/usr/lib/ardour7
scanner=$scanner_dir/ardour-vst-scanner

fail() { echo "ardour_scan_test: $*" >&2; exit 1; }

[ -f "$plugin" ] || fail "plug-in module not built: $plugin"
[ -x "$scanner" ] || fail "scanner not installed: $scanner (Debian package ardour)"

rm -rf "$work"
mkdir -p "$work/cache" "$work/home"
plugin=$(cd "$(dirname "$plugin")" && pwd)/$(basename "$plugin")

if ! XDG_CACHE_HOME="$work/cache" HOME="$work/home" LD_LIBRARY_PATH="$scanner_dir" \
     timeout 60 "$scanner" -f -v "$plugin" >"$work/scan.log" 2>&1; then
  cat "$work/scan.log" >&2
  fail "scanner failed on $plugin"
fi

shopt -s nullglob
caches=("$work"/cache/ardour7/vst/*.v2i)
if [ ${#caches[@]} -ne 1 ]; then
  cat "$work/scan.log" >&2
  fail "expected one .v2i cache file, found ${#caches[@]}"
fi
cache=${caches[0]}
info=$(grep -o '<VST2Info [^>]*' "$cache") || { cat "$cache" >&2; fail "no VST2Info in $cache"; }

attribute() { sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<<"$info"; }
expect() {
  local actual
  actual=$(attribute "$1")
  [ "$actual" = "$2" ] || fail "$1 is \"$actual\", expected \"$2\" (cache: $cache)"
}

expect id 1798467962          # 'k2qz'
expect name "Quelora 2"
expect creator Obvik
expect n_inputs 2
expect n_outputs 2
expect is_instrument 0
expect can_process_replace 1
grep -q "binary=\"$plugin\"" "$cache" || fail "cache names another binary"

if [ -n "$host" ]; then
  if "$host" info "$plugin" | grep -q '^Editor: *yes'; then editor=1; else editor=0; fi
  expect has_editor "$editor"
fi
echo "ardour_scan_test: $(basename "$plugin") scanned: $info"
