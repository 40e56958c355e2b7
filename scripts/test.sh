#!/usr/bin/env bash
# Builds from scratch with strict warnings, AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (the engine's AVX2 passes too,
# where the processor has AVX2), then the engine's tests once more in a build
# without the AVX2 passes, then a short fixed-seed run of the differential
# fuzzer, then builds the Debian package (Release), runs the program
# extracted from it. (A page over 2 GB is converted by scripts/fuzz-nightly.sh,
# which needs that much free disk; the tests above use a 160 MB page.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh libbenchmark-dev
rm -rf build-test
# The benchmarks are built too (not run), so that they keep compiling.
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARK_STRICT=ON -DTESSARK_SANITIZE=ON \
  -DTESSARK_BUILD_BENCH=ON
cmake --build build-test
# Tests use their own temporary settings and files, never the user's.
export XDG_CONFIG_HOME="$PWD/build-test/config-home"
ctest --test-dir build-test --output-on-failure -j2
# The engine built with the baseline vectors only (-DTESSARK_AVX2=OFF): its
# tests alone, to keep the run short, and of the differential test all but the
# corpus pages (the first run compares the baseline passes on them too).
rm -rf build-test-noavx2
cmake -S . -B build-test-noavx2 -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARK_STRICT=ON -DTESSARK_SANITIZE=ON \
  -DTESSARK_AVX2=OFF -DTESSARK_BUILD_GUI=OFF
cmake --build build-test-noavx2 --target test_engine test_Scan test_kernels test_differential test_stream test_ConversionContext \
  test_readable
ctest --test-dir build-test-noavx2 --output-on-failure -j2 -L engine -E '^Pages/'
# A short fixed-seed run of the differential fuzzer (clang, libFuzzer).
scripts/fuzz.sh
# The Debian package, built and tried out of a temporary folder.
scripts/package-check.sh
