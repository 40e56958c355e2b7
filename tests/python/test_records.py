"""Web archives and JSON Lines from Python against the program: warc_pages
from a path or a file object gives the pages `tessark --warc --format jsonl`
writes, its problems as the program tells them; convert_jsonl and
convert_json_line give the lines `tessark --jsonl` writes. The keywords are
those of to_text (test_module); the options' effect on archives is
test_records_api's."""
import gzip
import io
import json
import os
import subprocess

import pytest

import tessark


def response(url, header, body):
    block = b"HTTP/1.1 200 OK\r\n" + header + b"\r\n" + body
    return (f"WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: {url}\r\nWARC-Date: 2024-05-01T10:00:00Z\r\n"
            f"WARC-Record-ID: <urn:uuid:{url}>\r\nContent-Length: {len(block)}\r\n\r\n").encode() + block + b"\r\n\r\n"


ARCHIVE = b"".join([
    gzip.compress(response("http://utf8/", b"Content-Type: text/html; charset=utf-8\r\n",
                           "<h1>Café</h1><p>See <a href=/h>the hours</a> <img alt=cup src=c.png></p>".encode())),
    gzip.compress(response("http://image/", b"Content-Type: image/png\r\n", b"\x89PNG")),
    b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03not deflate at all",
    gzip.compress(response("http://undeclared/", b"Content-Type: text/html\r\n",
                           b"<p>" + "Привет, мир".encode("windows-1251") + b"</p>")),
    gzip.compress(response("http://brotli/", b"Content-Type: text/html\r\nContent-Encoding: br\r\n", b"\x1b\x02")),
    gzip.compress(response("http://latin1/", b"Content-Type: text/html; charset=iso-8859-1\r\n", b"<p>cr\xe8me</p>")),
])


def run(program, args, tmp_path, input=None):
    env = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path / "config"))
    return subprocess.run([program, *args], env=env, input=input, capture_output=True)


class Trickle(io.RawIOBase):
    """A file object that reads at most five bytes at a time."""

    def __init__(self, data):
        self.data = io.BytesIO(data)

    def read(self, n=-1):
        return self.data.read(min(n, 5))


def test_warc_pages_are_the_programs(program, tmp_path):
    path = tmp_path / "crawl.warc.gz"
    path.write_bytes(ARCHIVE)
    flags = ["--classic", "--encoding", "windows-1251"]
    done = run(program, ["--warc", "--format", "jsonl", *flags, str(path)], tmp_path)
    expected = [json.loads(line) for line in done.stdout.splitlines()]
    for source in (str(path), path, Trickle(ARCHIVE)):
        pages = tessark.warc_pages(source, readable=False, encoding="windows-1251")
        got = [{"url": p.url, "date": p.date, "record_id": p.record_id, "charset": p.charset, "text": p.text}
               for p in pages]
        assert len(got) == 3 and got == expected
        # the problems as the program tells them, none raised
        assert len(pages.problems) == 2
        for offset, message in pages.problems:
            assert f"offset {offset}: {message}" in done.stderr.decode()
        assert pages.counts["pages"] == 3 and pages.counts["not_html"] == 1


def test_a_page_unpacks_to_url_and_text():
    url, text = next(tessark.warc_pages(io.BytesIO(ARCHIVE)))
    assert (url, text) == ("http://utf8/", "Café\n\nSee the hours cup\n")


def raise_oserror(n):
    raise OSError("unplugged")


@pytest.mark.parametrize("source,error", [
    ("no-such.warc.gz", tessark.Error),
    (".", tessark.Error),
    (42, TypeError),
    (io.StringIO("WARC/1.0"), TypeError),
    (type("Broken", (), {"read": staticmethod(raise_oserror)})(), OSError),
], ids=["missing", "a folder", "not a source", "text file", "read raises"])
def test_what_cannot_be_read_raises(source, error, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(error):
        list(tessark.warc_pages(source))


LINES = ['{"id":1,"html":"<p>Caf\\u00e9 &amp; <b>tea</b></p>","n":[1, 2]}',
         '{"text":"old","html":"<p>a<br>b</p>","error":"x"}',
         "   ",
         "not json",
         '{"id":2}',
         '{"page":"<p>other</p>","html":"<p>x</p>"}']


@pytest.mark.parametrize("keywords,flags", [
    ({}, ["--readable"]),
    ({"html_field": "page", "text_field": "body", "readable": False},
     ["--classic", "--html-field", "page", "--text-field", "body"]),
], ids=repr)
def test_json_lines_are_the_programs(keywords, flags, program, tmp_path):
    data = "\r\n".join(LINES).encode()
    done = run(program, ["--jsonl", *flags, "-"], tmp_path, input=data)
    expected = done.stdout.decode()
    assert "".join(tessark.convert_jsonl(LINES, **keywords)) == expected
    assert "".join(tessark.convert_jsonl(io.BytesIO(data), **keywords)) == expected
    assert "".join(tessark.convert_jsonl(io.StringIO(data.decode()), **keywords)) == expected
    one_by_one = [tessark.convert_json_line(line.encode(), **keywords) for line in LINES]
    assert "".join(line + "\n" for line in one_by_one if line) == expected
    converted = tessark.convert_jsonl(LINES, **keywords)
    list(converted)
    assert converted.errors == done.stderr.count(b"\n") > 0
