#!/usr/bin/env bash
# The checks CI runs besides the main test suite: unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the bounded fuzz runs, and the ThreadSanitizer tests.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=$(nproc)

echo "== Unit tests under ASan + UBSan"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUELORA_SANITIZE=ON -DQUELORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS" >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j"$JOBS" | tail -n 3

FUZZ_SECONDS=${FUZZ_SECONDS:-45}
echo "== Fuzzing (${FUZZ_SECONDS} s per target)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DQUELORA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$JOBS" >/dev/null
shopt -s nullglob
for fuzzer in build-fuzz/tests/*/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$corpus" 2>"build-fuzz/$name.log" \
    || { tail -n 40 "build-fuzz/$name.log"; echo "fuzzer $name found a problem"; exit 1; }
  echo "$name: $(grep -m1 'stat::number_of_executed_units' "build-fuzz/$name.log" | awk '{print $2}') executions, nothing found"
done

echo "== ThreadSanitizer tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUELORA_TSAN=ON -DQUELORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" >/dev/null
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L tsan --output-on-failure | tail -n 3
