#!/usr/bin/env bash
# Installs the dependencies, then builds and tests both deliverables: the Windows DLL
# (cross-built in build-win/, tests under wine) and the Linux plug-in with everything
# else (build/). The Linux ctest summary comes last.
#   QUELORA_SKIP_WINDOWS=1  leaves out the Windows side.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "${QUELORA_SKIP_WINDOWS:-0}" != "1" ]; then
  bash scripts/ci-windows.sh
fi
# Tests and benchmarks on, also in a build/ that scripts/demo.sh configured without them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUELORA_BUILD_TESTS=ON -DQUELORA_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
ctest --test-dir build --output-on-failure -j"$(nproc)"
