#!/usr/bin/env bash
# Reproduces the performance figures of the README: installs what it needs,
# builds Release with the benchmarks, generates the inputs under the build
# folder on the first run (the corpus, four and eight copies of it, about 50
# and 100 MB, and the adversarial inputs), runs the benchmark, prints the
# README's table of MB/s, and measures the peak memory of batch conversions
# of the eight copies and of the dense references.
# Usage: bench/run.sh [build-dir] [benchmark flags, e.g. --benchmark_filter=corpus]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh libbenchmark-dev time python3
build="${1:-build-bench}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_BENCH=ON -DTESSARK_BUILD_TESTS=OFF \
  -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target bench_engine tessark
export TESSARK_BENCH_DATA="$PWD/$build/bench-data"
"$build/bench/bench_engine" --benchmark_out="$build/bench.json" --benchmark_out_format=json "$@"
echo
echo "MB/s (10^6 bytes of input per second):"
bench/summarize.py "$build/bench.json"
echo

# Peak memory of the program converting the eight copies in batch mode, with
# all options on (a new user's settings) and with all off (the output then
# grows: every LF becomes CR LF), and converting the dense references.
input="$TESSARK_BENCH_DATA/corpus-x8.html"
[ -f "$input" ] || exit 0
export XDG_CONFIG_HOME="$PWD/$build/bench-config"
settings="$XDG_CONFIG_HOME/OrvaneTessark/OrvaneTessark.ini"
program="$build/bin/tessark"
echo "input: $(stat -c %s "$input") bytes"
rm -rf "$XDG_CONFIG_HOME"
/usr/bin/time -f "batch conversion, options all on: %e s, peak memory %M KB" "$program" "$input" "$TESSARK_BENCH_DATA/batch-out.txt"
# The dense references (one cluster of 5, 10 and 20 MB), all options on.
for size in 5 10 20; do
  dense="$TESSARK_BENCH_DATA/denseReferences${size}MB.html"
  [ -f "$dense" ] || continue
  /usr/bin/time -f "dense references, $(stat -c %s "$dense") bytes, options all on: %e s, peak memory %M KB" \
    "$program" "$dense" "$TESSARK_BENCH_DATA/batch-out.txt"
done
mkdir -p "$(dirname "$settings")"
{
  echo "[General]"
  for key in RemoveComments RemoveScripts RemoveStyles RemoveFunctions RemovePipe RemoveTabs \
    GenerateSpecialChars RemoveAllTags RemoveAllCRLF RemoveSpaces RemoveBlankLines; do
    echo "$key=False"
  done
} >"$settings"
/usr/bin/time -f "batch conversion, options all off: %e s, peak memory %M KB" "$program" "$input" "$TESSARK_BENCH_DATA/batch-out.txt"
