#!/usr/bin/env bash
# The longer reliability runs, not part of CI (a nightly job, or by hand):
#  1. the differential fuzzer (fast engine against the literal one),
#  2. fuzz_readable (the readable-text engine: valid UTF-8, the same text
#     fed whole or in pieces) and
#  3. fuzz_job (the conversion job on random pages over a failing disk),
#     each for SECONDS from random seeds, with clang, libFuzzer, ASan, UBSan;
#     anything they find is kept in build-fuzz/crashes-TARGET/;
#  4. test_reliability's large page at 2600 MB (over 2 GB) against an
#     optimised build of the program.
# Usage: scripts/fuzz-nightly.sh [SECONDS]   (default 3600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-3600}"
scripts/deps.sh clang libclang-rt-14-dev

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DTESSARK_BUILD_FUZZ=ON \
  -DTESSARK_BUILD_TESTS=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz --target fuzz_differential fuzz_readable fuzz_job
for target in fuzz_differential fuzz_readable fuzz_job; do
  mkdir -p "build-fuzz/corpus-$target" "build-fuzz/crashes-$target"
  "build-fuzz/fuzz/$target" -max_len=4096 -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes-$target/" "build-fuzz/corpus-$target"
done

# The large page: the test from an ordinary build drives an optimised program.
cmake -S . -B build-nightly -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-nightly --target tessark test_reliability
export XDG_CONFIG_HOME="$PWD/build-nightly/config-home"
TESSARK_RELIABILITY_PROGRAM="$PWD/build-nightly/bin/tessark" TESSARK_RELIABILITY_BIG_MB=2600 \
  build-nightly/tests/app/test_reliability bigPage killedMidConversion
