#!/usr/bin/env bash
# Installs the dependencies, builds the framework and runs its self-check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
ctest --test-dir build -L unit >/dev/null && echo "Framework built and self-checked in build/."
