#!/usr/bin/env python3
"""Turns bench_engine's JSON output into the README's table: MB/s (10^6
bytes per second of input) in memory and end to end with options all on, all
off and as --readable chooses them, and copying the same file, per input."""
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
    variant = parts[2] if kind != "CopyFile" else ""
    if name not in rates:
        rates[name] = {}
        order.append(name)
    rates[name][kind + variant] = run["bytes_per_second"] / 1e6

columns = [("InMemoryAllOn", "in memory, all on"), ("InMemoryAllOff", "in memory, all off"),
           ("InMemoryReadable", "in memory, --readable"),
           ("EndToEndAllOn", "file to file, all on"), ("EndToEndAllOff", "file to file, all off"),
           ("EndToEndReadable", "file to file, --readable"), ("CopyFile", "copy")]
print("| input | " + " | ".join(title for _, title in columns) + " |")
print("|---|" + "---:|" * len(columns))
for name in order:
    cells = ["%.0f" % rates[name][key] if key in rates[name] else "" for key, _ in columns]
    print("| " + name + " | " + " | ".join(cells) + " |")
