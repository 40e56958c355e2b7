#!/bin/sh
# Web archives: a WARC.gz of the corpus pages (SIZE MB of records, default
# 600), converted to readable text by `tessark --warc` on one thread and on
# two, against decompressing it alone with the same codec (bench's
# inflate_file); then four copies through a pipe (2.4 GB of records) for the
# peak memory. Prints the best wall time of RUNS runs of each and the ratios.
#   bench/records.sh BUILD_DIR [SIZE_MB] [RUNS]     (a Release build with -DTESSARK_BUILD_BENCH=ON)
set -eu
build=${1:?usage: bench/records.sh BUILD_DIR [SIZE_MB] [RUNS]}
size=${2:-600}
runs=${3:-5}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
/usr/bin/python3 "$here/make-warc.py" "$work/corpus.warc.gz" "$size" "$here/../tests/data/corpus"
records=$("$build/bench/inflate_file" "$work/corpus.warc.gz" 2>&1 | cut -d' ' -f1)
best() {  # best wall seconds of $runs runs of the command
  b=
  for _ in $(seq "$runs"); do
    /usr/bin/time -f %e -o "$work/time" "$@" >/dev/null 2>&1
    t=$(tail -1 "$work/time")
    b=$(echo "$t $b" | awk '{ if ($2 == "" || $1 < $2) print $1; else print $2 }')
  done
  echo "$b"
}
inflate=$(best "$build/bench/inflate_file" "$work/corpus.warc.gz")
one=$(best "$build/bin/tessark" --warc -j1 -o /dev/null "$work/corpus.warc.gz")
two=$(best "$build/bin/tessark" --warc -j2 -o /dev/null "$work/corpus.warc.gz")
echo "$records $inflate $one $two" | awk '{
  mb = $1 / 1048576
  printf "records: %.0f MB\n", mb
  printf "decompression alone:   %.2f s  %5.0f MB/s\n", $2, mb / $2
  printf "tessark --warc -j1:    %.2f s  %5.0f MB/s  (%.2f of decompression alone)\n", $3, mb / $3, $2 / $3
  printf "tessark --warc -j2:    %.2f s  %5.0f MB/s  (%.2f times -j1)\n", $4, mb / $4, $3 / $4
}'
cat "$work/corpus.warc.gz" "$work/corpus.warc.gz" "$work/corpus.warc.gz" "$work/corpus.warc.gz" |
  /usr/bin/time -f %M -o "$work/time" "$build/bin/tessark" --warc -j2 -o /dev/null - >/dev/null 2>&1
peak=$(tail -1 "$work/time")
echo "four copies through a pipe, -j2: peak $((peak / 1024)) MB"
