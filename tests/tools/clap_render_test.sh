#!/usr/bin/env bash
# quelora-host on the CLAP module: info shows the plug-in as the CLAP host sees it, and
# render gives files byte-identical to the VST 2.4 module's for the same settings, tempo,
# sample rate and block size, in single and in double precision (--double: 64-bit buffers
# for both). The exact sample identity is the business of clap_vst_identity_tests; this
# checks the tool's path through the CLAP host.
#   clap_render_test.sh HOST VST_MODULE CLAP_MODULE WORK_DIRECTORY
set -euo pipefail
host=$1 vst=$2 clap=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

info=$("$host" info "$clap" 2>"$work/info.err")
for expected in "Format:        CLAP 1.2.10" "Effect name:   Quelora 2" "Vendor:        Obvik" \
                "Identifier:    com.obvik.quelora-2" "Features:      audio-effect delay stereo" \
                "Audio inputs:  1 (Input, 2 channels, main, 64-bit)" "Latency:       0 samples" \
                "Editor:        yes (x11, embedded, 550 x 209 pixels)" "Parameters (6):" \
                "Delay Rate           1/4"; do
  grep -qF -- "$expected" <<<"$info" || fail "info lacks '$expected'"
done
[ ! -s "$work/info.err" ] || fail "info reported: $(cat "$work/info.err")"

case_n=0
compare() {
  case_n=$((case_n + 1))
  local args=("$@") v="$work/vst_$case_n.wav" c="$work/clap_$case_n.wav"
  "$host" render "$vst" "${args[@]/#@OUT@/$v}" >/dev/null || fail "VST render $case_n"
  "$host" render "$clap" "${args[@]/#@OUT@/$c}" >/dev/null 2>"$work/clap_$case_n.err" ||
    fail "CLAP render $case_n"
  [ ! -s "$work/clap_$case_n.err" ] || fail "CLAP render $case_n reported: $(cat "$work/clap_$case_n.err")"
  cmp -s "$v" "$c" || fail "case $case_n differs: ${args[*]}"
  echo "case $case_n identical: ${args[*]}"
}

compare @OUT@
compare @OUT@ --tempo 97 --block 333 --set "Position=inv pong" --set "Wet Mix=80"
compare @OUT@ --rate 48000 --tempo 140 --block 4096 --set "Pan Width=12" --double
compare @OUT@ --block 64 --set "Delay Rate=1/8D" --set "Feedback=95" --tail 3 --double
compare "$work/vst_1.wav" @OUT@ --set "delay rate=1/16" --block 1000

# The tempo arrives: another tempo gives other samples.
"$host" render "$clap" "$work/clap_slow.wav" --tempo 60 >/dev/null
cmp -s "$work/clap_1.wav" "$work/clap_slow.wav" && fail "the tempo does not reach the CLAP build"

set +e
"$host" render "$clap" "$work/x.wav" --program Harp >/dev/null 2>&1; [ $? -eq 7 ] || fail "--program"
"$host" render "$clap" "$work/x.wav" --set "Position=sideways" >/dev/null 2>&1; [ $? -eq 5 ] || fail "text"
"$host" render "$clap" "$work/x.wav" --set "Nothing=1" >/dev/null 2>&1; [ $? -eq 5 ] || fail "name"
"$host" info "$work/none.clap" >/dev/null 2>&1; [ $? -eq 3 ] || fail "missing file"
echo "not a module" >"$work/text.clap"
"$host" info "$work/text.clap" >/dev/null 2>&1; [ $? -eq 4 ] || fail "not a module"
set -e
echo "PASS"
