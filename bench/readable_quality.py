#!/usr/bin/env python3
"""How close readable text comes to what a reader expects, tool by tool.

Suite mode (the default): every tests/data/readable/NAME.html has beside it
NAME.txt, the text a careful person expects from a text-mode rendering of
the page. Each tool converts each page and its text is scored against
NAME.txt with bench/textscore.py (W word order, L line structure, S their
mean). The table gives per tool the mean S, W and L and on how many pages
it is best or tied for best (S to three places); -v adds a row per page.

Corpus mode (--corpus): the pages of tests/data/corpus have no expected
text; tessark's text is scored against w3m's and against lynx's, and w3m's
against lynx's as the baseline of how far two good peers agree.

Tools: tessark (when --tessark names a binary; run as `tessark --readable -q
PAGE`), w3m -dump, lynx -dump -nolist, and Python's html2text when Debian's
/usr/bin/python3 has the module. Tools not installed are left out.

Usage:
  bench/readable_quality.py [--tessark BIN] [-v] [--keep DIR] [--cases DIR] [--fail-below S]
  bench/readable_quality.py --corpus [DIR] [--tessark BIN] [-v] [--keep DIR]
--keep DIR writes each tool's text to DIR/TOOL/NAME.txt, to read or diff.
--fail-below S judges tessark alone and fails (status 1) when any page
scores under S: the test suite's guard of the expected texts.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import textscore  # noqa: E402  (bench/textscore.py, a copy of the tools' scorer)

ROOT = HERE.parent
TIMEOUT = 60
DEBIAN_PYTHON = "/usr/bin/python3"


def has_html2text():
    if not os.access(DEBIAN_PYTHON, os.X_OK):
        return False
    probe = subprocess.run([DEBIAN_PYTHON, "-c", "import html2text"], capture_output=True)
    return probe.returncode == 0


def tool_commands(tessark, suite):
    """Name -> function(page path) -> argv. In the suite every page is UTF-8,
    so w3m is told so; on the corpus each tool finds the charset itself."""
    tools = {}
    if tessark:
        tools["tessark"] = lambda p: [tessark, "--readable", "-q", str(p)]
    if shutil.which("w3m"):
        charset = ["-I", "UTF-8"] if suite else []
        tools["w3m"] = lambda p: ["w3m", "-dump", "-T", "text/html", *charset, "-O", "UTF-8",
                                  "-cols", "1000", str(p)]
    if shutil.which("lynx"):
        tools["lynx"] = lambda p: ["lynx", "-dump", "-nolist", "-force_html", "-width=1000",
                                   "-assume_charset=utf-8", "-display_charset=utf-8", str(p)]
    if suite and has_html2text():
        tools["html2text"] = lambda p: [DEBIAN_PYTHON, "-m", "html2text", "--body-width=0",
                                        str(p), "utf-8"]
    return tools


def run(argv, env):
    try:
        r = subprocess.run(argv, capture_output=True, timeout=TIMEOUT, env=env)
    except subprocess.TimeoutExpired:
        print(f"timeout: {' '.join(argv)}", file=sys.stderr)
        return b""
    if r.returncode != 0:
        err = r.stderr.decode("utf-8", "replace").strip().splitlines()
        print(f"status {r.returncode}: {' '.join(argv)}: {err[-1] if err else ''}", file=sys.stderr)
    return r.stdout


def convert_all(pages, tools, keep):
    """{tool: {page name: output bytes}}."""
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, XDG_CONFIG_HOME=home, HOME=home, LC_ALL="C.UTF-8")
        out = {}
        for name, command in tools.items():
            out[name] = {}
            for page in pages:
                text = run(command(page), env)
                out[name][page.stem] = text
                if keep:
                    d = pathlib.Path(keep) / name
                    d.mkdir(parents=True, exist_ok=True)
                    (d / (page.stem + ".txt")).write_bytes(text)
        return out


def mean(rows, i):
    return sum(r[i] for r in rows) / len(rows) if rows else 0.0


def suite(args):
    cases = pathlib.Path(args.cases)
    pages = sorted(p for p in cases.glob("*.html") if p.with_suffix(".txt").exists())
    if not pages:
        sys.exit(f"no NAME.html with NAME.txt in {cases}")
    tools = tool_commands(args.tessark, suite=True)
    if args.fail_below is not None:
        tools = {"tessark": tools["tessark"]}
    outputs = convert_all(pages, tools, args.keep)
    scores = {t: {} for t in tools}  # tool -> page -> (W, L, S, G)
    for page in pages:
        ref = page.with_suffix(".txt").read_bytes()
        for t in tools:
            scores[t][page.stem] = textscore.score(outputs[t][page.stem], ref)
    best = {t: 0 for t in tools}
    for page in pages:
        top = max(round(scores[t][page.stem][2], 3) for t in tools)
        for t in tools:
            best[t] += round(scores[t][page.stem][2], 3) == top
    if args.verbose:
        width = max(len(p.stem) for p in pages)
        print(f"{'page':<{width}}  " + "  ".join(f"{t:>9}" for t in tools))
        for page in pages:
            cells = "  ".join(f"{scores[t][page.stem][2]:9.3f}" for t in tools)
            print(f"{page.stem:<{width}}  {cells}")
        print()
    print(f"{len(pages)} pages of {cases}")
    print(f"{'tool':<10} {'S':>6} {'W':>6} {'L':>6} {'glued':>6}  best or tied")
    for t in tools:
        rows = list(scores[t].values())
        print(f"{t:<10} {mean(rows, 2):6.3f} {mean(rows, 0):6.3f} {mean(rows, 1):6.3f} "
              f"{sum(r[3] for r in rows):6d}  {best[t]} of {len(pages)}")
    if args.worst and "tessark" in tools:
        print(f"\ntessark's {args.worst} worst pages:")
        ranked = sorted(scores["tessark"].items(), key=lambda kv: kv[1][2])[:args.worst]
        for name, (w, l, s, g) in ranked:
            print(f"  {s:.3f}  W={w:.3f} L={l:.3f} G={g}  {name}")
    if args.fail_below is not None:
        under = [name for name, row in scores["tessark"].items() if row[2] < args.fail_below]
        if under:
            sys.exit(f"under {args.fail_below}: {' '.join(sorted(under))}")


def corpus(args):
    folder = pathlib.Path(args.corpus)
    pages = sorted(p for p in folder.iterdir() if p.suffix.lower() in (".html", ".htm"))
    tools = tool_commands(args.tessark, suite=False)
    missing = [t for t in ("w3m", "lynx") if t not in tools]
    if missing:
        sys.exit(f"the corpus mode needs {' and '.join(missing)}")
    outputs = convert_all(pages, tools, args.keep)
    pairs = [("w3m", "lynx")]
    if "tessark" in tools:
        pairs = [("tessark", "w3m"), ("tessark", "lynx")] + pairs
    rows = {pair: [] for pair in pairs}
    for page in pages:
        for out, ref in pairs:
            rows[(out, ref)].append((page.stem, *textscore.score(outputs[out][page.stem],
                                                                outputs[ref][page.stem])))
    if args.verbose:
        width = max(len(p.stem) for p in pages)
        print(f"{'page':<{width}}  " + "  ".join(f"{a + '/' + b:>12}" for a, b in pairs))
        for i, page in enumerate(pages):
            print(f"{page.stem:<{width}}  " + "  ".join(f"{rows[pr][i][3]:12.3f}" for pr in pairs))
        print()
    print(f"{len(pages)} pages of {folder}: agreement, text against reference")
    print(f"{'text/reference':<15} {'S':>6} {'W':>6} {'L':>6}")
    for pair in pairs:
        r = [x[1:] for x in rows[pair]]
        print(f"{pair[0] + '/' + pair[1]:<15} {mean(r, 2):6.3f} {mean(r, 0):6.3f} {mean(r, 1):6.3f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tessark", help="the tessark binary to judge")
    parser.add_argument("--cases", default=str(ROOT / "tests/data/readable"))
    parser.add_argument("--corpus", nargs="?", const=str(ROOT / "tests/data/corpus"),
                        help="score agreement with the peers on real pages instead")
    parser.add_argument("--keep", help="write each tool's texts under this folder")
    parser.add_argument("--worst", type=int, default=5, help="list tessark's N worst pages")
    parser.add_argument("-v", "--verbose", action="store_true", help="a row per page")
    parser.add_argument("--fail-below", type=float, help="tessark alone; fail when a page scores under this")
    args = parser.parse_args()
    if args.fail_below is not None and not args.tessark:
        parser.error("--fail-below needs --tessark")
    if args.tessark:
        args.tessark = str(pathlib.Path(args.tessark).resolve())
    corpus(args) if args.corpus else suite(args)


if __name__ == "__main__":
    main()
