#!/usr/bin/python3
"""End-to-end test of `tessark --warc` on an archive made by a real crawler.

Crawls site/ with wget (crawl.py), converts the archive with the program to
WET (gzip per record, and plain, from a compressed and an uncompressed
archive) and to JSON Lines (from a file and from standard input), reads the WET
back with warcio (../warcio/read_warc.mjs) and the JSON Lines with Python's json
and jq, and checks them against the crawl's manifest and the source records:
one conversion per HTML page in the archive's order, none for the image, the
style sheet, the plain text, the 404 or the redirect; WARC-Refers-To and
WARC-Target-URI naming the source response; valid digests and lengths; gzip
members one per record; and each page's text equal to what
`tessark --readable --encoding=CHARSET FILE` makes of the served file
(CHARSET: the charset its Content-Type header declared, else auto).

Exit status: 0 passed, 1 failed, 77 skipped (no wget or node, or a program
without --warc; the crawl and the reader are still checked first then).
Single-threaded; all files go under the work folder.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import crawl  # noqa: E402

SKIP = 77
DATE = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?Z$")
UUID = re.compile(r"^<urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}>$")


class Checks:
    """Collects failed comparisons instead of stopping at the first."""

    def __init__(self):
        self.failed = []
        self.count = 0

    def equal(self, where, what, want, got):
        self.count += 1
        if want != got:
            self.failed.append("%s: %s: want %s, got %s" % (where, what, _short(want), _short(got)))

    def same_list(self, where, what, want, got):
        """Like equal, but says which items are missing or unexpected."""
        self.count += 1
        if want != got:
            missing = [item for item in want if item not in got]
            unexpected = [item for item in got if item not in want]
            self.failed.append("%s: %s: missing %s, unexpected %s%s" % (
                where, what, _short(missing), _short(unexpected),
                "" if missing or unexpected else ", order or count differs"))

    def true(self, where, what, condition):
        self.equal(where, what, True, bool(condition))


def _short(value):
    text = repr(value)
    return text if len(text) < 400 else text[:390] + "...(%d chars)" % len(text)


def _first_difference(want, got):
    at = next((i for i, (a, b) in enumerate(zip(want, got)) if a != b), min(len(want), len(got)))
    return "texts differ at %d: want %r, got %r" % (at, want[at:at + 40], got[at:at + 40])


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, stdin=kwargs.pop("stdin", subprocess.DEVNULL), **kwargs)


def read_warc(node, reader, path):
    result = run([node, reader, path])
    if result.returncode != 0:
        raise RuntimeError("read_warc.mjs %s failed:\n%s" % (path, result.stderr.decode(errors="replace")))
    return [json.loads(line) for line in _lines(result.stdout)]


def _lines(data):
    """The lines of JSON Lines output; only LF ends a line (U+2028 may stand in one)."""
    lines = data.decode("utf-8").split("\n")
    return lines[:-1] if lines[-1] == "" else lines


def gzip_members(path):
    """How many gzip members the file holds one after another (0: not gzip)."""
    with open(path, "rb") as f:
        data = f.read()
    members = 0
    while data:
        if data[:2] != b"\x1f\x8b":
            return members
        inflater = zlib.decompressobj(16 + zlib.MAX_WBITS)
        inflater.decompress(data)
        if not inflater.eof:
            return members
        members += 1
        data = inflater.unused_data
    return members


def expected_texts(tessark, pages, site, work, env):
    """The readable text of each page's file, by URL: one program run per charset."""
    by_charset = {}
    for page in pages:
        by_charset.setdefault((page["header_charset"] or "auto").lower(), []).append(page)
    texts = {}
    for number, (charset, group) in enumerate(sorted(by_charset.items())):
        folder = os.path.join(work, "expected-%d" % number)
        files = [os.path.join(site, page["file"]) for page in group]
        result = run([tessark, "--readable", "--encoding=" + charset, "-d", folder] + files, env=env)
        if result.returncode != 0:
            raise RuntimeError("tessark --readable failed:\n" + result.stderr.decode(errors="replace"))
        for page in group:
            name = os.path.splitext(os.path.basename(page["file"]))[0] + ".txt"
            with open(os.path.join(folder, name), encoding="utf-8", newline="") as f:
                texts[page["url"]] = f.read()
    return texts


def check_source(checks, manifest, records):
    """The crawl itself: wget stored a valid response for every URL, in order."""
    responses = [r for r in records if r["type"] == "response"]
    checks.same_list("archive", "response URLs", [u["url"] for u in manifest["urls"]],
                     [r["headers"]["WARC-Target-URI"] for r in responses])
    for record in records:
        where = "archive %s %s" % (record["type"], record["headers"].get("WARC-Target-URI", ""))
        checks.equal(where, "digest_ok", True, record["digest_ok"])
        checks.equal(where, "Content-Length", int(record["headers"]["Content-Length"]), record["length"])
    for entry, record in zip(manifest["urls"], responses):
        head = record["payload"].split("\r\n\r\n", 1)[0].lower()
        where = "archive " + entry["url"]
        checks.true(where, "status %d" % entry["status"], head.startswith("http/1.1 %d " % entry["status"]))
        checks.equal(where, "chunk framing kept", entry["transfer_encoding"] == "chunked",
                     "transfer-encoding: chunked" in head)
        checks.equal(where, "content coding kept", entry["content_encoding"] != "identity",
                     "content-encoding: " + entry["content_encoding"] in head)
    return {r["headers"]["WARC-Target-URI"]: r for r in responses}


def check_wet(checks, name, records, pages, sources, texts):
    checks.true(name, "at least one record", records)
    if not records:
        return
    checks.equal(name, "first record", "warcinfo", records[0]["type"])
    conversions = records[1:]
    checks.equal(name, "record types", ["conversion"] * len(conversions), [r["type"] for r in conversions])
    checks.same_list(name, "pages in order", [p["url"] for p in pages],
                 [r["headers"].get("WARC-Target-URI") for r in conversions])
    ids = [r["headers"].get("WARC-Record-ID") for r in records]
    checks.equal(name, "distinct record ids", len(ids), len(set(ids)))
    for record in records:
        where = "%s %s %s" % (name, record["type"], record["headers"].get("WARC-Target-URI", ""))
        checks.true(where, "WARC version " + str(record["version"]), record["version"] in ("WARC/1.0", "WARC/1.1"))
        # Every conversion carries WARC-Block-Digest; the warcinfo may go without.
        checks.equal(where, "digest_ok", True, record["digest_ok"] or (record["digest_ok"] is None and
                                                                        record["type"] == "warcinfo"))
        checks.equal(where, "Content-Length", record["headers"].get("Content-Length"), str(record["length"]))
        checks.true(where, "WARC-Record-ID form", UUID.match(record["headers"].get("WARC-Record-ID", "")))
        checks.true(where, "WARC-Date form", DATE.match(record["headers"].get("WARC-Date", "")))
    for record in conversions:
        url = record["headers"].get("WARC-Target-URI")
        source = sources.get(url)
        if url not in texts or source is None:
            continue
        where = "%s %s" % (name, url)
        checks.equal(where, "WARC-Refers-To", source["headers"]["WARC-Record-ID"],
                     record["headers"].get("WARC-Refers-To"))
        checks.equal(where, "WARC-Date", source["headers"]["WARC-Date"], record["headers"].get("WARC-Date"))
        checks.equal(where, "Content-Type", "text/plain", record["headers"].get("Content-Type", "").split(";")[0])
        if texts[url] != record["payload"]:
            checks.failed.append("%s: %s" % (where, _first_difference(texts[url], record["payload"])))
        checks.count += 1


def check_jsonl(checks, name, data, pages, sources, texts, jq):
    lines = _lines(data)
    objects = []
    for number, line in enumerate(lines, 1):
        try:
            objects.append(json.loads(line))
        except ValueError as error:
            checks.failed.append("%s line %d: not JSON: %s" % (name, number, error))
    checks.same_list(name, "pages in order", [p["url"] for p in pages], [o.get("url") for o in objects])
    by_url = {o.get("url"): o for o in objects}
    for page, obj in ((p, by_url[p["url"]]) for p in pages if p["url"] in by_url):
        where = "%s %s" % (name, page["url"])
        checks.equal(where, "keys", ["charset", "date", "record_id", "text", "url"], sorted(obj))
        checks.equal(where, "record_id", sources[page["url"]]["headers"]["WARC-Record-ID"], obj.get("record_id"))
        checks.equal(where, "date", sources[page["url"]]["headers"]["WARC-Date"], obj.get("date"))
        if page["header_charset"]:
            checks.equal(where, "charset", page["header_charset"].lower(), str(obj.get("charset")).lower())
        if texts[page["url"]] != obj.get("text"):
            checks.failed.append("%s: %s" % (where, _first_difference(texts[page["url"]], str(obj.get("text")))))
        checks.count += 1
    if jq:
        result = run([jq, "-c", "."], stdin=None, input=data)
        checks.equal(name, "jq exit status", 0, result.returncode)
        checks.equal(name, "jq lines", len(lines), len(_lines(result.stdout)))


def install_reader(source, folder):
    """Puts read_warc.mjs and warcio (npm ci, from npm's cache first) into
    folder, once per package-lock.json; returns the script's path, or None
    without npm."""
    npm = shutil.which("npm")
    if not npm:
        return None
    os.makedirs(folder, exist_ok=True)
    for name in ("package.json", "package-lock.json", "read_warc.mjs"):
        shutil.copyfile(os.path.join(source, name), os.path.join(folder, name))
    lock = os.path.join(folder, "node_modules", ".package-lock.json")
    if not os.path.exists(os.path.join(folder, "node_modules", "warcio")) or \
            os.path.getmtime(lock) < os.path.getmtime(os.path.join(source, "package-lock.json")):
        for offline in (["--offline"], []):
            result = run([npm, "ci", "--no-audit", "--no-fund"] + offline, cwd=folder)
            if result.returncode == 0:
                break
        else:
            raise RuntimeError("npm ci failed:\n" + result.stderr.decode(errors="replace"))
    return os.path.join(folder, "read_warc.mjs")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tessark", required=True)
    parser.add_argument("--node", default=shutil.which("node"))
    parser.add_argument("--work", required=True, help="a folder for the run, emptied first; the reader is installed in WORK/../warcio")
    parser.add_argument("--site", default=crawl.DEFAULT_SITE)
    args = parser.parse_args()
    wget = shutil.which("wget")
    if not wget or not args.node or not os.path.exists(args.node):
        print("SKIP: wget or node is missing")
        return SKIP
    work = os.path.abspath(args.work)
    args.reader = install_reader(os.path.join(HERE, "..", "warcio"), os.path.join(os.path.dirname(work), "warcio"))
    if not args.reader:
        print("SKIP: npm is missing")
        return SKIP
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(args.work, "config-home"))
    archive, plain_archive, manifest_path = crawl.crawl(args.work, "crawl", args.site, True, wget)
    with open(manifest_path, encoding="utf-8") as f:
        manifest = json.load(f)
    checks = Checks()
    sources = check_source(checks, manifest, read_warc(args.node, args.reader, archive))
    plain_sources = check_source(checks, manifest, read_warc(args.node, args.reader, plain_archive))

    out = lambda name: os.path.join(args.work, name)  # noqa: E731
    first = run([args.tessark, "--warc", archive, "-o", out("out.wet.gz")], env=env)
    if first.returncode == 2 and b"warc" in first.stderr.lower() and not os.path.exists(out("out.wet.gz")):
        report(checks, "crawl and reader")
        print("SKIP: the program rejects --warc (%s)" % first.stderr.decode(errors="replace").strip().splitlines()[0])
        return 1 if checks.failed else SKIP
    pages = [u for u in manifest["urls"] if u["html"]]
    texts = expected_texts(args.tessark, pages, args.site, args.work, env)
    runs = [
        ("out.wet.gz", [archive, "-o", out("out.wet.gz")], first),
        ("out.wet", [plain_archive, "-o", out("out.wet")], None),
        ("out.jsonl", [archive, "--format", "jsonl", "-o", out("out.jsonl")], None),
        ("stdout jsonl", ["-", "--format", "jsonl"], None),
    ]
    for name, arguments, result in runs:
        if result is None and arguments[0] == "-":
            with open(archive, "rb") as source:
                result = run([args.tessark, "--warc"] + arguments, env=env, stdin=source)
        elif result is None:
            result = run([args.tessark, "--warc"] + arguments, env=env)
        checks.equal(name, "exit status (%s)" % result.stderr.decode(errors="replace").strip()[:300],
                     0, result.returncode)
        if result.returncode != 0:
            continue
        use_sources = plain_sources if name == "out.wet" else sources
        if name.startswith("out.wet"):
            records = read_warc(args.node, args.reader, out(name))
            check_wet(checks, name, records, pages, use_sources, texts)
            checks.equal(name, "gzip members", len(records) if name.endswith(".gz") else 0, gzip_members(out(name)))
            if not name.endswith(".gz"):
                # wget writes "<URL>", which warcio hides; the WET is to write the URL bare.
                with open(out(name), "rb") as f:
                    checks.true(name, "WARC-Target-URI without <>", b"\nWARC-Target-URI: <" not in f.read())
        else:
            data = result.stdout
            if not name.startswith("stdout"):
                with open(out(name), "rb") as f:
                    data = f.read()
            check_jsonl(checks, name, data, pages, sources, texts, shutil.which("jq"))
    return report(checks, "round trip")


def report(checks, what):
    for failure in checks.failed:
        print("FAIL " + failure)
    print("%s: %d checks, %d failed" % (what, checks.count, len(checks.failed)))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
