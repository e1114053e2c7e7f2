#!/usr/bin/env bash
# Checks a built quelora2 .deb: unpacked into a throw-away root (dpkg -x), it holds the
# four formats under usr/lib, declares the plug-ins' runtime libraries, and each loads
# from there (quelora-host info on each).
#   deb_test.sh PACKAGE.deb QUELORA_HOST
set -euo pipefail
deb=$1 host=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

[[ $(basename "$deb") =~ ^quelora2_[0-9]+\.[0-9]+\.[0-9]+_amd64\.deb$ ]] || fail "file name $deb"
dpkg -x "$deb" "$root"
vst=$root/usr/lib/vst/Quelora2.so
lv2=$root/usr/lib/lv2/Quelora2.lv2
vst3=$root/usr/lib/vst3/Quelora2.vst3
clap=$root/usr/lib/clap/Quelora2.clap
for f in "$vst" "$lv2/Quelora2.so" "$lv2/manifest.ttl" "$lv2/quelora2.ttl" \
         "$vst3/Contents/x86_64-linux/Quelora2.so" "$vst3/Contents/Resources/moduleinfo.json" \
         "$clap"; do
  [ -f "$f" ] || fail "missing ${f#"$root"}"
done
presets=("$lv2"/preset-*.ttl)
[ "${#presets[@]}" -eq 17 ] || fail "${#presets[@]} presets"
unexpected=$(cd "$root" && find . -type f | grep -v -E '^\./usr/(lib/vst|lib/lv2/Quelora2\.lv2|lib/vst3/Quelora2\.vst3|lib/clap|share/doc)/' || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libpng16-16 zlib1g libfreetype6 libfontconfig1 libx11-6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = quelora2 ] || fail "package name"

"$host" info "$vst" | grep -q "Effect name:   Quelora 2" || fail "VST module does not load"
"$host" info "$lv2" | grep -q "Effect name:   Quelora 2" || fail "LV2 bundle does not load"
"$host" info "$vst3" | grep -q "Effect name:   Quelora 2" || fail "VST 3 bundle does not load"
"$host" info "$clap" | grep -q "Effect name:   Quelora 2" || fail "CLAP module does not load"
echo "PASS: $(basename "$deb") ($depends)"
