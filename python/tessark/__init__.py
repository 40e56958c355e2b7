"""Tessark for Python: HTML pages into plain text, as the program converts them.

    import tessark
    text = tessark.to_text(page_bytes)                      # readable text, encoding "auto"
    text = tessark.to_text("<p>Caf&eacute;</p>", links="list")
    texts = tessark.to_text_many(pages, threads=4)

The options, the same keywords everywhere (to_text, to_text_many, Converter):

    readable=True      the readable-text engine; False: the classic conversion
    encoding="auto"    how page bytes are read ("auto", "utf-8", "windows-1252",
                       any charset label); a str page is already text
    Readable text:
    links="none"       "none" (a link's text), "inline" ("text [URL]"),
                       "list" ("text[1]", the numbered URLs after the text)
    alt_text=True      an image's alt text in its place
    base_url=""        links resolved against it (a page's <base href> first)
    width=0            wrap paragraphs at this many columns; 0: no wrapping
    crlf=False         lines end in CR LF
    The classic conversion (each a bool, as the program's option of that name):
    remove_comments, remove_scripts, remove_styles, remove_functions,
    remove_pipe, remove_tabs, generate_special_chars, remove_all_tags,
    remove_all_crlf, remove_spaces, remove_blank_lines (all True by default),
    decode_all_references (False), classic_line_ends (False: lines end in LF;
    True: CR LF and no line end after the last line, as the program writes).

An option of the other engine is accepted and does nothing. An unknown
keyword is a TypeError, a value of the wrong type a TypeError, a bad value
a ValueError; a failure of the conversion (an unknown encoding, exhausted
memory) is a tessark.Error, a ValueError whose .number is the error's number.

Texts are str. With readable=False and encoding="windows-1252" the classic
bytes come as the characters they stand for (as the web reads
windows-1252); a byte that is not UTF-8 (the classic conversion passes a
page's bytes through with "utf-8") comes as a surrogate escape, so that
text.encode("utf-8", "surrogateescape") gives the program's bytes.

Web archives and JSON Lines, as `tessark --warc` and `tessark --jsonl`
make them (the same options; readable text unless readable=False):

    for page in tessark.warc_pages("crawl.warc.gz"):    # a path or a binary file
        print(page.url, page.date, page.record_id, page.charset, page.offset)
        url, text = page
    pages = tessark.warc_pages(open("crawl.warc.gz", "rb"), encoding="windows-1251")
    list(pages); pages.problems; pages.counts         # [(offset, message)], {"pages": ...}

    with open("in.jsonl", "rb") as f, open("out.jsonl", "w") as out:
        out.writelines(tessark.convert_jsonl(f, html_field="html", text_field="text"))
    line = tessark.convert_json_line('{"html": "<p>a</p>"}')

For an archive, encoding is for the pages whose HTTP header declares no
charset. Damaged records and pages that cannot be converted do not raise:
they are skipped and gather in the iterator's .problems list, (offset,
message) in order, while reading goes on; a path that cannot be opened or
read raises tessark.Error (.number 53 or 75), and what a file object's
read raises comes out of the iteration. Each JSON line comes out as the
program writes it, ending in "\n", a line that cannot be converted with
an "error" field (never raised); blank lines give none.

Every conversion releases the GIL: Python threads convert in parallel, and
to_text_many runs its own threads; warc_pages reads and converts without
it (a file object's read takes it back). tessark.dask converts Dask bags,
and the pages of archives (tessark.dask.archive_pages).
"""
from ._tessark import (ArchivePage, Converter, Error, JsonLines, WarcPages, __version__, convert_json_line,
                       convert_jsonl, to_text, to_text_many, warc_pages)

__all__ = ["ArchivePage", "Converter", "Error", "JsonLines", "WarcPages", "__version__", "convert_json_line",
           "convert_jsonl", "to_text", "to_text_many", "warc_pages"]
