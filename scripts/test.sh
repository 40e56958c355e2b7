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
# The Python module's build and tests (python/, tests/python/).
scripts/deps.sh pybind11-dev python3-dev python3-pybind11 python3-pytest python3-dask python3-distributed python3-bs4 \
  python3-html2text python3-venv python3-pip python3-setuptools python3-wheel
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
# The Python module is loaded into an ordinary Python, so it is built and
# tested in a Release folder of its own without sanitizers: the module
# against the program, Dask on two worker processes, the Debian package
# python3-tessark and pip into a virtual environment. Without -Werror, as
# every Release build here (GCC 12 warns falsely of overlapping copies at -O3).
rm -rf build-python
cmake -S . -B build-python -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_STRICT=OFF -DTESSARK_BUILD_PYTHON=ON \
  -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build build-python --target _tessark tessark
ctest --test-dir build-python --output-on-failure -j2 -L python
stage "Python module tested"
# A short fixed-seed run of the differential fuzzer (clang, libFuzzer).
scripts/fuzz.sh 20000
stage "fuzzed"
# The Debian package, built and tried out of a temporary folder.
scripts/package-check.sh
stage "package checked"
