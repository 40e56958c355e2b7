#!/usr/bin/python3
"""Python-side figures on the corpus pages, in one run:
  1. pages per second and MB/s of tessark.to_text (readable text) against
     BeautifulSoup's get_text (html.parser) and html2text on the same pages;
  2. the binding's cost: tessark.to_text against the library's C++ call
     (OVERHEAD_PROGRAM, bench/python_overhead.cpp) on the same pages;
  3. to_text_many on two threads against one.
Each figure is the best of ROUNDS rounds after one to warm up. Usage (bench/python-bench.sh sets
it up): PYTHONPATH=BUILD/python python_bench.py OVERHEAD_PROGRAM PAGE...
"""
import subprocess
import sys
import time
import warnings

import tessark

ROUNDS = 10
ALTERNATIONS = 5


def best(function, rounds=ROUNDS):
    function()  # a first round to warm up (the allocator's first pages, the caches)
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times)


def line(name, pages, size, seconds):
    print(f"{name:28} {len(pages) / seconds:9.1f} pages/s {size / seconds / 1e6:9.2f} MB/s")


def main():
    program, paths = sys.argv[1], sys.argv[2:]
    pages = [open(p, "rb").read() for p in paths]
    size = sum(map(len, pages))
    print(f"{len(pages)} pages, {size / 1e6:.2f} MB")

    # The figures compared with each other are taken in turns, ALTERNATIONS
    # times, each the best of its turns, so that a burst of load elsewhere on
    # the machine weighs on both alike.
    to_text = lambda: [tessark.to_text(p) for p in pages]
    cpp_command = [program, str(ROUNDS), *paths]
    seconds = cpp = one = two = float("inf")
    for _ in range(ALTERNATIONS):
        seconds = min(seconds, best(to_text))
        cpp = min(cpp, float(subprocess.run(cpp_command, capture_output=True, text=True, check=True).stdout.split()[2]))
        one = min(one, best(lambda: tessark.to_text_many(pages, threads=1)))
        two = min(two, best(lambda: tessark.to_text_many(pages, threads=2)))

    line("tessark.to_text", pages, size, seconds)
    try:
        import bs4

        warnings.simplefilter("ignore")
        line("BeautifulSoup get_text", pages, size,
             best(lambda: [bs4.BeautifulSoup(p, "html.parser").get_text() for p in pages], 1))
    except ImportError:
        print("BeautifulSoup: not installed (python3-bs4)")
    try:
        import html2text

        line("html2text", pages, size,
             best(lambda: [html2text.html2text(p.decode("utf-8", "replace")) for p in pages], 1))
    except ImportError:
        print("html2text: not installed (python3-html2text)")

    line("C++ tessark::to_text", pages, size, cpp)
    print(f"binding cost: {100 * (seconds - cpp) / cpp:+.1f} % of the C++ time")
    line("to_text_many threads=1", pages, size, one)
    line("to_text_many threads=2", pages, size, two)
    print(f"two threads: {one / two:.2f} times one")


if __name__ == "__main__":
    main()
