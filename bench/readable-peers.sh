#!/usr/bin/env bash
# Readable text against its peers, in one run of paired measurements on the
# same 99 MB (eight copies of the corpus in one file, the input of the
# benchmark's corpus-x8), file to file, in the page cache:
#     tessark -q --readable -o OUT IN
# against w3m -dump, lynx -dump -nolist, html2text (the C++ program) and
# python3's html2text where installed. The machine may be shared: each
# peer's run follows one of tessark's back to back, and the median of the
# rounds is shown, with the ratio of the peer's time to tessark's. Then the
# memory: 2.5 GB of pages (25 times the 99 MB) piped through
# tessark --readable, with its peak resident memory (GNU time -v); the aim
# is 64 MB.
# The program is a Release build without tests; a build folder that already
# holds bin/tessark is used as it is.
# Usage: bench/readable-peers.sh [build-dir] [rounds]   (default: build-bench, 3)
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
scripts/deps.sh time bc w3m lynx
build="${1:-build-bench}"
rounds="${2:-3}"
if [ ! -x "$build/bin/tessark" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" --target tessark
fi
program="$(realpath "$build/bin/tessark")"
work="$(realpath "$build")/readable-peers"
mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config"
input="$work/corpus-x8.html"
if [ ! -f "$input" ]; then
  for _ in $(seq 8); do cat tests/data/corpus/*.html; done >"$input"
fi
cat "$input" >/dev/null  # into the page cache
size=$(stat -c %s "$input")

seconds() {  # the wall time of one command, its output into a file
  local start end
  start=$(date +%s.%N)
  eval "$1"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours="'$program' -q --readable -o '$work/tessark.txt' '$input'"
peers=()
command -v w3m >/dev/null && peers+=("w3m -dump|w3m -dump -T text/html -O UTF-8 '$input' >'$work/w3m.txt'")
command -v lynx >/dev/null &&
  peers+=("lynx -dump -nolist|lynx -dump -nolist -force_html -display_charset=utf-8 '$input' >'$work/lynx.txt'")
command -v html2text >/dev/null && peers+=("html2text|html2text -utf8 '$input' >'$work/html2text.txt'")
/usr/bin/python3 -c 'import html2text' 2>/dev/null &&
  peers+=("python3 html2text|/usr/bin/python3 -m html2text '$input' utf-8 >'$work/python-html2text.txt'")

echo "$((size / 1000000)) MB in one file, file to file, median of $rounds paired rounds; program: $program"
echo "| peer | tessark --readable: s | MB/s | peer: s | MB/s | peer / tessark | text: tessark | peer |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
for entry in "${peers[@]}"; do
  name="${entry%%|*}" command="${entry#*|}"
  ta=() tb=()
  for ((r = 0; r < rounds; r++)); do
    ta+=("$(seconds "$ours")")
    tb+=("$(seconds "$command")")
  done
  ma=$(printf '%s\n' "${ta[@]}" | median)
  mb=$(printf '%s\n' "${tb[@]}" | median)
  out="${command##*>}"
  out="${out//\'/}"
  printf '| %s | %.2f | %.0f | %.2f | %.0f | %.2f | %s | %s |\n' "$name" "$ma" "$(echo "$size / $ma / 1000000" | bc -l)" \
    "$mb" "$(echo "$size / $mb / 1000000" | bc -l)" "$(echo "$mb / $ma" | bc -l)" \
    "$(stat -c %s "$work/tessark.txt")" "$(stat -c %s "$out")"
done

echo
for _ in $(seq 25); do cat "$input"; done | /usr/bin/time -v -o "$work/memory.txt" "$program" -q --readable >"$work/big.txt"
peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/memory.txt")
wall=$(awk -F'): ' '/Elapsed \(wall clock\)/ {print $2}' "$work/memory.txt")
echo "2.5 GB ($((25 * size)) bytes) piped through tessark --readable: peak memory $((peak / 1024)) MB (aim: 64 MB)," \
  "wall time $wall, $(stat -c %s "$work/big.txt") bytes of text"
rm -f "$work/big.txt"
