#!/usr/bin/env python3
"""Turns bench_engine's JSON output into the README's table: MB/s (10^6
bytes per second of input) in memory (whole and streamed) and end to end
with options all on and all off, and copying the same file, per input; then
the streamed conversion's chunk sizes."""
import json
import sys

with open(sys.argv[1]) as f:
    runs = json.load(f)["benchmarks"]

rates = {}
order = []
for run in runs:
    if run.get("run_type") == "aggregate":
        continue
    parts = run["name"].split("/")
    kind, name = parts[0], parts[1]
    variant = parts[2] if kind not in ("CopyFile", "StreamChunk") else ""
    if kind == "StreamChunk":
        continue
    if name not in rates:
        rates[name] = {}
        order.append(name)
    rates[name][kind + variant] = run["bytes_per_second"] / 1e6

columns = [("InMemoryAllOn", "in memory, all on"), ("StreamInMemoryAllOn", "streamed in memory, all on"),
           ("InMemoryAllOff", "in memory, all off"),
           ("EndToEndAllOn", "file to file, all on"), ("EndToEndAllOff", "file to file, all off"),
           ("CopyFile", "copy")]
print("| input | " + " | ".join(title for _, title in columns) + " |")
print("|---|" + "---:|" * len(columns))
for name in order:
    cells = ["%.0f" % rates[name][key] if key in rates[name] else "" for key, _ in columns]
    print("| " + name + " | " + " | ".join(cells) + " |")

chunks = [r for r in runs if r["name"].startswith("StreamChunk/") and r.get("run_type") != "aggregate"]
if chunks:
    print()
    print("| chunk (KB) | streamed in memory, all on (MB/s) |")
    print("|---:|---:|")
    for r in chunks:
        print("| %s | %.0f |" % (r["name"].split("/")[3], r["bytes_per_second"] / 1e6))
