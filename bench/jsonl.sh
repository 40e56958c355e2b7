#!/bin/sh
# tessark --jsonl on one thread: the corpus pages as JSON Lines (each page in
# "html", its name in "url"), repeated to at least 100 MB, converted to
# /dev/null as readable text (the default); prints MB/s of input.
#   bench/jsonl.sh PROGRAM [PAGES_FOLDER] [RUNS]
set -eu
program=${1:?usage: bench/jsonl.sh PROGRAM [PAGES_FOLDER] [RUNS]}
pages=${2:-$(dirname "$0")/../tests/data/corpus}
runs=${3:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$pages" "$work/pages.jsonl" <<'PY'
import json, os, sys
folder, out = sys.argv[1], sys.argv[2]
lines = []
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), 'rb') as f:
        html = f.read().decode('utf-8', 'replace')
    lines.append(json.dumps({"url": "https://example.org/" + name, "html": html}, ensure_ascii=False) + "\n")
block = "".join(lines).encode()
with open(out, 'wb') as f:
    written = 0
    while written < 100 << 20:
        f.write(block)
        written += len(block)
PY
size=$(stat -c %s "$work/pages.jsonl")
export XDG_CONFIG_HOME="$work/config"
best=
for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$program" --jsonl -j1 -o /dev/null "$work/pages.jsonl"
    end=$(date +%s.%N)
    seconds=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$seconds < $best" | bc -l)" = 1 ]; then best=$seconds; fi
done
echo "jsonl: $(echo "$size / 1048576" | bc) MB, best of $runs: $(printf '%.2f' "$best") s, $(echo "$size / 1048576 / $best" | bc -l | xargs printf '%.0f') MB/s"
