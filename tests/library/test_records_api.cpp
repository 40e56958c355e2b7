// The library's web archives and JSON Lines (ArchiveReader,
// JsonLinesConverter) against the real program on the same input: the pages
// `tessark --warc --format jsonl` writes (url, date, record id, charset,
// text), the problems and counts it tells, and the lines `tessark --jsonl`
// writes; an archive read from a file or through a read function; the
// errors that are thrown.
#include <tessark/tessark.hpp>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "ProcessTestSupport.h"
#include "records/Gzip.h"

using namespace tessark::test;

namespace {

std::string Record(const std::string& type, const std::string& url, const std::string& block) {
    return "WARC/1.0\r\nWARC-Type: " + type + "\r\nWARC-Target-URI: " + url + "\r\nWARC-Date: 2024-05-0" +
           std::to_string(url.size() % 9 + 1) + "T10:00:00Z\r\nWARC-Record-ID: <urn:uuid:" + type + url +
           ">\r\nContent-Length: " + std::to_string(block.size()) + "\r\n\r\n" + block + "\r\n\r\n";
}

std::string Response(const std::string& url, const std::string& status, const std::string& header,
                     const std::string& body) {
    return Record("response", url, "HTTP/1.1 " + status + "\r\n" + header + "\r\n" + body);
}

// An archive of every kind of record, a gzip member each, with a damaged
// member and a body that cannot be decoded among them.
std::string Archive() {
    const std::string records[] = {
        Response("http://utf8/", "200 OK", "Content-Type: text/html; charset=utf-8\r\n",
                 "<h1>Caf\xc3\xa9</h1><p>See <a href=\"/hours\">the hours</a> <img src=c.png alt=cup>.</p>"
                 "<p>Words that wrap when the width is small</p>"),
        Record("request", "http://utf8/", "GET / HTTP/1.1\r\n\r\n"),
        Record("metadata", "http://utf8/", "fetchTimeMs: 12\r\n"),  // two not responses, so that no count is another's
        Response("http://undeclared/", "200 OK", "Content-Type: text/html\r\n", "<p>\xcf\xf0\xe8\xe2\xe5\xf2</p>"),
        Response("http://missing/", "404 Not Found", "Content-Type: text/html\r\n", "<p>gone</p>"),
        Response("http://image/", "200 OK", "Content-Type: image/png\r\n", "\x89PNG\r\n"),
        "",  // the damaged member
        Response("http://brotli/", "200 OK", "Content-Type: text/html\r\nContent-Encoding: br\r\n", "\x1b\x02"),
        Response("http://last/", "200 OK", "", "<!DOCTYPE html><p>sniffed &amp; last"),
    };
    std::string out;
    for (const std::string& record : records) {
        if (record.empty())
            out += std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03garbage that is not deflate", 38);
        else
            tessark::records::AppendGzipMember(out, record);
    }
    return out;
}

std::vector<tessark::ArchivePage> ReadAll(tessark::ArchiveReader& reader) {
    std::vector<tessark::ArchivePage> pages;
    tessark::ArchivePage page;
    while (reader.next(page)) pages.push_back(page);
    return pages;
}

tessark::Options Classic() {
    tessark::Options o;
    o.engine = tessark::Engine::Classic;
    return o;
}

}  // namespace

Q_DECLARE_METATYPE(tessark::Options)
Q_DECLARE_METATYPE(tessark::JsonLinesOptions)

class TestRecordsApi : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    Finished Run(const QStringList& args, const QByteArray& input = {}) {
        return RunProcess(QStringLiteral(TESSARK_PROGRAM), args, folder_.path(),
                          TestEnvironment(folder_.filePath("config")), 300, input);
    }

private slots:
    void archive_data() {
        QTest::addColumn<tessark::Options>("options");
        QTest::addColumn<QStringList>("flags");  // the program's flags for the same options
        tessark::Options every;
        every.links = tessark::Links::List;
        every.width = 20;
        every.alt_text = false;
        every.encoding = "windows-1251";
        tessark::Options classic = Classic();
        classic.encoding = "koi8-r";
        QTest::newRow("readable, every option") << every << QStringList{"--readable", "--links=list", "--width", "20",
                                                                        "--no-alt-text", "--encoding", "windows-1251"};
        QTest::newRow("classic, encoding") << classic << QStringList{"--classic", "--encoding", "koi8-r"};
    }
    // The pages, problems and counts are the program's, whether the archive
    // is a file or comes through a read function a few bytes at a time.
    void archive() {
        QFETCH(tessark::Options, options);
        QFETCH(QStringList, flags);
        const std::string bytes = Archive();
        const QString path = folder_.filePath("crawl.warc.gz");
        QVERIFY(WriteFile(path, QByteArray::fromStdString(bytes)));
        const Finished program = Run(QStringList{"--warc", "--format", "jsonl", "-v"} + flags + QStringList{path});
        QCOMPARE(program.exitCode, 1);  // the damaged records fail the run
        const QList<QByteArray> lines = program.out.trimmed().split('\n');

        std::size_t at = 0;
        tessark::ArchiveReader fromFile(path.toStdString(), options);
        tessark::ArchiveReader fromFunction(
            [&](char* data, std::size_t size) {
                const std::size_t n = std::min({size, std::size_t{7}, bytes.size() - at});
                std::copy_n(bytes.data() + at, n, data);
                at += n;
                return n;
            },
            options);
        for (tessark::ArchiveReader* reader : {&fromFile, &fromFunction}) {
            const std::vector<tessark::ArchivePage> pages = ReadAll(*reader);
            QCOMPARE(qsizetype(pages.size()), lines.size());
            QCOMPARE(pages.size(), std::size_t{3});
            for (std::size_t k = 0; k < pages.size(); ++k) {
                const auto q = [](const std::string& text) { return QString::fromStdString(text); };
                const tessark::ArchivePage& p = pages[k];
                QCOMPARE(QJsonObject({{"url", q(p.url)}, {"date", q(p.date)}, {"record_id", q(p.record_id)},
                                      {"charset", q(p.charset)}, {"text", q(p.text)}}),
                         QJsonDocument::fromJson(lines[qsizetype(k)]).object());
            }
            // Every problem as the program tells it: "offset N: message".
            QCOMPARE(reader->problems().size(), std::size_t{2});
            for (const tessark::ArchiveProblem& problem : reader->problems()) {
                const QString told = QStringLiteral("offset %1: %2").arg(problem.offset).arg(problem.message.c_str());
                QVERIFY2(program.err.contains(told.toUtf8()), qPrintable(told + " not in " + program.err));
            }
            const tessark::ArchiveCounts& c = reader->counts();
            const QString counts = QStringLiteral("%1 records: %2 pages converted, %3 not responses, %4 not HTML, "
                                                  "%5 not successful, %6 skipped for a problem")
                                       .arg(c.records).arg(c.pages).arg(c.not_response).arg(c.not_html)
                                       .arg(c.not_success).arg(c.problems);
            QVERIFY2(program.err.contains(counts.toUtf8()), qPrintable(counts + " not in " + program.err));
        }
        QCOMPARE(fromFile.bytes_read(), std::uint64_t(bytes.size()));
    }

    void errors_data() {
        QTest::addColumn<QString>("path");  // in the test's folder
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<int>("number");
        QTest::newRow("missing file") << "missing.warc" << "auto" << 53;
        QTest::newRow("a folder") << "." << "auto" << 75;
        QTest::newRow("unknown encoding") << "crawl.warc.gz" << "no-such-charset" << 5;
    }
    void errors() {
        QFETCH(QString, path);
        QFETCH(QString, encoding);
        QFETCH(int, number);
        QVERIFY(WriteFile(folder_.filePath("crawl.warc.gz"), QByteArray::fromStdString(Archive())));
        tessark::Options options;
        options.encoding = encoding.toStdString();
        try {
            tessark::ArchiveReader reader(folder_.filePath(path).toStdString(), options);
            QFAIL("no error thrown");
        } catch (const tessark::Error& error) {
            QCOMPARE(error.number(), number);
        }
    }

    // What the read function throws comes out of next, and the archive ends.
    void read_failure() {
        const std::string bytes = Archive();
        bool failing = false;
        tessark::ArchiveReader reader([&](char* data, std::size_t size) -> std::size_t {
            if (failing) throw std::runtime_error("unplugged");
            failing = true;
            const std::size_t n = std::min(size, bytes.size() / 2);
            std::copy_n(bytes.data(), n, data);
            return n;
        });
        tessark::ArchivePage page;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, while (reader.next(page)) {});
        QVERIFY(!reader.next(page));
    }

    void json_lines_data() {
        QTest::addColumn<tessark::JsonLinesOptions>("options");
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QByteArray>("input");
        const QByteArray lines = "{\"id\":1,\"html\":\"<p>Caf\\u00e9 &amp; <b>tea</b></p>\",\"n\":[1, 2]}\n"
                                 "{\"text\":\"old\",\"html\":\"<p>a<br>b</p>\",\"error\":\"x\"}\r\n"
                                 "\n   \n"
                                 "not json\n"
                                 "{\"id\":2}\n"
                                 "{\"page\":\"<p>other field</p>\",\"html\":\"<p>x</p>\"}";
        tessark::JsonLinesOptions fields;
        fields.html_field = "page";
        fields.text_field = "body";
        fields.options = Classic();
        QTest::newRow("readable") << tessark::JsonLinesOptions() << QStringList{"--readable"} << lines;
        QTest::newRow("field names, classic")
            << fields << QStringList{"--classic", "--html-field", "page", "--text-field", "body"} << lines;
    }
    // The lines are the program's, converted whole or one at a time; a line
    // that cannot be converted is written with its error, never thrown.
    void json_lines() {
        QFETCH(tessark::JsonLinesOptions, options);
        QFETCH(QStringList, flags);
        QFETCH(QByteArray, input);
        const Finished program = Run(QStringList{"--jsonl"} + flags + QStringList{"-"}, input);
        QCOMPARE(program.exitCode, 1);  // the bad lines

        tessark::JsonLinesConverter whole(options);
        QCOMPARE(QByteArray::fromStdString(whole.convert(input.toStdString())), program.out);
        QCOMPARE(whole.errors(), std::uint64_t(program.err.count('\n')));
        QByteArray oneByOne;
        for (const QByteArray& line : input.split('\n')) {
            const std::string out = tessark::convert_json_line((line + '\n').toStdString(), options);
            if (!out.empty()) oneByOne += QByteArray::fromStdString(out) + '\n';
        }
        QCOMPARE(oneByOne, program.out);
    }
};

QTEST_GUILESS_MAIN(TestRecordsApi)
#include "test_records_api.moc"
