#!/usr/bin/python3
"""Makes a web archive the way a real crawler does, for the record-stream tests.

Serves the pages of a folder from an HTTP server on 127.0.0.1 (a free port, in
a thread of this process), fetches them with wget into NAME.warc.gz (wget
compresses each record on its own) and, with --uncompressed, once more into
NAME.warc, and
writes NAME.manifest.json beside it: for every URL, the file it came from, the
Content-Type sent, the charset that header declared, the Content-Encoding and
transfer coding the server chose on its own, the status, and whether the
response is an HTML page that a conversion should turn into text.

The folder's plan.json says how each file is served (see site/plan.json); a
folder without one gets a plan made up here: its files in name order, HTML
rotating through the codings, a redirect and a 404 added. URLs are fetched in
the plan's order, one at a time, so the archive's records come in that order.

Standard library only; run with Debian's /usr/bin/python3. The server runs for
the length of crawl() and is stopped before it returns; one crawl at a time per
call (each has its own server), nothing shared between calls.
"""

import argparse
import gzip
import http.server
import json
import mimetypes
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SITE = os.path.join(HERE, "site")
# Pages the plan names that are not in the site folder come from the corpus.
CORPUS = os.path.normpath(os.path.join(HERE, "..", "..", "data", "corpus"))
CHUNK = 4000  # bytes of body per chunk when the answer is chunked


def _charset_of(content_type):
    """The charset parameter of a Content-Type value, unquoted, or None."""
    if not content_type:
        return None
    for part in content_type.split(";")[1:]:
        name, _, value = part.strip().partition("=")
        if name.strip().lower() == "charset":
            return value.strip().strip('"').strip("'") or None
    return None


def _made_up_plan(folder):
    """A plan for a folder that has no plan.json."""
    codings = [("identity", False), ("gzip", False), ("identity", True),
               ("gzip", True), ("deflate", False)]
    pages = []
    html_seen = 0
    for name in sorted(os.listdir(folder)):
        if not os.path.isfile(os.path.join(folder, name)) or name == "plan.json":
            continue
        kind = mimetypes.guess_type(name)[0] or "application/octet-stream"
        encoding, chunked = "identity", False
        if kind == "text/html":
            encoding, chunked = codings[html_seen % len(codings)]
            html_seen += 1
        pages.append({"path": "/" + name, "type": kind, "encoding": encoding, "chunked": chunked})
    html = [p for p in pages if p["type"] == "text/html"]
    if html:
        pages.append({"path": "/moved", "redirect": html[0]["path"]})
    pages.append({"path": "/missing.html", "status": 404})
    return pages


def load_plan(folder):
    """The plan's entries, completed: every entry has status, type, encoding,
    chunked and (for files) file."""
    path = os.path.join(folder, "plan.json")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            pages = json.load(f)["pages"]
    else:
        pages = _made_up_plan(folder)
    plan = []
    for entry in pages:
        entry = dict(entry)
        if "redirect" in entry:
            entry.setdefault("status", 301)
        entry.setdefault("status", 200)
        entry.setdefault("encoding", "identity")
        entry.setdefault("chunked", False)
        if entry["status"] == 200:
            entry["file"] = entry.get("file", entry["path"].lstrip("/"))
            if not os.path.exists(os.path.join(folder, entry["file"])):
                entry["file"] = os.path.join(CORPUS, entry["file"])
            entry.setdefault("type", mimetypes.guess_type(entry["file"])[0])
        else:
            entry.setdefault("type", "text/html; charset=utf-8")
        plan.append(entry)
    return plan


def _encode(body, encoding):
    if encoding == "gzip":
        return gzip.compress(body, compresslevel=6, mtime=0)
    if encoding == "deflate":
        return zlib.compress(body, 6)  # zlib format, as HTTP's "deflate" means
    return body


def _handler_for(folder, plan):
    by_path = {entry["path"]: entry for entry in plan}

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        server_version = "TestServer/1.0"
        sys_version = ""

        def log_message(self, *args):
            pass

        def do_GET(self):
            entry = by_path.get(self.path.split("?")[0])
            if entry is None:
                entry = {"status": 404, "type": "text/html; charset=utf-8",
                         "encoding": "identity", "chunked": False}
            status = entry["status"]
            if status == 200:
                with open(os.path.join(folder, entry["file"]), "rb") as f:
                    body = f.read()
            elif "redirect" in entry:
                body = b"<html><body>Moved.</body></html>\n"
            else:
                body = b"<html><body><h1>Not Found</h1></body></html>\n"
            body = _encode(body, entry["encoding"])
            self.send_response(status)
            if entry.get("type"):
                self.send_header("Content-Type", entry["type"])
            if "redirect" in entry:
                self.send_header("Location", entry["redirect"])
            if entry["encoding"] != "identity":
                self.send_header("Content-Encoding", entry["encoding"])
            if entry["chunked"]:
                self.send_header("Transfer-Encoding", "chunked")
            else:
                self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if not entry["chunked"]:
                self.wfile.write(body)
                return
            for start in range(0, len(body), CHUNK):
                piece = body[start:start + CHUNK]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")

    return Handler


def _wget(wget, urls, downloads, stem, compressed):
    command = [wget, "--no-verbose", "--no-proxy", "--tries=1", "--timeout=20",
               "--no-directories", "--directory-prefix", downloads, "--input-file", urls,
               "--warc-file", stem, "--no-warc-keep-log", "--warc-cdx=off"]
    if not compressed:
        command.append("--no-warc-compression")
    result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    # 8: the server answered an error (the planned 404); anything else is a failure.
    if result.returncode not in (0, 8):
        raise RuntimeError("wget failed (%d):\n%s" % (result.returncode, result.stderr))


def crawl(out_dir, name="crawl", site=DEFAULT_SITE, uncompressed=False, wget="wget"):
    """Crawls `site` into out_dir/NAME.warc.gz and, when asked, a second time
    from the same server into out_dir/NAME.warc; returns the paths
    (archive, uncompressed archive or None, manifest)."""
    plan = load_plan(site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _handler_for(site, plan))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    base = "http://127.0.0.1:%d" % server.server_address[1]
    targets = {entry["redirect"] for entry in plan if "redirect" in entry}
    os.makedirs(out_dir, exist_ok=True)
    stem = os.path.join(out_dir, name)
    downloads = tempfile.mkdtemp(prefix="crawl-", dir=out_dir)
    try:
        urls = os.path.join(downloads, "urls.txt")
        with open(urls, "w") as f:
            for entry in plan:
                if entry["path"] not in targets:
                    f.write(base + entry["path"] + "\n")
        _wget(wget, urls, downloads, stem, True)
        if uncompressed:
            _wget(wget, urls, downloads, stem, False)
    finally:
        server.shutdown()
        server.server_close()
        thread.join()
        shutil.rmtree(downloads, ignore_errors=True)
    manifest = stem + ".manifest.json"
    with open(manifest, "w", encoding="utf-8") as f:
        json.dump({"archive": name + ".warc.gz", "site": os.path.abspath(site),
                   "urls": [_manifest_entry(base, entry) for entry in plan]}, f, indent=1)
    return stem + ".warc.gz", stem + ".warc" if uncompressed else None, manifest


def _manifest_entry(base, entry):
    content_type = entry.get("type")
    mime = (content_type or "").split(";")[0].strip().lower()
    return {
        "url": base + entry["path"],
        "file": entry.get("file"),
        "status": entry["status"],
        "content_type": content_type,
        "header_charset": _charset_of(content_type),
        "content_encoding": entry["encoding"],
        "transfer_encoding": "chunked" if entry["chunked"] else "identity",
        "redirect": entry.get("redirect") and base + entry["redirect"],
        # An HTML page: a 200 that says text/html, or says nothing and is sniffed.
        "html": entry["status"] == 200 and (mime == "text/html" or
                                            (content_type is None and entry["file"].endswith((".html", ".htm")))),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out_dir")
    parser.add_argument("--name", default="crawl")
    parser.add_argument("--site", default=DEFAULT_SITE)
    parser.add_argument("--uncompressed", action="store_true", help="also write NAME.warc")
    parser.add_argument("--wget", default="wget")
    args = parser.parse_args()
    for path in crawl(args.out_dir, args.name, args.site, args.uncompressed, args.wget):
        if path:
            print(path)


if __name__ == "__main__":
    sys.exit(main())
