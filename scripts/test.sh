#!/usr/bin/env bash
# The fast tier (CI): builds from scratch with strict warnings, AddressSanitizer
# and UndefinedBehaviorSanitizer, runs every behaviour test (the differential
# runs on a fixed sample of the corpus and of seeded random pages, once per
# implementation of the kernels the processor has), a short fixed-seed run of
# the differential fuzzer, then builds the Debian package (Release) and runs
# the program extracted from it. About ten minutes on two processors.
# The long runs are in scripts/test-nightly.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
stage() { echo "test.sh: $1 ($((SECONDS - start)) s)"; }
scripts/deps.sh libbenchmark-dev clang libclang-rt-14-dev dpkg-dev file
rm -rf build-test
# The benchmarks are built too (not run), so that they keep compiling.
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARK_STRICT=ON -DTESSARK_SANITIZE=ON \
  -DTESSARK_BUILD_BENCH=ON >/dev/null
cmake --build build-test
stage "built"
# Tests use their own temporary settings and files, never the user's.
export XDG_CONFIG_HOME="$PWD/build-test/config-home"
unset TESSARK_NIGHTLY
ctest --test-dir build-test --output-on-failure -j2
stage "tests passed"
# A short fixed-seed run of the differential fuzzer (clang, libFuzzer).
scripts/fuzz.sh 20000
stage "fuzzed"
# The Debian package, built and tried out of a temporary folder.
scripts/package-check.sh
stage "package checked"
