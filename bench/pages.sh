#!/usr/bin/env bash
# Pages per second of whole conversions, file to file, as users start them:
# a folder of real pages (the 65 of tests/data/corpus under 77 names each,
# 5,005 pages, 0.9 GB of input) converted by one run of the modern form,
#     tessark -q -j2 -r -d OUT DIR
# against the classic form started once per page, two at a time,
#     xargs -P2 -n2 tessark IN OUT
# and, as a peer, lynx -dump started the same way. Each round runs all three
# on the same files, one after the other; the modern and classic texts must
# be the same bytes. The program is the one the Debian package ships
# (Release, with the window), built as scripts/package-check.sh builds it.
# The copies of a page are hard links to it, so the input stays in the page
# cache however busy the machine; every page is still opened and read whole.
# Usage: bench/pages.sh [build-dir] [copies] [rounds]
#   default: build-package, 77 copies, 1 round
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh lynx
build="${1:-build-package}"
copies="${2:-77}"
rounds="${3:-1}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF \
  -DTESSARK_STRICT=OFF -DTESSARK_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tessark
program="$PWD/$build/bin/tessark"
work="$PWD/$build/pages-bench"
pages="$work/pages"

# The folder of pages, made once per number of copies.
if [ "$(cat "$work/copies" 2>/dev/null)" != "$copies" ]; then
  rm -rf "$work"
  mkdir -p "$pages"
  for ((c = 1; c <= copies; c++)); do
    for f in tests/data/corpus/*.html; do
      ln "$f" "$pages/$(printf %03d "$c")-$(basename "$f")" 2>/dev/null ||
        cp "$f" "$pages/$(printf %03d "$c")-$(basename "$f")"
    done
  done
  echo "$copies" >"$work/copies"
fi
count=$(find "$pages" -name '*.html' | wc -l)
bytes=$(find "$pages" -name '*.html' -printf '%s\n' | awk '{s += $1} END {print s}')
cat "$pages"/*.html >/dev/null

# Tests and users alike keep their own settings: a fresh folder, filled by
# one classic run (all options on), so that no run below rewrites it.
export XDG_CONFIG_HOME="$work/config"
rm -rf "$XDG_CONFIG_HOME"
all=("$pages"/*.html)
"$program" "${all[0]}" "$work/first.txt"

# The classic runs' and lynx's argument pairs, input and output, made ahead.
: >"$work/classic.list"
: >"$work/lynx.list"
for f in "$pages"/*.html; do
  name="${f##*/}"
  printf '%s\0%s\0' "$f" "$work/classic/${name%.*}.txt" >>"$work/classic.list"
  printf '%s\0%s\0' "$f" "$work/lynx/${name%.*}.txt" >>"$work/lynx.list"
done

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b - a}'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN {printf "%.0f", n / s}'; }

echo "$count pages, $((bytes / 1000000)) MB; program: $program"
echo "| round | modern -j2: s | pages/s | classic x2: s | pages/s | modern / classic | lynx -dump x2: s | pages/s |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
for ((r = 1; r <= rounds; r++)); do
  rm -rf "$work/modern" "$work/classic" "$work/lynx"
  mkdir -p "$work/classic" "$work/lynx"

  t0=$(now)
  "$program" -q -j2 --encoding windows-1252 --crlf -r -d "$work/modern" "$pages"
  t1=$(now)
  xargs -0 -P2 -n2 "$program" <"$work/classic.list"
  t2=$(now)
  lynx_s="-"
  lynx_rate="-"
  if command -v lynx >/dev/null; then
    xargs -0 -P2 -n2 sh -c 'exec lynx -dump -force_html "$0" >"$1"' <"$work/lynx.list"
    t3=$(now)
    lynx_s=$(seconds "$t2" "$t3")
    lynx_rate=$(rate "$count" "$lynx_s")
  fi

  modern_s=$(seconds "$t0" "$t1")
  classic_s=$(seconds "$t1" "$t2")
  [ "$(find "$work/modern" -name '*.txt' | wc -l)" = "$count" ] || { echo "modern: texts missing" >&2; exit 1; }
  diff -rq "$work/modern" "$work/classic" >/dev/null || { echo "modern and classic texts differ" >&2; exit 1; }
  echo "| $r | $modern_s | $(rate "$count" "$modern_s") | $classic_s | $(rate "$count" "$classic_s") |" \
    "$(awk -v m="$modern_s" -v c="$classic_s" 'BEGIN {printf "%.1f", c / m}') | $lynx_s | $lynx_rate |"
done
