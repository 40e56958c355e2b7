#!/usr/bin/env bash
# Reproduces the performance figures of docs/performance.md: installs what it needs,
# builds Release with the benchmarks, generates the inputs under the build
# folder on the first run (the corpus, four and eight copies of it, about 50
# and 100 MB, the adversarial inputs, the dense references, and 2.5 GB of
# real pages), runs the benchmark, prints the table of MB/s in docs/performance.md, then
# times the program against cp and cat (file to file, standard input to
# standard output, 2.5 GB) with peak memory. Needs about 6 GB of disk.
# Usage: bench/run.sh [build-dir] [benchmark flags, e.g. --benchmark_filter=corpus]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh libbenchmark-dev time python3 bc
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

# The program itself, in one run of paired measurements (the machine is
# shared: each pair runs back to back, and the median of five pairs is
# shown), all options on (--all), files in the page cache:
#   - the eight copies (99 MB), file to file, against cp of the same file;
#   - the same, standard input to standard output (into a file), against cat;
#   - 25 copies of the eight (2.5 GB), file to file, against cat of it, with
#     the peak memory of both;
#   - the dense references (5, 10, 20 MB, and 20 MB drawn at random), file
#     to file, with peak memory.
data="$TESSARK_BENCH_DATA"
program="$build/bin/tessark"
export XDG_CONFIG_HOME="$PWD/$build/bench-config"
input="$data/corpus-x8.html"
[ -f "$input" ] || exit 0
big="$data/corpus-x200.html"
if [ ! -f "$big" ]; then
  for _ in $(seq 25); do cat "$input"; done >"$big"
fi
for f in "$input" "$big" "$data"/denseReferences*.html; do cat "$f" >/dev/null; done  # into the page cache

# seconds of wall time of one command (its output, if any, to $2)
seconds() {
  local start end
  start=$(date +%s.%N)
  eval "$1"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

pair() {  # label, size in bytes, command A, command B
  local label="$1" size="$2" a="$3" b="$4" ta=() tb=()
  for _ in 1 2 3 4 5; do
    ta+=("$(seconds "$a")")
    tb+=("$(seconds "$b")")
  done
  local ma mb
  ma=$(printf '%s\n' "${ta[@]}" | median)
  mb=$(printf '%s\n' "${tb[@]}" | median)
  printf '%s: %.3f s (%.0f MB/s) against %.3f s (%.0f MB/s), ratio %.2f\n' "$label" "$ma" \
    "$(echo "$size / $ma / 1000000" | bc -l)" "$mb" "$(echo "$size / $mb / 1000000" | bc -l)" \
    "$(echo "$ma / $mb" | bc -l)"
}

echo
size=$(stat -c %s "$input")
pair "99 MB file to file, tessark against cp" "$size" \
  "'$program' --all --encoding windows-1252 --crlf -q -o '$data/out.txt' '$input'" "cp '$input' '$data/copy.html'"
pair "99 MB standard input to standard output, tessark against cat" "$size" \
  "'$program' --all --encoding windows-1252 --crlf -q <'$input' >'$data/out-pipe.txt'" "cat <'$input' >'$data/copy-pipe.html'"
pair "99 MB standard input to standard output against file to file" "$size" \
  "'$program' --all --encoding windows-1252 --crlf -q <'$input' >'$data/out-pipe.txt'" "'$program' --all --encoding windows-1252 --crlf -q -o '$data/out.txt' '$input'"
pair "99 MB file to standard output (no temporary file, no sync) against file to file" "$size" \
  "'$program' --all --encoding windows-1252 --crlf -q '$input' >'$data/out-pipe.txt'" "'$program' --all --encoding windows-1252 --crlf -q -o '$data/out.txt' '$input'"
cmp -s "$data/out.txt" "$data/out-pipe.txt" && echo "(the outputs are the same)"

size=$(stat -c %s "$big")
/usr/bin/time -f "2.5 GB file to file: %e s, peak memory %M KB" "$program" --all --encoding windows-1252 -q -o "$data/big-out.txt" "$big"
/usr/bin/time -f "2.5 GB cat to /dev/null: %e s, peak memory %M KB" cat "$big" >/dev/null
/usr/bin/time -f "2.5 GB cp: %e s, peak memory %M KB" cp "$big" "$data/big-copy.html"
rm -f "$data/big-copy.html"
echo "(2.5 GB is $size bytes)"

for f in "$data"/denseReferences5MB.html "$data"/denseReferences10MB.html "$data"/denseReferences20MB.html \
  "$data"/denseRandomReferences20MB.html; do
  [ -f "$f" ] || continue
  /usr/bin/time -f "$(basename "$f" .html) ($(stat -c %s "$f") bytes) file to file: %e s, peak memory %M KB" \
    "$program" --all --encoding windows-1252 -q -o "$data/dense-out.txt" "$f"
done
