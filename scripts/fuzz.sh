#!/usr/bin/env bash
# Builds the fuzzers of the engines (clang, libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each in turn: the differential one
# (the classic fast engine against the literal one) and the readable-text
# one (valid UTF-8, the same text fed whole or in pieces), on pages built
# from the fuzzer's bytes, with random options; then the web archive one
# (nearly right archives read whole and in pieces, the same bytes as JSON
# lines) for half the runs: each of its runs reads and converts a
# whole archive.
# Usage: scripts/fuzz.sh [runs] [seed] [more libFuzzer flags]
#   default: 60000 runs of each from seed 1, a short fixed run as CI makes it;
#   scripts/fuzz.sh 0 0 -max_total_time=3600 fuzzes each for an hour at random.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev
runs="${1:-60000}"
seed="${2:-1}"
shift 2 || shift $# || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DTESSARK_BUILD_FUZZ=ON \
  -DTESSARK_BUILD_TESTS=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz --target fuzz_differential fuzz_readable fuzz_warc
flags=(-max_len=4096 -print_final_stats=1)
[ "$seed" != 0 ] && flags+=(-seed="$seed")
for target in fuzz_differential fuzz_readable fuzz_warc; do
  corpus="build-fuzz/corpus-run-$target"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  limit=()
  if [ "$runs" != 0 ]; then
    count="$runs"
    [ "$target" = fuzz_warc ] && count=$((runs / 2))
    limit=(-runs="$count")
  fi
  build-fuzz/fuzz/$target "${flags[@]}" "${limit[@]}" "$@" "$corpus"
done
