#!/usr/bin/env bash
# The program's start-up against lynx's: whole-process wall time of
# `tessark --version` and of a classic conversion of a small page
# (`tessark IN OUT`, with a settings folder already written), each against
# `lynx -version`, as the median of many runs taken in interleaved triples (the
# machine may be shared: each triple runs back to back), with the ratios.
# Plain bash: the clock is $EPOCHREALTIME, read without starting a process.
# The files live in a new folder under $TMPDIR (default /tmp): the classic
# form flushes its output to the disk (fsync), which a tmpfs makes free.
# Usage: bench/startup.sh [build-dir] [runs]   (default: build-startup, 201)
#        TMPDIR=/dev/shm bench/startup.sh ...  (the same without the disk)
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

# cpu_ms: sets $cpu to the processor time of the finished children so far, in
# milliseconds (bash's `times`, run in this shell: inside a $(...) it would
# count the children of a new process).
cpu_ms() {
  local user sys t minutes seconds
  times >"$tmp/times"
  { read -r _ _; read -r user sys; } <"$tmp/times"
  cpu=0
  for t in "$user" "$sys"; do
    minutes="${t%%m*}" seconds="${t#*m}"
    seconds="${seconds%s}"
    cpu=$((cpu + minutes * 60000 + 10#${seconds/./}))
  done
}
# time_one NAME COMMAND...: appends one run's wall time in microseconds to
# $tmp/NAME and its processor time in milliseconds to $tmp/NAME.cpu.
time_one() {
  local name="$1" start end before
  shift
  cpu_ms
  before=$cpu
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 </dev/null
  end=$EPOCHREALTIME
  cpu_ms
  echo $((${end/./} - ${start/./})) >>"$tmp/$name"
  echo $((cpu - before)) >>"$tmp/$name.cpu"
}
for ((i = 0; i < runs; i++)); do
  time_one lynx lynx -version
  time_one version "$program" --version
  time_one classic "$program" "$tmp/small.html" "$tmp/small.txt"
done

# The medians of wall time and the mean processor time (user and system, which
# waiting for a busy machine's processors leaves out), in milliseconds, and
# their ratios to lynx's.
echo "startup: median wall time and mean processor time of $runs runs each, interleaved"
for name in lynx version classic; do
  cpu="$(awk '{ s += $1 } END { print s / NR }' "$tmp/$name.cpu")"
  sort -n "$tmp/$name" | awk -v name="$name" -v cpu="$cpu" '{ v[NR] = $1 } END { print name, v[int((NR + 1) / 2)], cpu }'
done | awk '
  $1 == "lynx" { lynx = $2; lynxcpu = $3; printf "  %-30s %6.2f ms wall            %5.2f ms cpu\n", "lynx -version", $2 / 1000, $3 }
  $1 != "lynx" {
    label = $1 == "version" ? "tessark --version" : "tessark IN OUT (a small page)"
    printf "  %-30s %6.2f ms wall (x %.2f)   %5.2f ms cpu (x %.2f)\n", label, $2 / 1000, $2 / lynx, $3, $3 / lynxcpu
  }'
