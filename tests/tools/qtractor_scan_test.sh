#!/usr/bin/env bash
# Qtractor's own plug-in scanner (Debian qtractor) on the CLAP and the VST 2.4 module. The
# scanner reads "TYPE:PATH" lines and prints one line per plug-in it could load, fields
# separated by "|": type, name, audio in:out, MIDI in:out, controls in:out, flags, path,
# index, id. It exits 0 whatever happened, so the test looks for the lines only; the CLAP
# id field changes from run to run and is never compared. The scanner links only QtCore:
# no X display is needed (DISPLAY is removed to keep it so).
#   qtractor_scan_test.sh CLAP_MODULE VST_MODULE
set -uo pipefail
clap=$1 vst=$2
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
fail() { echo "FAIL: $*" >&2; exit 1; }
# A host that is not there checks nothing: that fails, it never passes as skipped.
[ -x "$scanner" ] || fail "$scanner not installed (Debian qtractor, scripts/install-deps.sh)"

out=$(printf 'CLAP:%s\nVST:%s\n' "$clap" "$vst" | env -u DISPLAY timeout 60 "$scanner" 2>/dev/null)
echo "$out"

# CLAP: name, 2:2 audio, 0:0 MIDI, 6 control inputs, the editor flag; path and index.
awk -F'|' -v path="$clap" '
  $1 == "CLAP" && $2 == "Quelora 2" && $3 == "2:2" && $4 == "0:0" && $5 == "6:0" &&
  $6 ~ /(^|,)GUI(,|$)/ && $7 == path && $8 == "0" { found = 1 }
  END { exit found ? 0 : 1 }' <<<"$out" || fail "no CLAP line for Quelora 2 with 2:2, 0:0, 6:0 and GUI"

grep -qxF "VST|Quelora 2|2:2|0:0|6:0|GUI,RT|$vst|0|0x6b32717a" <<<"$out" ||
  fail "no VST 2.4 line for Quelora 2"
echo "PASS"
