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

echo "== Installing dependencies (scripts/install-deps.sh)"
quiet "installing dependencies" bash scripts/install-deps.sh
echo "== Building Release in build/"
quiet "configuring" cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
quiet "building" cmake --build build -j"$(nproc)" --target Quelora2 quelora-host

echo "== build/quelora-host info build/Quelora2.so"
build/quelora-host info build/Quelora2.so
echo
quiet "rendering" build/quelora-host render build/Quelora2.so build/demo-classic-delay.wav \
  --program "Classic Delay"
quiet "drawing the editor" build/quelora-host screenshot build/Quelora2.so build/editor.png

cat <<TEXT
== Done
Plug-in:   build/Quelora2.so
Audio:     build/demo-classic-delay.wav (demo phrase through "Classic Delay", 120 BPM)
Picture:   build/editor.png (the editor, drawn off-screen)
Install:   cmake --install build    (puts Quelora2.so into ~/.vst, where Linux hosts look)
Editor:    build/quelora-host edit build/Quelora2.so    (opens it in a window)
TEXT
