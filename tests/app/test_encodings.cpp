// Text encodings: charset labels, the detection chain for "auto" step by
// step, the conversion of a page in each setting or named charset
// (ConvertOne, what was used and why), and the Windows-1252 code page of the
// classic byte path. Real pages under "auto" are the differential test's
// (the UTF-8 path against the 16-bit engine) and the library's (the whole
// page against the program's stream).
#include "AnsiCodePage.h"
#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "SpecialCharTable.h"

using namespace tessark;
using namespace tessark::TextEncoding;

class TestEncodings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every encoding of the label table decodes, but for the one ICU lacks.
    void everyEncodingDecodes() {
        for (const char* label : {"utf-8", "ibm866", "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5",
                                  "iso-8859-6", "iso-8859-7", "iso-8859-8", "iso-8859-8-i", "iso-8859-10",
                                  "iso-8859-13", "iso-8859-14", "iso-8859-15", "koi8-r", "koi8-u", "macintosh",
                                  "windows-874", "windows-1250", "windows-1251", "windows-1252", "windows-1253",
                                  "windows-1254", "windows-1255", "windows-1256", "windows-1257", "windows-1258",
                                  "x-mac-cyrillic", "gbk", "gb18030", "big5", "euc-jp", "iso-2022-jp", "shift_jis",
                                  "euc-kr", "replacement", "utf-16be", "utf-16le", "x-user-defined"}) {
            const QString encoding = EncodingForLabel(QString::fromLatin1(label));
            QVERIFY2(CanDecode(encoding) && !Decode(QByteArrayView("ab"), encoding).empty(), label);
        }
        QVERIFY(!CanDecode(QStringLiteral("ISO-8859-16")));
        QCOMPARE(EncodeUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), QByteArray("\xEF\xBF\xBDx"));
    }

    // The chain for "auto": a byte-order mark, else a <meta> charset in the
    // first 1,024 bytes (the HTML prescan), else well-formed UTF-8, else a
    // confident guess, else windows-1252.
    void detection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const QByteArray& bytes, const char* encoding, const char* reason) {
            QTest::newRow(name) << bytes << encoding << reason;
        };
        row("UTF-8 BOM", "\xEF\xBB\xBF<meta charset=koi8-r>", "UTF-8", "bom");
        row("UTF-16BE BOM", QByteArray("\xFE\xFF\0x", 4), "UTF-16BE", "bom");
        row("UTF-16LE BOM", QByteArray("\xFF\xFEx\0", 4), "UTF-16LE", "bom");
        row("BOM cut short", "\xEF\xBB", "windows-1252", "default");
        row("charset", "<meta charset=\"windows-1251\">", "windows-1251", "meta");
        row("unquoted, upper case", "<META CHARSET=SJIS>", "Shift_JIS", "meta");
        row("single quotes, slash", "<meta/charset='koi8-r'/>", "KOI8-R", "meta");
        row("http-equiv", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
            "windows-1252", "meta");
        row("content first", "<meta content='text/html;charset = \"gb2312\"' http-equiv=content-type>", "GBK", "meta");
        row("content without the pragma", "<meta content=\"text/html; charset=koi8-r\">", "UTF-8", "valid utf-8");
        row("first charset wins", "<meta charset=utf-8 charset=koi8-r>", "UTF-8", "meta");
        row("repeated attribute", "<meta http-equiv=x http-equiv=content-type content='charset=koi8-r'>", "UTF-8",
            "valid utf-8");
        row("unknown label, next meta", "<meta charset=foo><meta charset=big5>", "Big5", "meta");
        row("UTF-16 declared", "<meta charset=utf-16le>", "UTF-8", "meta");
        row("x-user-defined", "<meta charset=x-user-defined>", "windows-1252", "meta");
        row("inside a comment", "<!-- <meta charset=koi8-r> --><p>", "UTF-8", "valid utf-8");
        row("after a short comment", "<!--><meta charset=koi8-r>", "KOI8-R", "meta");
        row("inside an attribute", "<p title=\"<meta charset=koi8-r>\">", "UTF-8", "valid utf-8");
        row("after a doctype", "<!DOCTYPE html><html lang=ru><meta charset=cp1251>", "windows-1251", "meta");
        row("metadata", "<metadata charset=koi8-r>", "UTF-8", "valid utf-8");
        row("beyond 1024 bytes", QByteArray(1020, ' ') + "<meta charset=koi8-r>", "UTF-8", "valid utf-8");
        row("cut off", "<meta charset=\"koi8-r", "UTF-8", "valid utf-8");
        row("undecodable", "<meta charset=iso-8859-16>caf\xC3\xA9", "UTF-8", "valid utf-8");
        row("empty", "", "UTF-8", "valid utf-8");
        row("2, 3, 4 bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "UTF-8", "valid utf-8");
        for (const char* bad : {"a\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "aaaaaaaaaaaaaaaaaaaa\xE2\x82", "caf\xE9 cr\xE8me"})
            row(bad, bad, "windows-1252", "default");
        QFile sample(QStringLiteral(TESSARK_TEST_DATA "/encodings/windows-1251-undeclared.html"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        row("guessed", sample.readAll(), "windows-1251", "guess");
    }
    void detection() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QString, reason);
        const Detection d = Detect(bytes);
        QCOMPARE(d.encoding + " " + ReasonText(d.reason), encoding + " " + reason);
    }

    // A page in each setting and named charset, the classic options on or
    // readable text (its layout's line ends whatever the classic ones, UTF-8
    // out): the output bytes, the encoding used and why, or the failure.
    void conversions_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");  // or the failure
        QTest::addColumn<QString>("used");
        QTest::addColumn<int>("route");  // 0 classic, 1 readable, 2 readable with CR LF lines
        const auto row = [](const char* name, const char* encoding, const QByteArray& input, const QByteArray& output,
                            const char* used, int route = 0) { QTest::newRow(name) << encoding << input << output << used << route; };
        const QByteArray page = "\xEF\xBB\xBF<p>caf&eacute; \xE2\x82\xAC 10 &copy;</p>";
        row("classic: bytes as they are", "windows-1252", page, "\xEF\xBB\xBF" "caf\xE9 \xE2\x82\xAC 10 (c)",
            "windows-1252 (chosen)");
        row("utf-8: references in UTF-8", "utf-8", page, "caf\xC3\xA9 \xE2\x82\xAC 10 (c)", "UTF-8 (chosen)");
        row("auto: the same", "auto", page, "caf\xC3\xA9 \xE2\x82\xAC 10 (c)", "UTF-8 (bom)");
        row("utf-8 keeps other bytes", "utf-8", "<b>caf\xE9</b> &eacute;", "caf\xE9 \xC3\xA9", "UTF-8 (chosen)");
        row("utf-8: only a BOM", "utf-8", "\xEF\xBB\xBF", "", "UTF-8 (chosen)");
        row("utf-8: shorter than a BOM", "utf-8", "\xEF\xBB", "\xEF\xBB", "UTF-8 (chosen)");
        row("utf-8: a BOM after the start", "utf-8", "a\xEF\xBB\xBF", "a\xEF\xBB\xBF", "UTF-8 (chosen)");
        row("utf-8: two BOMs", "utf-8", "\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBFx", "UTF-8 (chosen)");
        row("auto: windows-1252", "auto", "<b>caf\xE9</b> &eacute;", "caf\xC3\xA9 \xC3\xA9", "windows-1252 (default)");
        row("auto: meta", "auto", "<meta charset=koi8-r>\xD0", "\xD0\xBF", "KOI8-R (meta)");
        row("cp1251", "cp1251", "\xCF\xF0\xE8&nbsp;", "\xD0\x9F\xD1\x80\xD0\xB8", "windows-1251 (chosen)");
        row("latin1 keeps every byte", "latin1", "\x80\x81\xFF", "\xE2\x82\xAC\xC2\x81\xC3\xBF", "windows-1252 (chosen)");
        row("utf-16, its BOM skipped", "utf-16", QByteArray("\xFF\xFEh\0i\0", 6), "hi", "UTF-16LE (chosen)");
        row("UTF-16LE odd length", "UTF-16LE", QByteArray("a\0b", 3), "a\xEF\xBF\xBD", "UTF-16LE (chosen)");
        row("UTF-16BE", "utf-16be", QByteArray("\0a\x04\x1F", 4), "a\xD0\x9F", "UTF-16BE (chosen)");
        row("utf8 label, broken bytes", "utf8", "a\xC3\xA9\xFF" "b\xE2\x82\xF0\x9F\x98\x80",
            "a\xC3\xA9\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80", "UTF-8 (chosen)");
        row("sjis", "sjis", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC", "Shift_JIS (chosen)");
        row("sjis cut short", "sjis", "a\x93", "a\xEF\xBF\xBD", "Shift_JIS (chosen)");
        row("undefined byte", "iso-8859-3", "a\xA5", "a\xEF\xBF\xBD", "ISO-8859-3 (chosen)");
        row("replacement", "iso-2022-kr", "abc", "\xEF\xBF\xBD", "replacement (chosen)");
        row("x-user-defined", "x-user-defined", "a\x80", "a\xEF\x9E\x80", "x-user-defined (chosen)");
        // Labels: any letter case, white space around, aliases.
        const std::pair<const char*, const char*> labels[] = {{"latin1", "windows-1252"}, {"ISO-8859-1", "windows-1252"},
            {"us-ascii", "windows-1252"}, {" \tKoi8-R\n", "KOI8-R"}, {"gb2312", "GBK"}, {"iso-8859-9", "windows-1254"}};
        for (const auto& [label, used] : labels) row(label, label, "abc", "abc", qPrintable(QString(used) + " (chosen)"));
        for (const char* bad : {"utf-9", "utf -8", "utf\u20138", "iso-8859-16", "", "x"})
            row(bad, bad, "abc", "RemoveHTML: Error 5: Invalid procedure call or argument", "");
        row("readable: windows-1252", "windows-1252", "<p>caf\xE9 \x80</p>", "caf\xC3\xA9 \xE2\x82\xAC\n", "windows-1252 (chosen)", 1);
        row("readable: utf-8, its mark dropped", "utf-8", "\xEF\xBB\xBF<p>caf\xC3\xA9</p>", "caf\xC3\xA9\n", "UTF-8 (chosen)", 1);
        row("readable: a label", "sjis", "<p>\x93\xFA\x96\x7B</p>", "\xE6\x97\xA5\xE6\x9C\xAC\n", "Shift_JIS (chosen)", 1);
        row("readable: auto, meta", "auto", "<meta charset=koi8-r><p>\xF0</p>", "\xD0\x9F\n", "KOI8-R (meta)", 1);
        row("readable: CR LF lines", "utf-8", "<pre>a\nb</pre>", "a\r\nb\r\n", "UTF-8 (chosen)", 2);
        row("readable: ebcdic", "ebcdic", "<p>x</p>", "RemoveHTML: Error 5: Invalid procedure call or argument", "", 1);
    }
    void conversions() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(QString, used);
        QFETCH(int, route);
        QTemporaryDir dir;
        ConversionRequest request;
        request.inputPath = dir.filePath("in.html");
        request.target = ConversionRequest::Target::Memory;
        request.options = OptionSet::ClassicOn();
        request.options.readable = route > 0;
        request.options.layout.crlf = route == 2;
        request.lineEnds = route == 2 ? ConversionRequest::LineEnds::Unix : ConversionRequest::LineEnds::Classic;
        request.encoding = encoding;
        test::WriteFile(request.inputPath, input);
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result == ConversionOutcome::Result::Written ? outcome.text : outcome.Reason().toUtf8(), output);
        QCOMPARE(IsUsableEncoding(encoding), !used.isEmpty());
        if (!used.isEmpty())
            QCOMPARE(outcome.encodingUsed.encoding + " (" + ReasonText(outcome.encodingUsed.reason) + ")", used);
    }

    // The code page: every byte round trips, the five undefined bytes keep
    // their code and every other is what ICU's windows-1252 reads, '?' for
    // what it lacks; every character the reference table produces has a
    // byte. (The byte path through it is the differential test's.)
    void codePage() {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
        QCOMPARE(EncodeAnsi(DecodeAnsi(all)), all);
        QCOMPARE(EncodeAnsi(u"a\u0102\u4E2D\uFFFF\u0080b"), QByteArray("a????b"));
        QStringDecoder icu("windows-1252");
        QVERIFY(icu.isValid());
        for (int byte = 0; byte < 256; ++byte)
            QCOMPARE(int(Windows1252Char(static_cast<unsigned char>(byte))),
                     QByteArray("\x81\x8D\x8F\x90\x9D").contains(char(byte)) ? byte : int(QString(icu.decode(QByteArray(1, char(byte))))[0].unicode()));
        for (const SpecialCharRow& row : SpecialCharTable)
            for (char16_t c : row.replacement) QVERIFY(c == u'?' || Windows1252Byte(c) != '?');
    }
};

QTEST_GUILESS_MAIN(TestEncodings)
#include "test_encodings.moc"
