#!/usr/bin/env bash
# The nightly tier: what the fast tier (scripts/test.sh) samples or leaves out.
#  1. every test with TESSARK_NIGHTLY=1 under ASan and UBSan: the whole corpus
#     under every option set and every implementation of the kernels, the long
#     random-page loops, the program killed mid-conversion, the huge inputs;
#  2. the engine built without the AVX2 passes (-DTESSARK_AVX2=OFF), its tests
#     with TESSARK_NIGHTLY=1 too;
#  3. the Python tests (tests/python/) in a Release build, pip building the
#     module from nothing;
#  4. scripts/fuzz-nightly.sh: the three fuzzers for FUZZ_SECONDS each from random
#     seeds, and the page over 2 GB with an optimised build of the program;
#  5. the web archive fuzzer (fuzz_warc) for FUZZ_SECONDS from a random seed,
#     in the same build; what it finds is kept in build-fuzz/crashes-fuzz_warc/;
#  6. a web archive of 2.4 GB through a pipe, under 64 MB of memory.
# Usage: scripts/test-nightly.sh [FUZZ_SECONDS]   (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
start=$SECONDS
stage() { echo "test-nightly.sh: $1 ($((SECONDS - start)) s)"; }
scripts/deps.sh libbenchmark-dev pybind11-dev python3-dev python3-pybind11 python3-pytest python3-dask \
  python3-distributed python3-bs4 python3-html2text python3-venv python3-pip python3-setuptools python3-wheel time
export TESSARK_NIGHTLY=1

rm -rf build-nightly-test
cmake -S . -B build-nightly-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARK_STRICT=ON -DTESSARK_SANITIZE=ON >/dev/null
cmake --build build-nightly-test
export XDG_CONFIG_HOME="$PWD/build-nightly-test/config-home"
ctest --test-dir build-nightly-test --output-on-failure -j2
stage "every test, whole corpus"

rm -rf build-nightly-noavx2
cmake -S . -B build-nightly-noavx2 -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARK_STRICT=ON -DTESSARK_SANITIZE=ON \
  -DTESSARK_AVX2=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build build-nightly-noavx2
ctest --test-dir build-nightly-noavx2 --output-on-failure -j2 -L engine
stage "engine without AVX2"

# The Python tests with TESSARK_NIGHTLY=1: pip builds the module from
# nothing in the virtual environment (Release, no sanitizers).
rm -rf build-nightly-python
cmake -S . -B build-nightly-python -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_STRICT=OFF -DTESSARK_BUILD_PYTHON=ON \
  -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build build-nightly-python --target _tessark tessark
ctest --test-dir build-nightly-python --output-on-failure -j2 -L python
stage "Python module, pip from nothing"

scripts/fuzz-nightly.sh "$seconds"
stage "fuzzers and the page over 2 GB"

cmake --build build-fuzz --target fuzz_warc
mkdir -p build-fuzz/corpus-fuzz_warc build-fuzz/crashes-fuzz_warc
build-fuzz/fuzz/fuzz_warc -max_len=4096 -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build-fuzz/crashes-fuzz_warc/ build-fuzz/corpus-fuzz_warc
stage "web archive fuzzer"

# A web archive of 2.4 GB of records (the corpus pages, bench/make-warc.py,
# four times through a pipe) converted in bounded memory, on one thread and
# two, by the optimised program of the stage above.
archive=$(mktemp -d)
/usr/bin/python3 bench/make-warc.py "$archive/corpus.warc.gz" 600 tests/data/corpus
for jobs in 1 2; do
  cat "$archive/corpus.warc.gz" "$archive/corpus.warc.gz" "$archive/corpus.warc.gz" "$archive/corpus.warc.gz" |
    /usr/bin/time -f %M -o "$archive/peak" build-nightly/bin/tessark --warc -j"$jobs" -o /dev/null -
  peak=$(tail -1 "$archive/peak")
  echo "tessark --warc -j$jobs over 2.4 GB: peak $((peak / 1024)) MB"
  [ "$peak" -lt $((64 * 1024)) ] || { echo "test-nightly.sh: over 64 MB" >&2; exit 1; }
done
rm -rf "$archive"
stage "a web archive of 2.4 GB in bounded memory"
