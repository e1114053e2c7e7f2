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
#   lv2            base plug                 (the only layer that knows LV2)
#   vst3           base plug                 (the only plug-in layer that knows VST 3)
#   clap           base plug                 (the only layer that knows CLAP)
#   effect         every layer above
#   tools          base raster vst vst3 clap (clap: the binary interface header only)
#   tests, bench   anything
#
#   scripts/check-layers.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

files=$(for dir in base raster plug graphics resources vst lv2 vst3 clap effect tools; do
          if [ -d "$dir" ]; then find "$dir" -type f \( -name '*.h' -o -name '*.cpp' \); fi
        done | sort)
[ -n "$files" ] || { echo "check-layers: no sources under $root" >&2; exit 1; }

# One pass over every file: the layer of a file is the deepest listed folder holding it;
# an include "dir/..." is fine when it is the layer's own or listed for the layer.
# (graphics' own files are the ones outside its platform folders, which no layer but the
# effect may reach into.)
# shellcheck disable=SC2086
awk '
  BEGIN {
    allowed["base"] = ""
    allowed["raster"] = "base/"
    allowed["plug"] = "base/"
    allowed["graphics"] = "base/ raster/ plug/"
    allowed["graphics/x11"] = "base/ raster/ plug/ graphics/"
    allowed["graphics/win"] = "base/ raster/ plug/ graphics/"
    allowed["resources"] = ""
    allowed["resources/generator"] = "resources/ raster/"
    allowed["vst"] = "base/ plug/"
    allowed["lv2"] = "base/ plug/"
    allowed["vst3"] = "base/ plug/"
    allowed["clap"] = "base/ plug/"
    allowed["effect"] = "base/ raster/ plug/ graphics/ graphics/x11/ graphics/win/ resources/ vst/ lv2/ vst3/ clap/"
    allowed["tools"] = "base/ raster/ vst/ vst3/ clap/clap_abi.h"
  }
  function layer_of(file) {
    if (file ~ /^graphics\/(x11|win)\//) return substr(file, 1, index(substr(file, 10), "/") + 8)
    if (file ~ /^resources\/generator\//) return "resources/generator"
    return substr(file, 1, index(file, "/") - 1)
  }
  function platform(path) { return path ~ /^graphics\/(x11|win)\// }
  function own(layer, path) {
    if (layer == "graphics") return path ~ /^graphics\// && !platform(path)
    return index(path, layer "/") == 1
  }
  function permitted(layer, path,    n, list, i) {
    n = split(allowed[layer], list, " ")
    for (i = 1; i <= n; ++i) {
      if (index(path, list[i]) != 1) continue
      if (list[i] == "graphics/" && platform(path)) continue
      return 1
    }
    return 0
  }
  FNR == 1 { layer = layer_of(FILENAME) }
  /^[ \t]*#[ \t]*include[ \t]*"/ {
    path = $0
    sub(/^[^"]*"/, "", path)
    sub(/".*$/, "", path)
    if (path !~ /\//) next  # system or generated headers next to the file
    ++checked
    if (own(layer, path) || permitted(layer, path)) next
    printf "%s:%d: layer '\''%s'\'' must not include \"%s\"\n", FILENAME, FNR, layer, path > "/dev/stderr"
    ++failures
  }
  END {
    if (failures > 0) {
      printf "check-layers: %d include(s) reach above their layer\n", failures > "/dev/stderr"
      exit 1
    }
    printf "check-layers: %d includes checked, every one within its layer or below\n", checked
  }
' $files
