#!/usr/bin/env bash
# Rebuilds the artwork generator and redraws the editor's images into resources/img/: the
# five images in each artwork set, NAME.png (1x), NAME@1.5x.png and NAME@2x.png.
#   scripts/generate-artwork.sh [build folder] [--preview <file.png>]
# The images are committed; run this after changing resources/generator/ and commit the
# PNGs it writes. The same machine and fonts give byte-identical files.
set -euo pipefail
cd "$(dirname "$0")/.."
build="build-artwork"
if [ $# -gt 0 ] && [ "$1" != "--preview" ]; then
  build="$1"
  shift
fi
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUELORA_BUILD_TESTS=OFF \
  -DQUELORA_BUILD_BENCH=OFF -DQUELORA_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target quelora-artwork -j"$(nproc)" >/dev/null
"$build/resources/quelora-artwork" resources/img "$@"
echo "resources/img: $(ls resources/img | tr '\n' ' ')"
