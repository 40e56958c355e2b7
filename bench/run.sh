#!/usr/bin/env bash
# Reproduces the performance figures of the README: builds Release with the
# benchmarks, generates the inputs (the corpus, its 50 and 100 MB
# concatenations and the adversarial inputs) under the build folder, runs the
# benchmark and measures the peak memory of a batch conversion of 100 MB.
# Usage: bench/run.sh [build-dir] [extra benchmark flags, e.g. --benchmark_filter=corpus]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_BENCH=ON -DTESSARK_BUILD_TESTS=OFF \
  -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target bench_engine tessark
export TESSARK_BENCH_DATA="$PWD/$build/bench-data"
"$build/bench/bench_engine" "$@"
# Peak memory of the program converting the 100 MB concatenation in batch
# mode (options all on, the default for a new user).
if [ -x /usr/bin/time ] && [ -f "$TESSARK_BENCH_DATA/corpus100MB.html" ]; then
  export XDG_CONFIG_HOME="$PWD/$build/bench-config"
  export QT_QPA_PLATFORM=offscreen
  rm -f "$TESSARK_BENCH_DATA/batch-out.txt"
  /usr/bin/time -f "batch conversion of %C: peak memory %M KB" \
    "$(find "$build" -name tessark -type f -perm -u+x | head -1)" \
    "$TESSARK_BENCH_DATA/corpus100MB.html" "$TESSARK_BENCH_DATA/batch-out.txt"
fi
