#!/usr/bin/env bash
# Builds Quelora 2 and shows what it does: installs the dependencies, builds the plug-in
# and the command-line host (Release, in build/), prints the plug-in's identity, renders
# the demo phrase through the "Classic Delay" program and draws the editor to a picture.
# Build output is shown only when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# quiet STEP-NAME COMMAND...: runs the command silently; on failure prints its output.
quiet() {
  local name=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "demo: $name failed" >&2
    exit 1
  fi
}

echo "== Installing build dependencies (scripts/install-deps.sh --build-only)"
quiet "installing dependencies" bash scripts/install-deps.sh --build-only
echo "== Building Release in build/"
# Tests and benchmarks need the packages scripts/test.sh installs; it switches them on.
quiet "configuring" cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUELORA_BUILD_TESTS=OFF \
  -DQUELORA_BUILD_BENCH=OFF
quiet "building" cmake --build build -j"$(nproc)" --target Quelora2 Quelora2_lv2 Quelora2_vst3 \
  Quelora2_clap quelora-host

echo "== build/quelora-host info build/Quelora2.so"
build/quelora-host info build/Quelora2.so
echo
quiet "rendering" build/quelora-host render build/Quelora2.so build/demo-classic-delay.wav \
  --program "Classic Delay"
quiet "drawing the editor" build/quelora-host screenshot build/Quelora2.so build/editor.png

cat <<TEXT
== Done
Plug-in:   build/Quelora2.so (VST 2.4), build/Quelora2.lv2 (LV2), build/Quelora2.vst3 (VST 3),
           build/Quelora2.clap (CLAP)
Audio:     build/demo-classic-delay.wav (demo phrase through "Classic Delay", 120 BPM)
Picture:   build/editor.png (the editor, drawn off-screen)
Install:   cmake --install build    (Quelora2.so into ~/.vst, Quelora2.lv2 into ~/.lv2,
                                     Quelora2.vst3 into ~/.vst3, Quelora2.clap into ~/.clap)
Editor:    build/quelora-host edit build/Quelora2.so    (opens it in a window)
TEXT
