#!/bin/bash
# Takes the screenshots in docs/ under a virtual X display (Xvfb).
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
# Needs xvfb and imagemagick (import); builds the programs first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target command-demo tessark >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1

# shot OUT WIDTH HEIGHT COMMAND...: the top-left WIDTHxHEIGHT of the screen,
# where a window lands when no window manager runs.
shot() {
    local out=$1 w=$2 h=$3
    shift 3
    DISPLAY=$display "$@" >/dev/null 2>&1 &
    local app=$!
    sleep 2
    DISPLAY=$display import -window root -crop "${w}x${h}+0+0" +repage "$out"
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    echo "wrote $out"
}

shot docs/command-demo.png 166 262 "$build/bin/command-demo" --states
if [ -n "${TESSARK_SHOT_WINDOW:-}" ] || [ -e ui/CMakeLists.txt ]; then
    tmpconfig=$(mktemp -d)
    XDG_CONFIG_HOME=$tmpconfig shot docs/main-window.png 454 262 "$build/bin/tessark"
    rm -rf "$tmpconfig"
fi
