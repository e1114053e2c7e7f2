#!/usr/bin/env bash
# quelora-host on the LV2 bundle: info lists what the VST 2.4 module lists, and render
# gives byte-identical files through both formats for the same settings, tempo, sample
# rate and block size (the tempo reaching the LV2 build as time:Position).
#   lv2_render_test.sh HOST VST_MODULE LV2_BUNDLE WORK_DIRECTORY
set -euo pipefail
host=$1 vst=$2 lv2=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

info=$("$host" info "$lv2")
for expected in "Format:        LV2" "Effect name:   Quelora 2" "Vendor:        Obvik" \
                "Channels:      2 in, 2 out" "Programs (17):" "Delay Rate               1/4" \
                "Requires:      http://lv2plug.in/ns/ext/urid#map" "17  Stereo Enhanced"; do
  grep -qF -- "$expected" <<<"$info" || fail "info lacks '$expected'"
done
# The programs are the VST 2.4 module's filled ones, in the same order.
diff <(sed -n '/^Programs/,$p' <<<"$info" | sed -n 2,18p) \
     <("$host" info "$vst" | sed -n '/^Programs/,$p' | sed -n 2,18p) || fail "program lists differ"

# Each case: render through both formats into vst_N.wav / lv2_N.wav and compare.
case_n=0
compare() {
  case_n=$((case_n + 1))
  local args=("$@") v="$work/vst_$case_n.wav" l="$work/lv2_$case_n.wav"
  "$host" render "$vst" "${args[@]/#@OUT@/$v}" >/dev/null || fail "VST render $case_n"
  "$host" render "$lv2" "${args[@]/#@OUT@/$l}" >/dev/null || fail "LV2 render $case_n"
  cmp -s "$v" "$l" || fail "case $case_n differs: ${args[*]}"
  echo "case $case_n identical: ${args[*]}"
}

compare @OUT@
compare @OUT@ --tempo 97 --block 333 --program Harp --set "Position=inv pong" --set "Wet Mix=80"
compare @OUT@ --rate 48000 --tempo 140 --block 4096 --program 13 --set "Pan Width=12"
compare @OUT@ --block 64 --set "Delay Rate=1/8D" --set "Feedback=95" --tail 3
# A stereo file as input (the first case's output).
compare "$work/vst_1.wav" @OUT@ --program "Stereo Enhanced" --block 1000

# The tempo arrives: another tempo gives other samples.
"$host" render "$lv2" "$work/lv2_slow.wav" --tempo 60 >/dev/null
cmp -s "$work/lv2_1.wav" "$work/lv2_slow.wav" && fail "tempo does not reach the LV2 build"

# What the LV2 build cannot do is refused with the usual exit codes.
set +e
"$host" render "$lv2" "$work/x.wav" --double >/dev/null 2>&1; [ $? -eq 7 ] || fail "--double"
"$host" render "$lv2" "$work/x.wav" --program "No Such" >/dev/null 2>&1; [ $? -eq 5 ] || fail "program"
"$host" render "$lv2" "$work/x.wav" --set "Position=sideways" >/dev/null 2>&1; [ $? -eq 5 ] || fail "text"
"$host" render "$lv2" "$work/x.wav" --set "Nothing=1" >/dev/null 2>&1; [ $? -eq 5 ] || fail "name"
set -e
echo "PASS"
