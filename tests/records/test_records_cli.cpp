// tessark --warc and --jsonl as users meet them, through the real program:
// exit statuses and messages, several inputs into one output in order,
// standard input, an unreadable input, the engine each run chooses (readable
// text unless a classic flag is given, whatever the saved settings say), -v,
// the output file (gzip for *.gz, replaced only when complete, never the
// input) and the same output whatever -j. What the archives and lines hold
// is tested by test_warc and test_jsonl; WET files, gzip members per record
// and real crawls by crawl/roundtrip.py.
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <simdjson.h>

#include "ProcessTestSupport.h"
#include "records/Gzip.h"

using namespace tessark;
using namespace tessark::test;

namespace {

QByteArray Response(const QByteArray& url, const QByteArray& status, const QByteArray& type, const QByteArray& body) {
    const QByteArray block = "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n\r\n" + body;
    return "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: " + url +
           "\r\nWARC-Date: 2026-01-02T03:04:05Z\r\nWARC-Record-ID: <urn:uuid:" + url.toHex().left(32) +
           ">\r\nContent-Length: " + QByteArray::number(block.size()) + "\r\n\r\n" + block + "\r\n\r\n";
}

QByteArray Page(const QByteArray& url, const QByteArray& html) { return Response(url, "200 OK", "text/html", html); }

// Each record as a gzip member of its own, as crawlers write.
QByteArray PerRecordGzip(const QByteArrayList& records) {
    std::string out;
    for (const QByteArray& record : records) records::AppendGzipMember(out, record.toStdString());
    return QByteArray::fromStdString(out);
}

// The "text" of each JSON line, or the type of each record of a WET, each
// ended by "|".
QString Texts(const QByteArray& out) {
    QString texts;
    if (out.startsWith("WARC/")) {
        for (const auto& m : QRegularExpression("WARC-Type: (\\w+)").globalMatch(QString::fromUtf8(out)))
            texts += m.captured(1) + '|';
        return texts;
    }
    simdjson::dom::parser parser;
    for (const QByteArray& line : out.split('\n')) {
        simdjson::dom::element element;
        std::string_view text;
        if (line.isEmpty()) continue;
        if (parser.parse(line.constData(), std::size_t(line.size())).get(element) != simdjson::SUCCESS ||
            element["text"].get(text) != simdjson::SUCCESS)
            return "<not a line with a text: " + QString::fromUtf8(line) + ">";
        texts += QString::fromUtf8(text.data(), qsizetype(text.size())) + '|';
    }
    return texts;
}

}  // namespace

class TestRecordsCli : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    QByteArray a_, bad_, aLines_;
    qsizetype badOffset_ = 0;

    QString Path(const QString& name) const { return folder_.filePath(name); }

    Finished Run(const QStringList& args, const QByteArray& input = {}) {
        return RunProcess(QStringLiteral(TESSARK_PROGRAM), args, folder_.path(), TestEnvironment(Path("config")), 300,
                          input);
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        a_ = Page("http://a/1", "<p>Alpha</p>") + Page("http://a/2", "<p>Beta</p>");
        const QByteArray first = Page("http://d/1", "<p>Delta</p>");
        badOffset_ = first.size();
        bad_ = first + "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 12x\r\n\r\nHTTP/1.1 200 OK\r\n\r\n" +
               Page("http://d/2", "<p>Epsilon</p>");
        aLines_ = "{\"id\":1,\"html\":\"<p>One</p>\"}\n{\"id\":2,\"html\":\"<p>Two</p>\"}\n";
        QVERIFY(WriteFile(Path("a.warc"), a_));
        QVERIFY(WriteFile(Path("b.warc.gz"), PerRecordGzip({Page("http://b/1", "<p>Gamma</p>")})));
        QVERIFY(WriteFile(Path("bad.warc"), bad_));
        QVERIFY(WriteFile(Path("mixed.warc"),
                          "WARC/1.0\r\nWARC-Type: request\r\nContent-Length: 0\r\n\r\n\r\n\r\n" +
                              Response("http://m/i.png", "200 OK", "image/png", "\x89PNG") +
                              Response("http://m/gone", "404 Not Found", "text/html", "<p>gone</p>") +
                              Page("http://m/1", "<p>One</p>")));
        QVERIFY(WriteFile(Path("two.warc"), Page("http://t/", "<p>x</p><p>y</p>")));
        QVERIFY(WriteFile(Path("a.jsonl"), aLines_));
        QVERIFY(WriteFile(Path("b.jsonl"), "{\"html\":\"<p>Three</p>\"}\n"));
        QVERIFY(WriteFile(Path("two.jsonl"), "{\"html\":\"<p>x</p><p>y</p>\"}\n"));
        // Larger inputs: the corpus's pages (over 10 MB, several batches,
        // records that are not pages among them) and 5 MB of lines, some bad.
        QByteArrayList records;
        for (const QString& path : CorpusPages()) {
            const QByteArray url = "http://corpus/" + QFileInfo(path).fileName().toUtf8();
            records << Page(url, ReadFile(path));
            if (records.size() % 7 == 0) records << Response(url + ".png", "200 OK", "image/png", "\x89PNG");
        }
        QVERIFY(WriteFile(Path("large.warc.gz"), PerRecordGzip(records)));
        QByteArray lines;
        for (int i = 0; lines.size() < (5 << 20); ++i)
            lines += i % 97 == 5 ? QByteArray("not json\n")
                                 : "{\"n\":" + QByteArray::number(i) + ",\"html\":\"<h2>" + QByteArray::number(i) +
                                       "</h2><p>" + QByteArray(2000, 'w') + "</p>\"}\n";
        QVERIFY(WriteFile(Path("large.jsonl"), lines));
        // The window's saved engine is the classic one: record runs ignore it.
        QVERIFY(QDir().mkpath(Path("config/OrvaneTessark")));
        QVERIFY(WriteFile(Path("config/OrvaneTessark/OrvaneTessark.ini"), "[General]\nReadableText=false\n"));
    }

    void runs_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("texts");        // each ended by "|"
        QTest::addColumn<QStringList>("errors");  // fragments of standard error; none: it is empty
        const QStringList jsonl{"--warc", "--format", "jsonl"};
        const QString readable = "x\n\ny\n|", classic = "xy\n|";
        QTest::newRow("inputs in order, standard input among them")
            << jsonl + QStringList{"b.warc.gz", "-", "a.warc"} << a_ << 0 << "Gamma\n|Alpha\n|Beta\n|Alpha\n|Beta\n|"
            << QStringList();
        QTest::newRow("skipped records, named by file and standard input")
            << jsonl + QStringList{"bad.warc", "-"} << bad_ << 1 << "Delta\n|Epsilon\n|Delta\n|Epsilon\n|"
            << QStringList{QStringLiteral("tessark: bad.warc: offset %1: malformed record").arg(badOffset_),
                           QStringLiteral("tessark: (standard input): offset %1: ").arg(badOffset_)};
        QTest::newRow("an unreadable input, the rest converted")
            << jsonl + QStringList{"missing.warc", "a.warc"} << QByteArray() << 1 << "Alpha\n|Beta\n|"
            << QStringList{"tessark: missing.warc: "};
        QTest::newRow("-v") << jsonl + QStringList{"-v", "mixed.warc"} << QByteArray() << 0 << "One\n|"
            << QStringList{"tessark: mixed.warc: 4 records: 1 pages converted, 1 not responses, 1 not HTML, "
                           "1 not successful, 0 skipped for a problem"};
        QTest::newRow("readable over the saved classic") << jsonl + QStringList{"two.warc"} << QByteArray() << 0 << readable
                                                         << QStringList();
        QTest::newRow("an option flag") << jsonl + QStringList{"--remove-tabs", "two.warc"} << QByteArray() << 0 << classic
                                        << QStringList();
        QTest::newRow("jsonl inputs in order") << QStringList{"--jsonl", "b.jsonl", "-", "a.jsonl"} << aLines_ << 0
                                               << "Three\n|One\n|Two\n|One\n|Two\n|" << QStringList();
        QTest::newRow("jsonl unreadable input") << QStringList{"--jsonl", "missing.jsonl", "b.jsonl"} << QByteArray() << 1
                                                << "Three\n|" << QStringList{"tessark: missing.jsonl: "};
        QTest::newRow("several archives into one WET") << QStringList{"--warc", "b.warc.gz", "a.warc"} << QByteArray() << 0
                                                       << "warcinfo|conversion|conversion|conversion|" << QStringList();
        QTest::newRow("-o jsonl.gz from --warc") << jsonl + QStringList{"a.warc", "-o", "o.jsonl.gz"} << QByteArray() << 0
                                                 << "Alpha\n|Beta\n|" << QStringList();
        QTest::newRow("-o jsonl.GZ from --jsonl") << QStringList{"--jsonl", "a.jsonl", "-o", "o.jsonl.GZ"} << QByteArray()
                                                  << 0 << "One\n|Two\n|" << QStringList();
        QTest::newRow("jsonl -v") << QStringList{"--jsonl", "-v", "a.jsonl"} << QByteArray() << 0 << "One\n|Two\n|"
                                  << QStringList{"tessark: a.jsonl: 2 lines, 2 converted, 0 errors"};
        QTest::newRow("jsonl readable over the saved classic") << QStringList{"--jsonl", "two.jsonl"} << QByteArray() << 0
                                                               << readable << QStringList();
        const auto refused = [](const char* name, const QStringList& args, int status, const char* why) {
            QTest::newRow(name) << args << QByteArray() << status << QString() << QStringList{why};
        };
        refused("--warc with --jsonl", {"--warc", "--jsonl", "a.warc"}, 2, "--warc and --jsonl cannot be used together");
        refused("-d", {"--warc", "-d", "out", "a.warc"}, 2, "-d cannot be used with --warc");
        refused("-r", {"--jsonl", "-r", "a.jsonl"}, 2, "-r cannot be used with --jsonl");
        refused("--format without --warc", {"--jsonl", "--format", "jsonl", "a.jsonl"}, 2, "--format needs --warc");
        refused("bad --format", {"--warc", "--format", "wat", "a.warc"}, 2, "invalid format: 'wat'");
        // The input named again as the output (by another spelling).
        refused("--warc into its input", {"--warc", "a.warc", "-o", "./a.warc"}, 1, "input file is output file");
        refused("--jsonl into its input", {"--jsonl", "a.jsonl", "-o", "./a.jsonl"}, 1, "input file is output file");
    }
    void runs() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, texts);
        QFETCH(QStringList, errors);
        const Finished run = Run(args, input);
        QVERIFY2(run.exitCode == status, run.err.constData());
        QByteArray out = run.out;  // or the -o file's, which is gzip
        if (const qsizetype o = args.indexOf("-o"); o >= 0 && status == 0) {
            QCOMPARE(out, QByteArray());
            out = RunProcess("gzip", {"-dc", args[o + 1]}, folder_.path(), TestEnvironment(Path("config"))).out;
        }
        QCOMPARE(Texts(out), texts);
        for (const QString& fragment : errors) QVERIFY2(run.err.contains(fragment.toUtf8()), run.err.constData());
        if (errors.isEmpty()) QCOMPARE(run.err, QByteArray());
        QVERIFY(ReadFile(Path("a.warc")) == a_ && ReadFile(Path("a.jsonl")) == aLines_);
        QVERIFY(!QFileInfo::exists(Path("out")));
    }

    // A run whose output cannot be written whole (a file size limit, its
    // signal ignored, as a full disk) leaves the old file as it was, and no
    // other file behind.
    void outputKeptOnFailure_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("input");
        QTest::newRow("--warc") << "--warc" << "large.warc.gz";
        QTest::newRow("--jsonl") << "--jsonl" << "large.jsonl";
    }
    void outputKeptOnFailure() {
        QFETCH(QString, option);
        QFETCH(QString, input);
        QVERIFY(WriteFile(Path("kept.txt"), "old\n"));
        const QStringList before = QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden);
        const Finished run = RunProcess("/bin/sh",
                                        {"-c", QStringLiteral("trap '' XFSZ; ulimit -f 16; exec '%1' %2 %3 -o kept.txt")
                                                   .arg(QStringLiteral(TESSARK_PROGRAM), option, input)},
                                        folder_.path(), TestEnvironment(Path("config")));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("tessark: kept.txt: "), run.err.constData());
        QCOMPARE(ReadFile(Path("kept.txt")), QByteArray("old\n"));
        QCOMPARE(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden), before);
    }

    // Batches converted on one thread and on three come out alike, in order,
    // with the same messages.
    void jobsAgree_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("--warc") << QStringList{"--warc", "--format", "jsonl", "large.warc.gz"} << 0;
        QTest::newRow("--jsonl") << QStringList{"--jsonl", "large.jsonl"} << 1;
    }
    void jobsAgree() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        const Finished one = Run(args + QStringList{"-j1", "-v"});
        const Finished three = Run(args + QStringList{"-j3", "-v"});
        QCOMPARE(one.exitCode, status);
        QCOMPARE(three.exitCode, status);
        QVERIFY2(one.out.count('\n') > 50, one.err.constData());
        QVERIFY(one.out == three.out);
        QCOMPARE(one.err, three.err);
    }
};

QTEST_GUILESS_MAIN(TestRecordsCli)
#include "test_records_cli.moc"
