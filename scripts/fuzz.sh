#!/usr/bin/env bash
# The long fuzz run: every fuzz target for MINUTES minutes (default 10) from its committed
# seed corpus with its dictionary, then whatever added coverage is merged back into the
# committed corpus (-merge=1; commit tests/fuzz/corpus afterwards).
#
#   scripts/fuzz.sh [MINUTES]
#     FUZZ_TARGETS="fuzz_png fuzz_text"   only these targets
#     FUZZ_JOBS=N                         N fuzzing processes per target (default 1)
#     FUZZ_RUNS=N                         stop a target after N executions if that comes first
#     FUZZ_SKIP_BUILD=1                   use the fuzz targets as they are built
#
# Findings (crash-*, leak-*, timeout-*, oom-*) land in build-fuzz/fuzz-run/NAME/; the
# script goes on with the other targets and fails at the end. A summary per target
# (executions, executions per second, coverage as edges/features at start and end)
# is printed and added to build-fuzz/fuzz-run/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
MINUTES=${1:-10}
source scripts/fuzz-common.sh

if [ -z "${FUZZ_SKIP_BUILD:-}" ]; then
  echo "== Building the fuzz targets"
  fuzz_build
fi
RUN=$FUZZ_BUILD/fuzz-run
mkdir -p "$RUN"
failed=0
while read -r fuzzer; do
  name=$(basename "$fuzzer")
  if [ -n "${FUZZ_TARGETS:-}" ] && ! grep -qw "$name" <<<"$FUZZ_TARGETS"; then continue; fi
  corpus=$(fuzz_corpus "$name")
  dict=$(fuzz_dict "$name")
  work=$RUN/$name
  rm -rf "$work"
  mkdir -p "$work/new" "$corpus"
  echo "== $name: $MINUTES min"
  args=(-max_total_time=$((MINUTES * 60)) -print_final_stats=1 -timeout=30
        -artifact_prefix="$work/")
  [ -n "$dict" ] && args+=(-dict="$dict")
  [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  if [ "${FUZZ_JOBS:-1}" -gt 1 ]; then
    args+=(-fork="$FUZZ_JOBS" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  fi
  if ! "$fuzzer" "${args[@]}" "$work/new" "$corpus" >"$work/log" 2>&1; then
    echo "$name found a problem:"
    grep -E "ERROR|SUMMARY|Test unit written" "$work/log" | head -n 5 || true
    failed=1
  fi
  # New coverage only goes back into the committed corpus.
  "$fuzzer" -merge=1 ${dict:+-dict="$dict"} "$corpus" "$work/new" >"$work/merge.log" 2>&1 || true
  runs=$(grep -m1 'stat::number_of_executed_units' "$work/log" | awk '{print $2}' || true)
  speed=$(grep -m1 'stat::average_exec_per_sec' "$work/log" | awk '{print $2}' || true)
  line="$(date -u +%FT%TZ) $name, $MINUTES min: ${runs:-?} executions, ${speed:-?} exec/s,"
  line+=" cov/ft $(fuzz_coverage "$work/log" INITED) -> $(fuzz_coverage "$work/log" DONE),"
  line+=" corpus $(ls "$corpus" | wc -l) files"
  echo "$line" | tee -a "$RUN/summary.txt"
done < <(fuzz_targets)
exit $failed
