#!/usr/bin/env bash
# The program's start-up against lynx's: whole-process wall time of
# `tessark --version` and of a classic conversion of a small page
# (`tessark IN OUT`, with a settings folder already written), each against
# `lynx -version`, as the median of many runs taken in interleaved triples (the
# machine may be shared: each triple runs back to back), with the ratios.
# Plain bash: the clock is $EPOCHREALTIME, read without starting a process.
# Usage: bench/startup.sh [build-dir] [runs]   (default: build-startup, 201)
# A build folder that already holds bin/tessark is used as it is; otherwise a
# Release build (no tests) is made there.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
build="${1:-build-startup}"
runs="${2:-201}"
scripts/deps.sh lynx
if [ ! -x "$build/bin/tessark" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target tessark
fi
program="$(realpath "$build/bin/tessark")"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp/config"
printf '<html><head><title>Small page</title></head><body><p>Caf&eacute; &amp; more</p></body></html>\n' >"$tmp/small.html"
# The first classic run writes the settings; the measured ones only read them.
"$program" "$tmp/small.html" "$tmp/small.txt"

# time NAME COMMAND...: appends one run's wall time in microseconds to $tmp/NAME.
time_one() {
  local name="$1" start end
  shift
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 </dev/null
  end=$EPOCHREALTIME
  echo $((${end/./} - ${start/./})) >>"$tmp/$name"
}
for ((i = 0; i < runs; i++)); do
  time_one lynx lynx -version
  time_one version "$program" --version
  time_one classic "$program" "$tmp/small.html" "$tmp/small.txt"
done

# The medians, in milliseconds, and their ratios to lynx's.
echo "startup: median wall time of $runs runs each, interleaved"
for name in lynx version classic; do
  sort -n "$tmp/$name" | awk -v name="$name" '{ v[NR] = $1 } END { print name, v[int((NR + 1) / 2)] }'
done | awk '
  $1 == "lynx" { lynx = $2; printf "  %-30s %6.2f ms\n", "lynx -version", $2 / 1000 }
  $1 != "lynx" {
    label = $1 == "version" ? "tessark --version" : "tessark IN OUT (a small page)"
    printf "  %-30s %6.2f ms   ratio %.2f\n", label, $2 / 1000, $2 / lynx
  }'
