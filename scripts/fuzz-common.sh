# Shared by scripts/fuzz.sh and scripts/ci-checks.sh (sourced, from the repository root):
# building the fuzz targets, and where each target's committed corpus and dictionary are.
#
#   fuzz_build              instrumented libpng, then every fuzz target in build-fuzz/
#   fuzz_targets            the built fuzz targets, one path a line
#   fuzz_corpus NAME        tests/fuzz/corpus/NAME (the committed seeds)
#   fuzz_dict NAME          the dictionary for target NAME
#   fuzz_seed_corpora       regenerates the generated seeds in tests/fuzz/corpus

FUZZ_BUILD=${FUZZ_BUILD:-build-fuzz}

fuzz_build() {
  # Without the source package (no network) the targets still build, against the
  # system's libpng: the configure step then warns that the decoder is not instrumented.
  JOBS=${JOBS:-$(nproc)} bash scripts/build-libpng-fuzz.sh >/dev/null ||
    echo "warning: no instrumented libpng; fuzzing without coverage inside the decoder" >&2
  CC=clang CXX=clang++ cmake -S . -B "$FUZZ_BUILD" -DCMAKE_BUILD_TYPE=Debug -DQUELORA_FUZZ=ON >/dev/null
  cmake --build "$FUZZ_BUILD" -j"${JOBS:-$(nproc)}" >/dev/null
}

fuzz_targets() {
  local f
  for f in "$FUZZ_BUILD"/tests/*/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] && grep -q LLVMFuzzerTestOneInput "$f" && echo "$f"
  done
  return 0
}

fuzz_corpus() { echo "tests/fuzz/corpus/$1"; }

fuzz_dict() {
  case "$1" in
    fuzz_chunks | fuzz_chunk_roundtrip) echo tests/fuzz/dict/chunks.dict ;;
    fuzz_dispatcher | fuzz_hostile_host) echo tests/fuzz/dict/vst.dict ;;
    fuzz_vst3) echo tests/fuzz/dict/vst3.dict ;;
    fuzz_param_text) echo tests/fuzz/dict/param_text.dict ;;
    fuzz_png) echo tests/fuzz/dict/png.dict ;;
    fuzz_text) echo tests/fuzz/dict/text.dict ;;
    fuzz_clap) echo tests/fuzz/dict/clap.dict ;;
    *) echo "" ;;
  esac
}

fuzz_seed_corpora() {
  "$FUZZ_BUILD"/tests/vst/vst_fuzz_seeds tests/fuzz/corpus
  "$FUZZ_BUILD"/tests/raster/raster_fuzz_seeds tests/fuzz/corpus
  "$FUZZ_BUILD"/tests/vst3/vst3_fuzz_seeds tests/fuzz/corpus
  "$FUZZ_BUILD"/tests/clap/clap_fuzz_seeds tests/fuzz/corpus
}

# The coverage libFuzzer reports on its INITED (start) and DONE (end) lines: "cov/ft".
fuzz_coverage() {
  grep -m1 -E "$2 " "$1" | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/' || echo "?"
}
