#!/usr/bin/env bash
# Fails when an #include "..." reaches a layer above its own. Each layer may include
# itself and the layers listed for it (the build links them the same way):
#
#   base           -
#   raster         base
#   plug           base
#   graphics       base raster plug          (the platform-neutral editor)
#   graphics/x11   base raster plug graphics (the Linux editor window)
#   graphics/win   base raster plug graphics (the Windows editor window)
#   resources      -                         (generator/: a developer tool, also raster)
#   vst            base plug                 (the only layer that knows VST 2.4)
#   effect         every layer above
#   tools          base raster vst
#   tests, bench   anything
#
#   scripts/check-layers.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# allowed LAYER: the include prefixes a file of that layer may use (besides its own).
allowed() {
  case "$1" in
    base) echo "" ;;
    raster) echo "base/" ;;
    plug) echo "base/" ;;
    graphics) echo "base/ raster/ plug/" ;;
    graphics/x11 | graphics/win) echo "base/ raster/ plug/ graphics/" ;;
    resources) echo "" ;;
    resources/generator) echo "resources/ raster/" ;;
    vst) echo "base/ plug/" ;;
    effect) echo "base/ raster/ plug/ graphics/ resources/ vst/" ;;
    tools) echo "base/ raster/ vst/" ;;
  esac
}

# The layer of a file: the deepest listed folder that contains it.
layer_of() {
  case "$1" in
    graphics/x11/*) echo graphics/x11 ;;
    graphics/win/*) echo graphics/win ;;
    resources/generator/*) echo resources/generator ;;
    *) echo "${1%%/*}" ;;
  esac
}

# Whether an included path belongs to the layer itself. graphics' own files are the ones
# outside its platform folders.
own() {
  local layer=$1 path=$2
  case "$layer" in
    graphics) [[ "$path" == graphics/* && "$path" != graphics/x11/* && "$path" != graphics/win/* ]] ;;
    *) [[ "$path" == "$layer"/* ]] ;;
  esac
}

failures=0
checked=0
while IFS= read -r file; do
  layer=$(layer_of "$file")
  prefixes=$(allowed "$layer")
  while IFS= read -r line; do
    number=${line%%:*}
    path=$(sed -E 's/^[^"]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${line#*:}")
    # Includes without a folder are system or generated headers next to the file.
    [[ "$path" == */* ]] || continue
    checked=$((checked + 1))
    own "$layer" "$path" && continue
    ok=0
    for prefix in $prefixes; do
      if [[ "$path" == "$prefix"* ]]; then
        # A platform window layer is no layer the others may reach into.
        if [[ "$prefix" == graphics/ && ( "$path" == graphics/x11/* || "$path" == graphics/win/* ) &&
              "$layer" != effect ]]; then
          continue
        fi
        ok=1
        break
      fi
    done
    if [ "$ok" = 0 ]; then
      echo "$file:$number: layer '$layer' must not include \"$path\"" >&2
      failures=$((failures + 1))
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find base raster plug graphics resources vst effect tools \
              -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$failures" -gt 0 ]; then
  echo "check-layers: $failures include(s) reach above their layer" >&2
  exit 1
fi
echo "check-layers: $checked includes checked, every one within its layer or below"
