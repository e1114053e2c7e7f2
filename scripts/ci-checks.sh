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

# Every fuzz target briefly on its committed seed corpus and dictionary (new inputs go to a
# scratch corpus; scripts/fuzz.sh is the long run that merges back).
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
echo "== Fuzzing (${FUZZ_SECONDS} s per target, from the committed corpus)"
source scripts/fuzz-common.sh
fuzz_build
while read -r fuzzer; do
  name=$(basename "$fuzzer")
  scratch="$FUZZ_BUILD/ci-corpus/$name"
  mkdir -p "$scratch"
  dict=$(fuzz_dict "$name")
  "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 -timeout=30 \
    -artifact_prefix="$FUZZ_BUILD/" ${dict:+-dict="$dict"} "$scratch" "$(fuzz_corpus "$name")" \
    2>"$FUZZ_BUILD/$name.log" \
    || { tail -n 40 "$FUZZ_BUILD/$name.log"; echo "fuzzer $name found a problem"; exit 1; }
  echo "$name: $(grep -m1 'stat::number_of_executed_units' "$FUZZ_BUILD/$name.log" | awk '{print $2}') executions, nothing found"
done < <(fuzz_targets)

echo "== ThreadSanitizer tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUELORA_TSAN=ON -DQUELORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" >/dev/null
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L tsan --output-on-failure | tail -n 3
