#!/usr/bin/env bash
# quelora-host on the VST 3 bundle: info lists what the VST 2.4 module lists, and render
# gives byte-identical files through both formats for the same settings, tempo, sample
# rate, block size and precision (the tempo reaching the VST 3 build in the process
# context).
#   vst3_render_test.sh HOST VST_MODULE VST3_BUNDLE WORK_DIRECTORY
set -euo pipefail
host=$1 vst=$2 vst3=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

info=$("$host" info "$vst3")
for expected in "Format:        VST 3 (single class)" "Effect name:   Quelora 2" \
                "Vendor:        Obvik" "Version:       1.2.0" "Category:      Fx|Delay" \
                "Channels:      2 in, 2 out" "Latency:       0 samples" "Editor:        yes (550 x 209 pixels)" \
                "Programs (24, current 1):" "Delay Rate               1/4" "17  Stereo Enhanced"; do
  grep -qF -- "$expected" <<<"$info" || fail "info lacks '$expected'"
done
# The programs are the VST 2.4 module's, in the same order.
diff <(sed -n '/^Programs/,$p' <<<"$info" | tail -n +2) \
     <("$host" info "$vst" | sed -n '/^Programs/,$p' | tail -n +2) || fail "program lists differ"


case_n=0
compare() {
  case_n=$((case_n + 1))
  local args=("$@") v="$work/vst_$case_n.wav" t="$work/vst3_$case_n.wav"
  "$host" render "$vst" "${args[@]/#@OUT@/$v}" >/dev/null || fail "VST render $case_n"
  "$host" render "$vst3" "${args[@]/#@OUT@/$t}" >/dev/null || fail "VST 3 render $case_n"
  cmp -s "$v" "$t" || fail "case $case_n differs: ${args[*]}"
  echo "case $case_n identical: ${args[*]}"
}

compare @OUT@
compare @OUT@ --tempo 97 --block 333 --program Harp --set "Position=inv pong" --set "Wet Mix=80"
compare @OUT@ --rate 48000 --tempo 140 --block 4096 --program 13 --set "Pan Width=12" --double
compare @OUT@ --block 64 --set "Delay Rate=1/8D" --set "Feedback=95" --tail 3 --double
compare "$work/vst_1.wav" @OUT@ --program "Stereo Enhanced" --block 1000

# The tempo arrives: another tempo gives other samples.
"$host" render "$vst3" "$work/vst3_slow.wav" --tempo 60 >/dev/null
cmp -s "$work/vst3_1.wav" "$work/vst3_slow.wav" && fail "tempo does not reach the VST 3 build"

set +e
"$host" render "$vst3" "$work/x.wav" --program "No Such" >/dev/null 2>&1; [ $? -eq 5 ] || fail "program"
"$host" render "$vst3" "$work/x.wav" --set "Position=sideways" >/dev/null 2>&1; [ $? -eq 5 ] || fail "text"
"$host" render "$vst3" "$work/x.wav" --set "Nothing=1" >/dev/null 2>&1; [ $? -eq 5 ] || fail "name"
"$host" info "$work/missing.vst3" >/dev/null 2>&1; [ $? -eq 3 ] || fail "missing bundle"
mkdir -p "$work/empty.vst3"
"$host" info "$work/empty.vst3" >/dev/null 2>&1; [ $? -eq 4 ] || fail "empty bundle"
set -e
echo "PASS"
