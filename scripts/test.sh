#!/usr/bin/env bash
# Builds from scratch with strict warnings, AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then a short fixed-seed run of
# the differential fuzzer, then builds the Debian package (Release) and runs
# the program extracted from it.
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
# A short fixed-seed run of the differential fuzzer (clang, libFuzzer).
scripts/fuzz.sh
# The Debian package, built and tried out of a temporary folder.
scripts/package-check.sh
