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

Every conversion releases the GIL: Python threads convert in parallel, and
to_text_many runs its own threads. tessark.dask converts Dask bags.
"""
from ._tessark import Converter, Error, __version__, to_text, to_text_many

__all__ = ["Converter", "Error", "__version__", "to_text", "to_text_many"]
