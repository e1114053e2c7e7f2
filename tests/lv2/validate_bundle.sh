#!/usr/bin/env bash
# lv2_validate on every .ttl of a bundle; fails on any error, on a missing validator and on
# a bundle without its manifest, plug-in description or presets.
#   validate_bundle.sh BUNDLE_DIRECTORY
set -euo pipefail
bundle=${1:?bundle directory}
command -v lv2_validate >/dev/null || { echo "lv2_validate missing (lv2-dev, sordi)" >&2; exit 1; }
shopt -s nullglob
files=("$bundle"/*.ttl)
[ -f "$bundle/manifest.ttl" ] && [ -f "$bundle/quelora2.ttl" ] || { echo "no Turtle in $bundle" >&2; exit 1; }
presets=("$bundle"/preset-*.ttl)
[ "${#presets[@]}" -eq 17 ] || { echo "expected 17 presets, found ${#presets[@]}" >&2; exit 1; }
out=$(lv2_validate "${files[@]}" 2>&1) || { echo "$out"; exit 1; }
echo "$out" | tail -3
echo "$out" | grep -q "^Found 0 errors among" || exit 1
