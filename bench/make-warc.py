#!/usr/bin/env python3
"""Writes a web archive of HTML pages for the archive benchmarks: each page
of the given folders as an HTTP response record (with a request record before
it, as crawlers write them), repeated until the archive holds at least SIZE
megabytes of records, gzip-compressed record by record (as .warc.gz files
are) unless the name does not end in .gz.

  make-warc.py OUT.warc.gz SIZE_MB FOLDER...
"""
import gzip
import os
import sys
import uuid


def record(kind, uri, block, content_type):
    header = (
        "WARC/1.1\r\n"
        f"WARC-Type: {kind}\r\n"
        f"WARC-Target-URI: {uri}\r\n"
        "WARC-Date: 2026-12-01T12:00:00Z\r\n"
        f"WARC-Record-ID: <urn:uuid:{uuid.uuid4()}>\r\n"
        f"Content-Type: {content_type}\r\n"
        f"Content-Length: {len(block)}\r\n\r\n"
    ).encode()
    return header + block + b"\r\n\r\n"


def main():
    out, size_mb, folders = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    pages = []
    for folder in folders:
        for name in sorted(os.listdir(folder)):
            if name.endswith((".html", ".htm")):
                with open(os.path.join(folder, name), "rb") as f:
                    pages.append((name, f.read()))
    compress = out.endswith(".gz")
    written = 0
    round_ = 0
    with open(out, "wb") as f:
        while written < size_mb << 20:
            for name, html in pages:
                uri = f"http://example.test/{round_}/{name}"
                request = f"GET /{round_}/{name} HTTP/1.1\r\nHost: example.test\r\n\r\n".encode()
                response = (
                    b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                    + f"Content-Length: {len(html)}\r\n\r\n".encode()
                    + html
                )
                for block in (record("request", uri, request, "application/http; msgtype=request"),
                              record("response", uri, response, "application/http; msgtype=response")):
                    f.write(gzip.compress(block, 6) if compress else block)
                    written += len(block)
            round_ += 1
    print(f"{out}: {written >> 20} MB of records, {round_} rounds of {len(pages)} pages", file=sys.stderr)


if __name__ == "__main__":
    main()
