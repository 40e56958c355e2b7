#!/usr/bin/env python3
"""Writes the sample pages of the encoding tests: one page per case, in the
encoding the case is about, and beside it the text that the conversion with
every option on must give, in UTF-8 (name.expected.txt). Run it in this
folder; the pages are committed, so it is needed only to change them."""

RU = ("Привет, мир! Это страница на русском языке. Цена: 100&nbsp;руб. &copy; 2026",
      "Привет, мир! Это страница на русском языке. Цена: 100 руб. (c) 2026")
JA = ("こんにちは、世界。これは日本語のページです。価格は&nbsp;100円です。&copy;",
      "こんにちは、世界。これは日本語のページです。価格は 100円です。(c)")
FR = ("Café, crème brûlée et façade — 10 € &eacute;t&eacute;",
      "Café, crème brûlée et façade — 10 € été")
MIX = ("Grüße, Привет, 中文, emoji 😀 and &eacute; &ntilde; &copy;",
       "Grüße, Привет, 中文, emoji 😀 and é ñ (c)")


def page(head, body):
    return ("<!DOCTYPE html>\n<html><head>" + head + "\n<title>T</title>\n"
            "<style>p {color: red}</style></head>\n<body>\n<!-- a comment -->\n"
            "<p>" + body + "</p>\n<script>var x = 1;</script>\n</body></html>\n")


def write(name, data, expected):
    with open(name + ".html", "wb") as f:
        f.write(data)
    with open(name + ".expected.txt", "wb") as f:
        f.write(("T " + expected).encode("utf-8"))


write("utf-8-bom", b"\xef\xbb\xbf" + page("", MIX[0]).encode("utf-8"), MIX[1])
write("utf-8", page("", MIX[0]).encode("utf-8"), MIX[1])
write("utf-16le-bom", b"\xff\xfe" + page("", MIX[0]).encode("utf-16-le"), MIX[1])
write("utf-16be-bom", b"\xfe\xff" + page("", MIX[0]).encode("utf-16-be"), MIX[1])
write("windows-1251-meta", page('<meta charset="windows-1251">', RU[0]).encode("cp1251"), RU[1])
write("shift_jis-meta", page("<meta charset=Shift_JIS>", JA[0]).encode("shift_jis"), JA[1])
write("windows-1252-as-iso-8859-1",
      page('<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">', FR[0]).encode("cp1252"),
      FR[1])

# No declaration and not UTF-8: long enough for the statistical guess.
LONG_RU = ("Москва — столица России, город федерального значения, административный центр "
           "Центрального федерального округа и центр Московской области, в состав которой не входит. "
           "Крупнейший по численности населения город России и её субъект, самый населённый из городов, "
           "полностью расположенных в Европе, занимает первое место в Европе по площади. "
           "Центр Московской городской агломерации. Историческая столица Великого княжества Московского, "
           "Русского царства, Российской империи, Советской России и СССР. Город-герой. ")
write("windows-1251-undeclared", page("", LONG_RU).encode("cp1251"), LONG_RU.strip())

# Declared UTF-8, written in windows-1252: the declaration is taken, and
# what is not UTF-8 becomes U+FFFD.
write("wrong-declaration", page("<meta charset=utf-8>", FR[0]).encode("cp1252"),
      FR[1].replace("é", "\ufffd").replace("è", "\ufffd").replace("û", "\ufffd").replace("ç", "\ufffd")
      .replace("—", "\ufffd").replace("€", "\ufffd").replace("\ufffdt\ufffd", "été"))
