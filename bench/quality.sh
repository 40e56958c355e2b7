#!/usr/bin/env bash
# Reproduces the readability figures of docs/readable-text.md: builds the program (Release,
# in build-bench/ like bench/run.sh), then converts every page of the corpus,
# as saved and with the whitespace between tags removed, with the default
# options (--all) and with --readable, and compares the words with those of
# `lynx -dump -nolist` (bench/quality.py says how).
# Usage: bench/quality.sh [build-dir] [more bench/quality.py flags, e.g. --examples 20]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh python3 lynx
build="${1:-build-bench}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_TESTS=OFF -DTESSARK_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target tessark
# The runs read no saved options: --all and --readable set every one.
export XDG_CONFIG_HOME="$PWD/$build/quality-config"
bench/quality.py "$build/bin/tessark -q {flags} -" --sets "defaults=--all" "readable=--readable" "$@"
