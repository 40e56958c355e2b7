#!/usr/bin/env python3
"""How readable Tessark's text is, measured against lynx's rendering.

For every page of the corpus, in two forms (as saved, and with the
whitespace between tags removed, as minified production pages are), it
converts the page with each option set named on the command line and with
`lynx -dump -nolist`, then counts:

  glued:      output words (runs of three or more letters) that lynx never
              shows but that split into two words lynx shows ("HomeNews");
              as a share of all output words of three letters or more.
  undecoded:  character references left in the output (a name of the HTML
              list, or a numeric one), and of them those the page itself
              escaped twice ("&amp;amp;" shows as "&amp;").

A link's " [URL]" (KeepLinks) is left out of the words: lynx -nolist shows no
URL. lynx reads the pages as UTF-8. Tessark reads and writes Windows-1252
bytes, every byte kept as it was, so its text of a UTF-8 page is UTF-8 but for
the characters it decodes from references (written in Windows-1252, or "?");
those count as no letter here, as lynx's own "?" would.

Usage: bench/quality.py CONVERT [--corpus DIR] [--sets NAME=FLAGS ...]
  CONVERT is a command that reads the page on standard input and writes the
  text to standard output, with {flags} where the option flags go
  (bench/quality.sh gives the program's).
"""
import argparse
import collections
import html.entities
import pathlib
import re
import shlex
import subprocess
import sys

WORD = re.compile(r"[^\W\d_]+")
LINK = re.compile(r" \[[^\]\s]*\]")
REFERENCE = re.compile(r"&(#[0-9]+;?|#[xX][0-9a-fA-F]+;?|[A-Za-z][A-Za-z0-9]*;?)")
NAMES = set(html.entities.html5)


def words(text):
    return [w.casefold() for w in WORD.findall(text)]


def lynx(page: pathlib.Path, data: bytes) -> str:
    result = subprocess.run(
        ["lynx", "-dump", "-nolist", "-force_html", "-assume_charset=utf-8", "-display_charset=utf-8",
         "-width=1000", "-stdin"],
        input=data, capture_output=True, check=True)
    return result.stdout.decode("utf-8", "replace")


def glued(out_words, vocabulary):
    count = 0
    examples = []
    for w in out_words:
        if len(w) < 3 or w in vocabulary:
            continue
        if any(w[:k] in vocabulary and w[k:] in vocabulary for k in range(1, len(w))):
            count += 1
            examples.append(w)
    return count, examples


def undecoded(text, page_text):
    left = twice = 0
    for m in REFERENCE.finditer(text):
        body = m.group(1)
        if body.startswith("#"):
            ok = True
        else:
            ok = body in NAMES or (not body.endswith(";") and body in NAMES)
        if not ok:
            continue
        left += 1
        if ("&amp;" + body) in page_text:
            twice += 1
    return left, twice


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("convert")
    parser.add_argument("--corpus", default=str(pathlib.Path(__file__).resolve().parents[1] / "tests/data/corpus"))
    parser.add_argument("--sets", nargs="+", default=["defaults=", "readable=--readable"])
    parser.add_argument("--examples", type=int, default=0, help="print this many glued words per row")
    args = parser.parse_args()
    sets = [s.split("=", 1) for s in args.sets]
    pages = sorted(pathlib.Path(args.corpus).glob("*.html"))
    totals = collections.defaultdict(lambda: [0, 0, 0, 0])  # words, glued, undecoded, twice
    examples = collections.defaultdict(list)
    for page in pages:
        raw = page.read_bytes()
        forms = {"as saved": raw, "minified": re.sub(rb">\s+<", b"><", raw)}
        for form, data in forms.items():
            page_text = data.decode("utf-8", "replace")
            vocabulary = set(words(lynx(page, data)))
            for name, flags in sets:
                command = shlex.split(args.convert.replace("{flags}", flags))
                out = subprocess.run(command, input=data, capture_output=True, check=True).stdout
                text = out.decode("utf-8", "replace")
                out_words = [w for w in words(LINK.sub(" ", text)) if len(w) >= 3]
                g, ex = glued(out_words, vocabulary)
                left, twice = undecoded(text, page_text)
                t = totals[(form, name)]
                t[0] += len(out_words)
                t[1] += g
                t[2] += left
                t[3] += twice
                examples[(form, name)] += [f"{page.name}:{w}" for w in ex]
    print(f"{len(pages)} pages")
    print("| pages | options | words | glued | glued share | references left | of them escaped twice |")
    print("|---|---|---:|---:|---:|---:|---:|")
    for (form, name), (n, g, left, twice) in totals.items():
        share = 100.0 * g / n if n else 0.0
        print(f"| {form} | {name} | {n} | {g} | {share:.3f}% | {left} | {twice} |")
        for e in examples[(form, name)][: args.examples]:
            print("    ", e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
