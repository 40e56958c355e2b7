#!/usr/bin/env bash
# The Python figures (bench/python_bench.py) on the corpus pages: builds the
# module and the C++ timing program in a Release folder without sanitizers,
# then runs the comparison with Debian's Python.
# Usage: bench/python-bench.sh [build-dir]   (default: build-python-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh pybind11-dev python3-dev python3-bs4 python3-html2text
build="${1:-build-python-bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARK_BUILD_PYTHON=ON -DTESSARK_BUILD_TESTS=OFF \
  -DTESSARK_BUILD_GUI=OFF -DTESSARK_SANITIZE=OFF >/dev/null
cmake --build "$build" --target _tessark tessark_python_overhead
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
PYTHONPATH="$build/python" /usr/bin/python3 bench/python_bench.py "$build/python/tessark_python_overhead" \
  tests/data/corpus/*.html
