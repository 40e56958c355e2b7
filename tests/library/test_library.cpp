// The library's C++ API against the program: the same page with the same
// options and encoding gives the same text whether ConvertOne writes it,
// convert makes it whole or feed/finish streams it in pieces; the encoding
// it was read in; its errors; convert on several threads at once.
#include <tessark/tessark.hpp>

#include <QDir>
#include <QFile>
#include <QTest>
#include <string>
#include <thread>
#include <vector>

#include "ProgramText.h"

using tessark::test::ProgramChoice;

namespace {

struct Choice {
    const char* name;
    tessark::Options options;
};

tessark::Options Readable(tessark::Links links, std::size_t width, bool crlf, bool altText) {
    tessark::Options o;
    o.links = links;
    o.width = width;
    o.crlf = crlf;
    o.alt_text = altText;
    return o;
}

tessark::Options Classic(bool decodeAll, bool classicLineEnds, bool onlyTags) {
    tessark::Options o;
    o.engine = tessark::Engine::Classic;
    o.classic.decode_all_references = decodeAll;
    o.classic.classic_line_ends = classicLineEnds;
    if (onlyTags) {
        o.classic = {};
        for (bool* step : {&o.classic.remove_comments, &o.classic.remove_scripts, &o.classic.remove_styles,
                           &o.classic.remove_functions, &o.classic.remove_pipe, &o.classic.remove_tabs,
                           &o.classic.generate_special_chars, &o.classic.remove_all_crlf, &o.classic.remove_spaces,
                           &o.classic.remove_blank_lines})
            *step = false;
        o.classic.classic_line_ends = classicLineEnds;
    }
    return o;
}

ProgramChoice ProgramChoiceOf(const tessark::Options& o) {
    ProgramChoice p;
    p.readable = o.engine == tessark::Engine::Readable;
    p.links = static_cast<int>(o.links);
    p.altText = o.alt_text;
    p.width = static_cast<int>(o.width);
    p.crlf = o.crlf;
    const tessark::ClassicOptions& c = o.classic;
    p.classic = {c.remove_comments,      c.remove_scripts,  c.remove_styles,   c.remove_functions,
                 c.remove_pipe,          c.remove_tabs,     c.generate_special_chars, c.remove_all_tags,
                 c.remove_all_crlf,      c.remove_spaces,   c.remove_blank_lines,     c.decode_all_references};
    p.classicLineEnds = c.classic_line_ends;
    p.encoding = QString::fromStdString(o.encoding);
    return p;
}

QString DataPath(const char* name) { return QStringLiteral(TESSARK_TEST_DATA "/") + QLatin1String(name); }

std::string ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// The page fed in pieces of `piece` bytes.
std::string Streamed(const tessark::Options& options, const std::string& page, std::size_t piece) {
    std::string text;
    tessark::Converter converter(options, [&text](std::string_view t) { text += t; });
    for (std::size_t at = 0; at < page.size(); at += piece) converter.feed(std::string_view(page).substr(at, piece));
    converter.finish();
    return text;
}

}  // namespace

class TestLibrary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameTextAsProgram_data();
    void sameTextAsProgram();
    void bigPageAcrossDetection_data();
    void bigPageAcrossDetection();
    void detectionWindow_data();
    void detectionWindow();
    void encodingUsed_data();
    void encodingUsed();
    void convertText_data();
    void convertText();
    void errors_data();
    void errors();
    void failedPage_data();
    void failedPage();
    void convertOnThreads();
};

void TestLibrary::sameTextAsProgram_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("encoding");
    const char* pages[] = {"encodings/utf-8.html",        "encodings/utf-8-bom.html",
                           "encodings/utf-16le-bom.html", "encodings/shift_jis-meta.html",
                           "encodings/windows-1251-undeclared.html", "encodings/wrong-declaration.html",
                           "readable/article-news.html",  "readable/definition-list.html",
                           "corpus/005-unescape-html-entities.html", "corpus/base-url.html"};
    const char* encodings[] = {"auto", "utf-8", "windows-1252", "shift_jis", "latin1"};
    for (const char* page : pages)
        for (int choice = 0; choice < 6; ++choice)
            for (const char* encoding : encodings)
                QTest::addRow("%s %d %s", page, choice, encoding)
                    << DataPath(page) << choice << QString::fromLatin1(encoding);
}

void TestLibrary::sameTextAsProgram() {
    QFETCH(QString, path);
    QFETCH(int, choice);
    QFETCH(QString, encoding);
    const Choice choices[] = {
        {"readable", Readable(tessark::Links::None, 0, false, true)},
        {"readable list 40 crlf", Readable(tessark::Links::List, 40, true, false)},
        {"readable inline", Readable(tessark::Links::Inline, 72, false, true)},
        {"classic", Classic(false, false, false)},
        {"classic decode-all crlf", Classic(true, true, false)},
        {"classic tags", Classic(false, true, true)},
    };
    tessark::Options options = choices[choice].options;
    options.encoding = encoding.toStdString();
    const std::string page = ReadFile(path);
    QVERIFY(!page.empty());
    const QByteArray expected = tessark::test::ProgramText(path, ProgramChoiceOf(options));
    QVERIFY2(!expected.startsWith("FAILED"), expected.constData());
    const tessark::Converter converter(options);
    QCOMPARE(QByteArray::fromStdString(converter.convert(page)), expected);
    QCOMPARE(QByteArray::fromStdString(Streamed(options, page, 7)), expected);
    QCOMPARE(QByteArray::fromStdString(Streamed(options, page, 4099)), expected);
}

// A page longer than the bytes "auto" and a label decide by: fed whole, in
// pieces that cross the end of those bytes, and in pieces that end on it,
// the same text as the page converted whole without streaming.
void TestLibrary::bigPageAcrossDetection_data() {
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QByteArray>("declared");
    QTest::addColumn<QByteArray>("word");
    const QByteArray cp1251 = "\xD0\xF3\xF1", utf8 = "\xD0\xA0\xD1\x83";
    QTest::newRow("auto, meta") << "auto" << QByteArray("<meta charset=windows-1251>") << cp1251;
    QTest::newRow("auto, guessed") << "auto" << QByteArray() << cp1251;
    QTest::newRow("auto, valid utf-8") << "auto" << QByteArray() << utf8;
    QTest::newRow("label") << "windows-1251" << QByteArray() << cp1251;
    QTest::newRow("utf-8") << "utf-8" << QByteArray("\xEF\xBB\xBF") << utf8;
}

void TestLibrary::bigPageAcrossDetection() {
    QFETCH(QString, encoding);
    QFETCH(QByteArray, declared);
    QFETCH(QByteArray, word);
    QByteArray page = declared + "<p>";
    while (page.size() < (1 << 20) + 5000) page += "<b>line</b> " + word + " &amp; | \t tab\n";
    tessark::Options options = Classic(false, true, true);
    options.encoding = encoding.toStdString();
    const QByteArray expected = tessark::test::WholeClassicText(page, ProgramChoiceOf(options));
    const std::string bytes = page.toStdString();
    QCOMPARE(QByteArray::fromStdString(tessark::Converter(options).convert(bytes)), expected);
    QCOMPARE(QByteArray::fromStdString(Streamed(options, bytes, 4099)), expected);
    QCOMPARE(QByteArray::fromStdString(Streamed(options, bytes, std::size_t{1} << 19)), expected);
}

// "auto" decides by the first encoding::kDetectBytes (and one more) of a
// page, however it is fed: a byte that is not UTF-8 past them does not
// count.
void TestLibrary::detectionWindow_data() {
    QTest::addColumn<int>("piece");
    QTest::newRow("small pieces") << 4099;
    QTest::newRow("1 MB pieces") << (1 << 20);
    QTest::newRow("at once") << (4 << 20);
}

void TestLibrary::detectionWindow() {
    QFETCH(int, piece);
    std::string page((std::size_t{1} << 20) + 10000, 'a');
    page += "\xE9t\xE9";
    tessark::Converter converter(tessark::Options(), [](std::string_view) {});
    for (std::size_t at = 0; at < page.size(); at += static_cast<std::size_t>(piece))
        converter.feed(std::string_view(page).substr(at, static_cast<std::size_t>(piece)));
    converter.finish();
    QCOMPARE(converter.encoding_used(), std::string("UTF-8"));
    QCOMPARE(converter.encoding_reason(), std::string("valid utf-8"));
}

void TestLibrary::encodingUsed_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("reason");
    QTest::newRow("bom") << DataPath("encodings/utf-16le-bom.html") << "auto" << "UTF-16LE" << "bom";
    QTest::newRow("meta") << DataPath("encodings/shift_jis-meta.html") << "auto" << "Shift_JIS" << "meta";
    QTest::newRow("valid utf-8") << DataPath("encodings/utf-8.html") << "auto" << "UTF-8" << "valid utf-8";
    QTest::newRow("guess") << DataPath("encodings/windows-1251-undeclared.html") << "auto" << "windows-1251"
                           << "guess";
    QTest::newRow("label") << DataPath("encodings/utf-8.html") << "latin1" << "windows-1252" << "chosen";
    QTest::newRow("utf-8") << DataPath("encodings/utf-8.html") << "utf-8" << "UTF-8" << "chosen";
}

void TestLibrary::encodingUsed() {
    QFETCH(QString, path);
    QFETCH(QString, encoding);
    QFETCH(QString, used);
    QFETCH(QString, reason);
    tessark::Options options;
    options.encoding = encoding.toStdString();
    tessark::Converter converter(options, [](std::string_view) {});
    converter.feed(ReadFile(path));
    converter.finish();
    QCOMPARE(QString::fromStdString(converter.encoding_used()), used);
    QCOMPARE(QString::fromStdString(converter.encoding_reason()), reason);
}

// Text handed over as text is UTF-8 whatever the encoding says.
void TestLibrary::convertText_data() {
    QTest::addColumn<bool>("classic");
    QTest::addColumn<QString>("encoding");
    QTest::newRow("readable, windows-1252") << false << "windows-1252";
    QTest::newRow("classic, windows-1252") << true << "windows-1252";
    QTest::newRow("classic, shift_jis") << true << "shift_jis";
}

void TestLibrary::convertText() {
    QFETCH(bool, classic);
    QFETCH(QString, encoding);
    tessark::Options options = classic ? Classic(false, false, false) : tessark::Options();
    options.encoding = encoding.toStdString();
    QCOMPARE(tessark::Converter(options).convert_text("<p>caf\xC3\xA9 \xE2\x82\xAC</p>"),
             std::string("caf\xC3\xA9 \xE2\x82\xAC\n"));
}

void TestLibrary::errors_data() {
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<int>("number");
    QTest::newRow("unknown label") << "klingon" << 5;
    QTest::newRow("label ICU cannot decode") << "iso-8859-16" << 5;
    QTest::newRow("empty") << "" << 5;
    QTest::newRow("setting with spaces") << " UTF-8 " << 0;
}

void TestLibrary::errors() {
    QFETCH(QString, encoding);
    QFETCH(int, number);
    tessark::Options options;
    options.encoding = encoding.toStdString();
    int thrown = 0;
    try {
        tessark::Converter converter(options);
        QCOMPARE(converter.convert("<p>a</p>"), std::string("a\n"));
    } catch (const tessark::Error& error) {
        thrown = error.number();
        QVERIFY(std::string(error.what()).find("klingon") != std::string::npos || encoding != "klingon");
    }
    QCOMPARE(thrown, number);
}

// A failure on the way (here the sink's own, which the readable engine
// reports to its context and the classic stream passes on) leaves as Error
// 51 with the program's wording, and the next feed starts a new page.
void TestLibrary::failedPage_data() {
    QTest::addColumn<bool>("classic");
    QTest::addColumn<QString>("message");
    QTest::newRow("readable") << false << "ReadableText: Error 51: Internal error";
    QTest::newRow("classic") << true << "Internal error";
}

void TestLibrary::failedPage() {
    QFETCH(bool, classic);
    QFETCH(QString, message);
    bool refuse = true;
    std::string text;
    tessark::Options options = classic ? Classic(false, false, false) : tessark::Options();
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
        QCOMPARE(QString::fromLatin1(error.what()), message);
    }
    QCOMPARE(number, 51);
    refuse = false;
    converter.feed("<p>kept</p>");
    converter.finish();
    QCOMPARE(text, std::string("kept\n"));
}

// One converter, pages converted on four threads at once: each result as
// on one thread (the sanitizers watch for shared state).
void TestLibrary::convertOnThreads() {
    const char* names[] = {"readable/article-news.html", "encodings/shift_jis-meta.html",
                           "encodings/windows-1251-undeclared.html", "corpus/base-url.html"};
    for (const tessark::Engine engine : {tessark::Engine::Readable, tessark::Engine::Classic}) {
        tessark::Options options;
        options.engine = engine;
        const tessark::Converter converter(options);
        std::vector<std::string> pages, alone, together(std::size(names));
        for (const char* name : names) {
            pages.push_back(ReadFile(DataPath(name)));
            alone.push_back(converter.convert(pages.back()));
        }
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < pages.size(); ++i)
            threads.emplace_back([&, i] {
                for (int round = 0; round < 3; ++round) together[i] = converter.convert(pages[i]);
            });
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < pages.size(); ++i) QCOMPARE(together[i], alone[i]);
    }
}

QTEST_GUILESS_MAIN(TestLibrary)
#include "test_library.moc"
