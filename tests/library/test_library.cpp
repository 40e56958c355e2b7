// The library's C++ API against the program: the same page with the same
// options and encoding gives the same text whether ConvertOne writes it,
// convert makes it whole or feed/finish streams it in pieces; the encoding
// it was read in; its errors; convert on several threads at once.
#include <tessark/tessark.hpp>

#include <QFile>
#include <QTest>
#include <string>
#include <thread>
#include <vector>

#include "ProgramText.h"

using tessark::Engine;
using tessark::Links;
using tessark::Options;

namespace {

QString DataPath(const char* name) { return QStringLiteral(TESSARK_TEST_DATA "/") + QLatin1String(name); }

std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The page fed in pieces of `piece` bytes; with `used`, the encoding it was
// read in and why.
std::string Streamed(const Options& options, const std::string& page, std::size_t piece, std::string* used = nullptr) {
    std::string text;
    tessark::Converter converter(options, [&text](std::string_view t) { text += t; });
    for (std::size_t at = 0; at < page.size(); at += piece) converter.feed(std::string_view(page).substr(at, piece));
    converter.finish();
    if (used) *used = converter.encoding_used() + " (" + converter.encoding_reason() + ")";
    return text;
}

Options Readable(Links links, std::size_t width, bool crlf, bool altText) {
    Options o;
    o.links = links;
    o.width = width;
    o.crlf = crlf;
    o.alt_text = altText;
    return o;
}

// The classic steps (with `onlyTags` only the tag removal).
Options Classic(bool decodeAll, bool classicLineEnds, bool onlyTags = false, const char* encoding = "auto") {
    Options o;
    o.engine = Engine::Classic;
    o.encoding = encoding;
    if (onlyTags) o.classic = {false, false, false, false, false, false, false, true, false, false, false, false, false};
    o.classic.decode_all_references = decodeAll;
    o.classic.classic_line_ends = classicLineEnds;
    return o;
}

const std::pair<const char*, Options> kChoices[] = {
    {"readable", {}},
    {"readable list 40 crlf", Readable(Links::List, 40, true, false)},
    {"readable inline", Readable(Links::Inline, 72, false, true)},
    {"classic", Classic(false, false)},
    {"classic decode-all crlf", Classic(true, true)},
    {"classic tags", Classic(false, true, true)},
};

}  // namespace

class TestLibrary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameTextAsProgram_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("encoding");
        for (const char* page : {"encodings/utf-8.html", "encodings/utf-8-bom.html", "encodings/utf-16le-bom.html",
                                 "encodings/shift_jis-meta.html", "encodings/windows-1251-undeclared.html",
                                 "encodings/wrong-declaration.html", "readable/article-news.html",
                                 "readable/definition-list.html", "corpus/005-unescape-html-entities.html", "corpus/base-url.html"})
            for (int choice = 0; choice < int(std::size(kChoices)); ++choice)
                for (const char* encoding : {"auto", "utf-8", "windows-1252", "shift_jis", "latin1"})
                    QTest::addRow("%s %s %s", page, kChoices[choice].first, encoding) << DataPath(page) << choice << QString(encoding);
    }
    void sameTextAsProgram() {
        QFETCH(QString, path);
        QFETCH(int, choice);
        QFETCH(QString, encoding);
        Options options = kChoices[choice].second;
        options.encoding = encoding.toStdString();
        const std::string page = ReadFile(path);
        QVERIFY(!page.empty());
        const QByteArray expected = tessark::test::ProgramText(path, options);
        QVERIFY2(!expected.startsWith("FAILED"), expected.constData());
        QCOMPARE(QByteArray::fromStdString(tessark::Converter(options).convert(page)), expected);
        QCOMPARE(QByteArray::fromStdString(Streamed(options, page, 7)), expected);
        QCOMPARE(QByteArray::fromStdString(Streamed(options, page, 4099)), expected);
    }

    // A page longer than the bytes "auto" and a label decide by: fed whole, in
    // pieces that cross the end of those bytes, and in pieces that end on it,
    // the same text as the page converted whole without streaming, and the
    // encoding it was read in.
    void bigPageAcrossDetection_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("declared");
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QString>("used");
        const QByteArray cp1251 = "\xD0\xF3\xF1", utf8 = "\xD0\xA0\xD1\x83";
        QTest::newRow("auto, meta") << "auto" << QByteArray("<meta charset=windows-1251>") << cp1251 << "windows-1251 (meta)";
        QTest::newRow("auto, guessed") << "auto" << QByteArray() << cp1251 << "windows-1251 (guess)";
        QTest::newRow("auto, valid utf-8") << "auto" << QByteArray() << utf8 << "UTF-8 (valid utf-8)";
        QTest::newRow("label") << "windows-1251" << QByteArray() << cp1251 << "windows-1251 (chosen)";
        QTest::newRow("utf-8") << "utf-8" << QByteArray("\xEF\xBB\xBF") << utf8 << "UTF-8 (chosen)";
    }
    void bigPageAcrossDetection() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, declared);
        QFETCH(QByteArray, word);
        QFETCH(QString, used);
        QByteArray page = declared + "<p>";
        while (page.size() < (1 << 20) + 5000) page += "<b>line</b> " + word + " &amp; | \t tab\n";
        const Options options = Classic(false, true, true, qPrintable(encoding));
        const QByteArray expected = tessark::test::WholeClassicText(page, options);
        const std::string bytes = page.toStdString();
        QCOMPARE(QByteArray::fromStdString(tessark::Converter(options).convert(bytes)), expected);
        for (const std::size_t piece : {std::size_t{4099}, std::size_t{1} << 19}) {
            std::string usedHere;
            QCOMPARE(QByteArray::fromStdString(Streamed(options, bytes, piece, &usedHere)), expected);
            QCOMPARE(QString::fromStdString(usedHere), used);
        }
    }

    // "auto" decides by the first encoding::kDetectBytes (and one more) of a
    // page, however it is fed: a byte that is not UTF-8 past them does not
    // count.
    void detectionWindow() {
        const std::string page = std::string((std::size_t{1} << 20) + 10000, 'a') + "\xE9t\xE9";
        for (const std::size_t piece : {std::size_t{4099}, std::size_t{1} << 20, page.size()}) {
            std::string used;
            Streamed({}, page, piece, &used);
            QCOMPARE(used, std::string("UTF-8 (valid utf-8)"));
        }
    }

    // Text handed over as text is UTF-8 whatever the encoding says; a bad
    // encoding is Error 5 naming it (one with spaces around is read); a
    // failure on the way (here the sink's own, which the readable engine
    // reports to its context and the classic stream passes on) leaves as
    // Error 51 with the program's wording, and the next feed starts a new
    // page.
    void errorsAndText() {
        for (const char* encoding : {"windows-1252", "shift_jis"})
            for (Options options : {Options{}, Classic(false, false)}) {
                options.encoding = encoding;
                QCOMPARE(tessark::Converter(options).convert_text("<p>caf\xC3\xA9 \xE2\x82\xAC</p>"), std::string("caf\xC3\xA9 \xE2\x82\xAC\n"));
            }
        for (const auto& [encoding, number] : {std::pair{"klingon", 5}, {"iso-8859-16", 5}, {"", 5}, {" UTF-8 ", 0}}) {
            int thrown = 0;
            try {
                QCOMPARE(tessark::Converter(Classic(false, false, false, encoding)).convert("<p>a</p>"), std::string("a\n"));
            } catch (const tessark::Error& error) {
                thrown = error.number();
                QVERIFY(std::string(error.what()).find("klingon") != std::string::npos || encoding != std::string("klingon"));
            }
            QCOMPARE(thrown, number);
        }
        for (const auto& [options, message] : {std::pair{Options{}, "ReadableText: Error 51: Internal error"},
                                               {Classic(false, false), "Internal error"}}) {
            bool refuse = true;
            std::string text;
            tessark::Converter converter(options, [&](std::string_view piece) {
                if (refuse) throw std::logic_error("sink");
                text += piece;
            });
            int number = 0;
            try {
                converter.feed("<p>lost</p>");
                converter.finish();
            } catch (const tessark::Error& error) {
                number = error.number();
                QCOMPARE(std::string(error.what()), std::string(message));
            }
            QCOMPARE(number, 51);
            refuse = false;
            converter.feed("<p>kept</p>");
            converter.finish();
            QCOMPARE(text, std::string("kept\n"));
        }
    }

    // One converter, pages converted on four threads at once: each result as
    // on one thread (the sanitizers watch for shared state).
    void convertOnThreads() {
        for (const Engine engine : {Engine::Readable, Engine::Classic}) {
            Options options;
            options.engine = engine;
            const tessark::Converter converter(options);
            std::vector<std::string> pages, alone, together(4);
            for (const char* name : {"readable/article-news.html", "encodings/shift_jis-meta.html",
                                     "encodings/windows-1251-undeclared.html", "corpus/base-url.html"}) {
                pages.push_back(ReadFile(DataPath(name)));
                alone.push_back(converter.convert(pages.back()));
            }
            std::vector<std::thread> threads;
            for (std::size_t i = 0; i < pages.size(); ++i)
                threads.emplace_back([&, i] {
                    for (int round = 0; round < 3; ++round) together[i] = converter.convert(pages[i]);
                });
            for (std::thread& t : threads) t.join();
            QCOMPARE(together, alone);
        }
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "test_library.moc"
