#!/usr/bin/env python3
"""Turns bench_engine's JSON output into the table of docs/performance.md: MB/s (10^6
bytes per second of input) in memory (whole and streamed) and end to end
with options all on, all off and with DecodeAllReferences, and copying the
same file, per input; then the streamed conversion's chunk sizes, and the
readable-text engine's speeds with their share of its speed on real pages."""
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
    if kind in ("StreamChunk", "Readable"):
        continue
    variant = parts[2] if len(parts) > 2 and parts[2] in ("AllOn", "AllOff", "Decode") else ""
    if name not in rates:
        rates[name] = {}
        order.append(name)
    rates[name][kind + variant] = run["bytes_per_second"] / 1e6

columns = [("InMemoryAllOn", "in memory, all on"), ("StreamInMemoryAllOn", "streamed in memory, all on"),
           ("InMemoryAllOff", "in memory, all off"), ("InMemoryDecode", "in memory, all references"),
           ("EndToEndAllOn", "file to file, all on"), ("EndToEndAllOff", "file to file, all off"),
           ("EndToEndDecode", "file to file, all references"), ("CopyFile", "copy")]
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

# The UTF-8 byte path beside the Windows-1252 one, on the same bytes.
utf8 = [name for name in order if "Utf8InMemoryAllOn" in rates[name]]
if utf8:
    print()
    print("| input | Windows-1252, all on | UTF-8, all on | ratio | Windows-1252, all off | UTF-8, all off | ratio |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for name in utf8:
        r = rates[name]
        cells = []
        for on in ("AllOn", "AllOff"):
            a, b = r.get("InMemory" + on), r.get("Utf8InMemory" + on)
            cells += ["%.0f" % a, "%.0f" % b, "%.2f" % (b / a)] if a and b else ["", "", ""]
        print("| " + name + " | " + " | ".join(cells) + " |")

# Detection on the corpus, page by page, and "auto" beside Windows-1252.
pages = rates.get("corpus-pages")
if pages:
    print()
    print("| corpus, page by page | MB/s |")
    print("|---|---:|")
    for key, title in (("Detect", "detecting the encoding"), ("InMemoryAllOn", "Windows-1252, all on"),
                       ("AutoInMemoryAllOn", "auto (detect, then convert), all on")):
        if key in pages:
            print("| %s | %.0f |" % (title, pages[key]))

readable = [r for r in runs if r["name"].startswith("Readable/") and r.get("run_type") != "aggregate"]
if readable:
    print()
    print("| readable text, in memory | MB/s | share of the real pages' speed (aim: 0.25 or more) |")
    print("|---|---:|---:|")
    for r in readable:
        label = r["name"].split("/")[1] + (" (links listed, width 72)" if r["name"].split("/")[2] == "1" else "")
        print("| %s | %.0f | %.2f |" % (label, r["bytes_per_second"] / 1e6, r["vs_pages"]))
