"""The module tessark against the program: every keyword gives the text the
command line gives with the matching flag, streaming gives the whole text,
to_text_many a loop's texts, and conversions run without the GIL."""
import os
import subprocess
import threading
import time

import pytest

import tessark
from conftest import corpus_pages

# A page on which every option changes the text.
PAGE = (b'<html><head><meta charset="windows-1252"><title>T</title></head><body><!-- a > b -->'
        b'<h1>Caf\xe9 &amp; Tea &rsquo;</h1><p>See <a href="/hours">the hours</a> and <img src="c.png" alt="a cup">.</p>'
        b'<script>var x;</script><style>p{}</style><ul><li>one</li><li>two</li></ul>\r\n'
        b'<p>Words that wrap when the width is small | pipe {brace}\tTab   spaces</p>\r\n\r\n\r\n<p>End</p></body></html>')

CLASSIC_FLAGS = ("remove_comments", "remove_scripts", "remove_styles", "remove_functions", "remove_pipe",
                 "remove_tabs", "generate_special_chars", "remove_all_tags", "remove_all_crlf", "remove_spaces",
                 "remove_blank_lines", "decode_all_references")
CLASSIC_DEFAULTS = {name: name != "decode_all_references" for name in CLASSIC_FLAGS}


def command_line(options):
    """The command line's flags for the keywords."""
    args = ["--encoding", options.get("encoding", "auto")]
    if not options.get("readable", True):
        classic = {**CLASSIC_DEFAULTS, **{k: v for k, v in options.items() if k in CLASSIC_DEFAULTS}}
        args += ["--none"] + ["--" + name.replace("_", "-") for name, on in classic.items() if on]
        return args + (["--crlf"] if options.get("classic_line_ends") else [])
    args += ["--readable", "--links=" + options.get("links", "none"), "--width", str(options.get("width", 0)),
             "--alt-text" if options.get("alt_text", True) else "--no-alt-text"]
    args += ["--base-url", options["base_url"]] if options.get("base_url") else []
    return args + (["--crlf"] if options.get("crlf") else [])


def program_text(program, path, options, tmp_path):
    env = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path / "config"))
    out = subprocess.run([program, "-q", *command_line(options), "--", str(path)], env=env, check=True,
                         capture_output=True).stdout
    return out


KEYWORD_ROWS = [
    {"encoding": "utf-8"},
    {"encoding": "koi8-r"},
    {"links": "inline"},
    {"links": "list"},
    {"links": "inline", "base_url": "https://example.org/a/"},
    {"alt_text": False},
    {"width": 12},
    {"crlf": True},
    *({"readable": False, name: not on} for name, on in CLASSIC_DEFAULTS.items() if name != "remove_blank_lines"),
    {"readable": False, "remove_all_crlf": False, "remove_blank_lines": False},
    {"readable": False, "classic_line_ends": True},
    {"readable": False, "encoding": "utf-8"},
]


@pytest.mark.parametrize("options", [{}, {"readable": False}] + KEYWORD_ROWS, ids=repr)
def test_every_keyword_gives_the_command_lines_text(options, program, tmp_path):
    page = tmp_path / "page.html"
    page.write_bytes(PAGE)
    text = tessark.to_text(PAGE, **options)
    # bytes that are not UTF-8 (the classic engine's with "utf-8") come as surrogate escapes
    assert text.encode("utf-8", "surrogateescape") == program_text(program, page, options, tmp_path)
    if len(options) > 1 or (options and "readable" not in options):
        # the row's last keyword acts: without it the text differs
        without = dict(list(options.items())[:-1])
        assert text != tessark.to_text(PAGE, **without)


@pytest.mark.parametrize("readable", [True, False])
def test_a_str_is_text_and_the_encoding_does_not_apply(readable):
    page = "<p>Caf\u00e9 \u20ac \U0001F600</p>"
    as_bytes = tessark.to_text(page.encode("utf-8"), readable=readable, encoding="utf-8")
    for encoding in ("auto", "windows-1252", "shift_jis"):
        assert tessark.to_text(page, readable=readable, encoding=encoding) == as_bytes
    assert "Caf\u00e9 \u20ac \U0001F600" in as_bytes
    assert tessark.Converter(readable=readable, encoding="windows-1252").convert(page) == as_bytes
    assert tessark.to_text(bytearray(page.encode()), encoding="utf-8") == tessark.to_text(page)
    assert tessark.to_text(memoryview(page.encode()), encoding="utf-8") == tessark.to_text(page)


def test_the_classic_windows_1252_bytes_come_back_as_their_characters():
    # every byte 0x80 to 0xFF, as the web reads windows-1252 (0x81 stays U+0081)
    page = bytes(range(0x80, 0x100))
    text = tessark.to_text(page, readable=False, encoding="windows-1252", remove_spaces=False)
    assert text[:4] == "\u20ac\x81\u201a\u0192"
    assert text.endswith("\u00fe\u00ff\n") and len(text) == 129


@pytest.mark.parametrize("chunk", [1, 3, 7, 4096])
@pytest.mark.parametrize("options", [{}, {"links": "list", "width": 30, "crlf": True}, {"readable": False}], ids=repr)
def test_streaming_gives_the_whole_text(chunk, options):
    converter = tessark.Converter(**options)
    pages = [PAGE] + [p.read_bytes() for p in corpus_pages(3 if chunk < 100 else 12)]
    for page in pages:  # one converter, page after page
        whole = "".join(converter.feed(page[i:i + chunk]) for i in range(0, len(page), chunk)) + converter.finish()
        assert whole == converter.convert(page) == tessark.to_text(page, **options)


@pytest.mark.parametrize("options", [{"encoding": "utf-8"}, {"readable": False, "encoding": "utf-8"},
                                     {"readable": False, "encoding": "windows-1252"}], ids=repr)
def test_text_leaves_as_the_page_arrives(options):
    """A large page's text leaves piece by piece, in whole characters."""
    page = b"<p>" + "caf\u00e9 \u20ac \U0001F600 <b>x</b> ".encode() * 300000
    converter = tessark.Converter(**options)
    pieces = [converter.feed(page[i:i + 65536]) for i in range(0, len(page), 65536)]
    pieces.append(converter.finish())
    assert sum(1 for p in pieces if p) > 10
    assert "".join(pieces) == tessark.to_text(page, **options)


def test_the_streamed_encoding_and_its_reason():
    converter = tessark.Converter()
    converter.feed(PAGE)
    converter.finish()
    assert (converter.encoding_used, converter.encoding_reason) == ("windows-1252", "meta")


@pytest.mark.parametrize("options, error", [
    ({"links": "all"}, ValueError),
    ({"width": -1}, ValueError),
    ({"width": "3"}, TypeError),
    ({"width": True}, TypeError),
    ({"crlf": 1}, TypeError),
    ({"encoding": b"utf-8"}, TypeError),
    ({"remove_tabs": None}, TypeError),
    ({"remove_tab": False}, TypeError),
    ({"encoding": "no-such-charset"}, tessark.Error),
], ids=repr)
def test_bad_keywords(options, error):
    for call in (lambda: tessark.to_text(b"x", **options), lambda: tessark.Converter(**options),
                 lambda: tessark.to_text_many([b"x"], **options)):
        with pytest.raises(error) as caught:
            call()
        if error is tessark.Error:
            assert caught.value.number == 5 and isinstance(caught.value, ValueError)


@pytest.mark.parametrize("call", [
    lambda: tessark.to_text(3),
    lambda: tessark.to_text_many([b"x", None]),
    lambda: tessark.Converter().feed("text is not a piece of bytes"),
    lambda: tessark.to_text_many([b"x"], threads=-1),
])
def test_bad_pages_and_arguments(call):
    with pytest.raises((TypeError, ValueError)):
        call()


@pytest.mark.parametrize("threads", [1, 2, 3, 0])
@pytest.mark.parametrize("options", [{}, {"readable": False, "encoding": "windows-1252"}], ids=repr)
def test_to_text_many_gives_a_loops_texts(threads, options):
    pages = [p.read_bytes() for p in corpus_pages(20)]
    pages += [pages[0].decode("utf-8", "replace"), b"", PAGE, bytearray(b"<b>x</b> y"), memoryview(PAGE)]
    assert tessark.to_text_many(pages, threads=threads, **options) == [tessark.to_text(p, **options) for p in pages]


def big_page():
    return b"<p>" + b"<b>word</b> &amp; <i>words</i> " * 400000


def stream(converter, page):
    converter.feed(page)
    converter.finish()


@pytest.mark.parametrize("convert", [
    tessark.to_text,
    tessark.Converter().convert,
    lambda page: stream(tessark.Converter(), page),
], ids=["to_text", "convert", "feed"])
def test_conversions_release_the_gil(convert):
    """A Python thread keeps running while another converts: it counts its
    turns (each one waits without the GIL) during one conversion."""
    page, state = big_page(), {"inside": False, "turns": 0, "done": False}

    def monitor():
        while not state["done"]:
            if state["inside"]:
                state["turns"] += 1
            time.sleep(0.0005)

    watcher = threading.Thread(target=monitor)
    watcher.start()
    best = 0
    try:
        for _ in range(50):
            before = state["turns"]
            state["inside"] = True
            convert(page)
            state["inside"] = False
            best = max(best, state["turns"] - before)
            if best >= 30:
                break
    finally:
        state["done"] = True
        watcher.join()
    # holding the GIL, a call lets the monitor in only at its ends (a few
    # turns); without it, for as long as the call lasts (a hundred or more)
    assert best >= 30


def test_to_text_many_runs_its_threads_without_the_gil():
    """While to_text_many converts, a Python thread sees the worker threads
    it started (the process's threads, counted in /proc)."""
    pages, state = [big_page()] * 8, {"most": 0, "done": False}
    base = len(os.listdir("/proc/self/task"))

    def monitor():
        while not state["done"]:
            state["most"] = max(state["most"], len(os.listdir("/proc/self/task")))
            time.sleep(0.0005)

    watcher = threading.Thread(target=monitor)
    watcher.start()
    try:
        for _ in range(20):
            tessark.to_text_many(pages, threads=3)
            if state["most"] >= base + 1 + 2:
                break
    finally:
        state["done"] = True
        watcher.join()
    assert state["most"] >= base + 1 + 2  # the monitor, and two threads beside the caller


def test_the_corpus_gives_the_command_lines_readable_text(program, tmp_path):
    pages = corpus_pages()
    env = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path / "config"))
    subprocess.run([program, "-q", "--readable", "-d", str(tmp_path / "out"), *map(str, pages)], env=env, check=True)
    texts = tessark.to_text_many([p.read_bytes() for p in pages], readable=True)
    for path, text in zip(pages, texts):
        assert text.encode("utf-8") == (tmp_path / "out" / (path.stem + ".txt")).read_bytes(), path.name
