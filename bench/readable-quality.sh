#!/usr/bin/env bash
# Scores readable text against the hand-written expectations of
# tests/data/readable (or, with --corpus, against w3m's and lynx's text of the
# corpus pages): builds the program (Release, in build-bench/ like
# bench/run.sh) unless given a binary, then runs bench/readable_quality.py
# with it, w3m and lynx (and Python's html2text when Debian's python3 has it).
# Usage: bench/readable-quality.sh [BUILD-DIR | TESSARK-BINARY] [readable_quality.py flags: -v, --corpus, --keep DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh python3 w3m lynx diffutils
target="${1:-build-bench}"
case "$target" in -*) target=build-bench ;; *) shift || true ;; esac
if [ -f "$target" ] && [ -x "$target" ]; then
  tessark="$target"
else
  cmake -S . -B "$target" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
  cmake --build "$target" --target tessark
  tessark="$target/bin/tessark"
fi
exec bench/readable_quality.py --tessark "$tessark" "$@"
