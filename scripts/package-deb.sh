#!/usr/bin/env bash
# Builds the Debian package build-deb/quelora2_<version>_amd64.deb: installs what building
# and packaging need (scripts/install-deps.sh --build-only), builds the plug-in modules in
# a build of their own configured for the /usr layout (lib/vst, lib/lv2, lib/vst3,
# lib/clap), then CPack. Then checks the package (tests/packaging/deb_test.sh) when
# quelora-host exists in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --build-only
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DQUELORA_BUILD_TESTS=OFF -DQUELORA_BUILD_BENCH=OFF -DQUELORA_BUILD_TOOLS=OFF >/dev/null
cmake --build build-deb -j"$(nproc)" --target Quelora2 Quelora2_lv2 Quelora2_vst3 Quelora2_clap
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/quelora2_*_amd64.deb)
echo "package: $deb"
if [ -x build/quelora-host ]; then
  bash tests/packaging/deb_test.sh "$deb" build/quelora-host
fi
