// tessark --warc and --jsonl as users meet them, through the real program:
// exit statuses and messages, several inputs into one output in order,
// standard input, an unreadable input, the engine each run chooses (readable
// text unless a classic flag is given, whatever the saved settings say), -v,
// the output file (gzip per record for *.gz, replaced only when complete,
// never the input) and the same output whatever -j. What the archives and
// lines hold is tested by test_warc and test_jsonl; real crawls by
// crawl/roundtrip.py.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <simdjson.h>

#include "ProcessTestSupport.h"
#include "records/Gzip.h"
#include "records/Warc.h"

using namespace tessark;
using namespace tessark::test;

namespace {

QByteArray Record(const QByteArray& type, const QByteArray& url, const QByteArray& block) {
    return "WARC/1.0\r\nWARC-Type: " + type + "\r\nWARC-Target-URI: " + url +
           "\r\nWARC-Date: 2026-01-02T03:04:05Z\r\nWARC-Record-ID: <urn:uuid:" + url.toHex().left(32) +
           ">\r\nContent-Length: " + QByteArray::number(block.size()) + "\r\n\r\n" + block + "\r\n\r\n";
}

QByteArray Response(const QByteArray& url, const QByteArray& status, const QByteArray& type, const QByteArray& body) {
    return Record("response", url, "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n\r\n" + body);
}

QByteArray Page(const QByteArray& url, const QByteArray& html) { return Response(url, "200 OK", "text/html", html); }

// Each record as a gzip member of its own, as crawlers write.
QByteArray PerRecordGzip(const QByteArrayList& records) {
    std::string out;
    for (const QByteArray& record : records) records::AppendGzipMember(out, record.toStdString());
    return QByteArray::fromStdString(out);
}

// The gzip members of `data`; -1 when it is not gzip or is damaged.
int GzipMembers(const QByteArray& data) {
    records::Inflater inflater(records::Wrapper::Gzip);
    std::vector<std::uint8_t> out(1 << 16);
    const auto* in = reinterpret_cast<const std::uint8_t*>(data.constData());
    std::size_t at = 0, size = std::size_t(data.size());
    int members = 0;
    while (at < size) {
        const auto step = inflater.Run(in + at, size - at, out.data(), out.size());
        if (step.damaged) return -1;
        at += step.consumed;
        members += step.memberEnd ? 1 : 0;
    }
    return inflater.InMember() ? -1 : members;
}

// The texts an output holds, each ended by "|": the "text" of each JSON line,
// or the block of each conversion record of a WET.
QString Texts(const QByteArray& out) {
    QString texts;
    if (out.startsWith("WARC/")) {
        const std::string bytes = out.toStdString();
        records::MemorySource source(bytes);
        records::WarcReader reader(source);
        records::WarcRecord record;
        std::vector<records::WarcProblem> problems;
        while (reader.Next(record, problems))
            if (record.Field("WARC-Type") == "conversion") texts += QString::fromStdString(record.block) + '|';
        for (const records::WarcProblem& problem : problems) texts += "<" + QString::fromStdString(problem.message) + ">";
        return texts;
    }
    simdjson::dom::parser parser;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty()) continue;
        simdjson::dom::element element;
        std::string_view text;
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
    QByteArray a_, bGz_, bad_, mixed_, aLines_;
    qsizetype badOffset_ = 0;

    QString Path(const QString& name) const { return folder_.filePath(name); }

    Finished Run(const QStringList& args, const QByteArray& input = {}) {
        return RunProcess(QStringLiteral(TESSARK_PROGRAM), args, folder_.path(), TestEnvironment(Path("config")), 300,
                          input);
    }

    // The program under a file size limit of `kilobytes` (its signal ignored,
    // so that a write past it fails as a full disk does).
    Finished RunLimited(int kilobytes, const QStringList& args) {
        QStringList quoted;
        for (const QString& arg : args) quoted << "'" + arg + "'";
        return RunProcess("/bin/sh",
                          {"-c", QStringLiteral("trap '' XFSZ; ulimit -f %1; exec '%2' %3")
                                     .arg(kilobytes)
                                     .arg(QStringLiteral(TESSARK_PROGRAM), quoted.join(' '))},
                          folder_.path(), TestEnvironment(Path("config")));
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        a_ = Page("http://a/1", "<p>Alpha</p>") + Page("http://a/2", "<p>Beta</p>");
        bGz_ = PerRecordGzip({Page("http://b/1", "<p>Gamma</p>")});
        const QByteArray first = Page("http://d/1", "<p>Delta</p>");
        badOffset_ = first.size();
        bad_ = first + "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 12x\r\n\r\nHTTP/1.1 200 OK\r\n\r\n" +
               Page("http://d/2", "<p>Epsilon</p>");
        mixed_ = Record("warcinfo", "", "software: x\r\n") + Record("request", "http://m/", "GET / HTTP/1.1\r\n\r\n") +
                 Response("http://m/i.png", "200 OK", "image/png", "\x89PNG") +
                 Response("http://m/gone", "404 Not Found", "text/html", "<p>gone</p>") +
                 Page("http://m/1", "<p>One</p>") + Page("http://m/2", "<p>Two</p>");
        aLines_ = "{\"id\":1,\"html\":\"<p>One</p>\"}\n{\"id\":2,\"html\":\"<p>Two</p>\"}\n";
        QVERIFY(WriteFile(Path("a.warc"), a_));
        QVERIFY(WriteFile(Path("b.warc.gz"), bGz_));
        QVERIFY(WriteFile(Path("bad.warc"), bad_));
        QVERIFY(WriteFile(Path("mixed.warc"), mixed_));
        QVERIFY(WriteFile(Path("two.warc"), Page("http://t/", "<p>x</p><p>y</p>")));
        QVERIFY(WriteFile(Path("a.jsonl"), aLines_));
        QVERIFY(WriteFile(Path("b.jsonl"), "{\"html\":\"<p>Three</p>\"}\n"));
        QVERIFY(WriteFile(Path("two.jsonl"), "{\"html\":\"<p>x</p><p>y</p>\"}\n"));
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
        QTest::newRow("wet") << QStringList{"--warc", "a.warc"} << QByteArray() << 0 << "Alpha\n|Beta\n|" << QStringList();
        QTest::newRow("inputs in order, standard input among them")
            << jsonl + QStringList{"b.warc.gz", "-", "a.warc"} << a_ << 0 << "Gamma\n|Alpha\n|Beta\n|Alpha\n|Beta\n|"
            << QStringList();
        QTest::newRow("a skipped record") << jsonl + QStringList{"bad.warc"} << QByteArray() << 1
                                          << "Delta\n|Epsilon\n|"
                                          << QStringList{QStringLiteral("tessark: bad.warc: offset %1: malformed record")
                                                             .arg(badOffset_)};
        QTest::newRow("standard input named in messages") << jsonl + QStringList{"-"} << bad_ << 1 << "Delta\n|Epsilon\n|"
            << QStringList{QStringLiteral("tessark: (standard input): offset %1: ").arg(badOffset_)};
        QTest::newRow("an unreadable input, the rest converted")
            << jsonl + QStringList{"missing.warc", "a.warc"} << QByteArray() << 1 << "Alpha\n|Beta\n|"
            << QStringList{"tessark: missing.warc: "};
        QTest::newRow("-v") << jsonl + QStringList{"-v", "mixed.warc"} << QByteArray() << 0 << "One\n|Two\n|"
            << QStringList{"tessark: mixed.warc: 6 records: 2 pages converted, 2 not responses, 1 not HTML, "
                           "1 not successful, 0 skipped for a problem"};
        QTest::newRow("readable over the saved classic") << jsonl + QStringList{"two.warc"} << QByteArray() << 0 << readable
                                                         << QStringList();
        QTest::newRow("--classic") << jsonl + QStringList{"--classic", "two.warc"} << QByteArray() << 0 << classic
                                   << QStringList();
        QTest::newRow("--all") << jsonl + QStringList{"--all", "two.warc"} << QByteArray() << 0 << classic << QStringList();
        QTest::newRow("an option flag") << jsonl + QStringList{"--remove-tabs", "two.warc"} << QByteArray() << 0 << classic
                                        << QStringList();
        QTest::newRow("jsonl inputs in order") << QStringList{"--jsonl", "b.jsonl", "-", "a.jsonl"} << aLines_ << 0
                                               << "Three\n|One\n|Two\n|One\n|Two\n|" << QStringList();
        QTest::newRow("jsonl unreadable input") << QStringList{"--jsonl", "missing.jsonl", "b.jsonl"} << QByteArray() << 1
                                                << "Three\n|" << QStringList{"tessark: missing.jsonl: "};
        QTest::newRow("jsonl -v") << QStringList{"--jsonl", "-v", "a.jsonl"} << QByteArray() << 0 << "One\n|Two\n|"
                                  << QStringList{"tessark: a.jsonl: 2 lines, 2 converted, 0 errors"};
        QTest::newRow("jsonl readable over the saved classic") << QStringList{"--jsonl", "two.jsonl"} << QByteArray() << 0
                                                               << readable << QStringList();
        QTest::newRow("jsonl option flag") << QStringList{"--jsonl", "--remove-tabs", "two.jsonl"} << QByteArray() << 0
                                           << classic << QStringList();
        const auto usage = [](const char* name, const QStringList& args, const char* why) {
            QTest::newRow(name) << args << QByteArray() << 2 << QString() << QStringList{why};
        };
        usage("--warc with --jsonl", {"--warc", "--jsonl", "a.warc"}, "--warc and --jsonl cannot be used together");
        usage("-d", {"--warc", "-d", "out", "a.warc"}, "-d cannot be used with --warc");
        usage("-r", {"--jsonl", "-r", "a.jsonl"}, "-r cannot be used with --jsonl");
        usage("--format without --warc", {"--jsonl", "--format", "jsonl", "a.jsonl"}, "--format needs --warc");
        usage("bad --format", {"--warc", "--format", "wat", "a.warc"}, "invalid format: 'wat'");
    }
    void runs() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, texts);
        QFETCH(QStringList, errors);
        const Finished run = Run(args, input);
        QVERIFY2(run.exitCode == status, run.err.constData());
        QCOMPARE(Texts(run.out), texts);
        for (const QString& fragment : errors) QVERIFY2(run.err.contains(fragment.toUtf8()), run.err.constData());
        if (errors.isEmpty()) QCOMPARE(run.err, QByteArray());
        const bool madeFolder = QFileInfo::exists(Path("out"));
        QDir(Path("out")).removeRecursively();
        QVERIFY(!madeFolder);
    }

    // -o FILE: a gzip member per record (--warc) or per batch of lines
    // (--jsonl) when FILE ends in .gz, else plain.
    void outputFile_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("members");  // -1: not gzip
        QTest::newRow("wet.gz: warcinfo and a record a page") << QStringList{"--warc", "a.warc", "-o", "o.wet.gz"} << 3;
        QTest::newRow("wet") << QStringList{"--warc", "a.warc", "-o", "o.wet"} << -1;
        QTest::newRow("jsonl.gz from --warc: a member a batch")
            << QStringList{"--warc", "--format", "jsonl", "mixed.warc", "-o", "o.jsonl.gz"} << 1;
        QTest::newRow("jsonl.gz from --jsonl: a member a batch") << QStringList{"--jsonl", "a.jsonl", "-o", "o.jsonl.GZ"}
                                                                 << 1;
        QTest::newRow("several archives into one file")
            << QStringList{"--warc", "a.warc", "b.warc.gz", "-o", "o2.wet.gz"} << 4;
    }
    void outputFile() {
        QFETCH(QStringList, args);
        QFETCH(int, members);
        const Finished run = Run(args);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        const QByteArray written = ReadFile(Path(args.last()));
        QCOMPARE(GzipMembers(written), members);
        if (members < 0) QVERIFY(written.startsWith("WARC/1.0\r\n"));
    }

    // A run whose output cannot be written whole leaves the old file as it
    // was, and no other file behind.
    void outputKeptOnFailure_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--warc") << QStringList{"--warc", "big.warc", "-o", "kept.txt"};
        QTest::newRow("--jsonl") << QStringList{"--jsonl", "big.jsonl", "-o", "kept.txt"};
    }
    void outputKeptOnFailure() {
        QFETCH(QStringList, args);
        QByteArray warc, lines;
        for (int i = 0; i < 400; ++i) {
            const QByteArray html = "<p>" + QByteArray::number(i) + " " + QByteArray(200, 'w') + "</p>";
            warc += Page("http://big/" + QByteArray::number(i), html);
            lines += "{\"html\":\"" + html + "\"}\n";
        }
        QVERIFY(WriteFile(Path("big.warc"), warc));
        QVERIFY(WriteFile(Path("big.jsonl"), lines));
        QVERIFY(WriteFile(Path("kept.txt"), "old\n"));
        const QStringList before = QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden);
        const Finished run = RunLimited(16, args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("tessark: kept.txt: "), run.err.constData());
        QCOMPARE(ReadFile(Path("kept.txt")), QByteArray("old\n"));
        QCOMPARE(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden), before);
    }

    // The input named again as the output (by another spelling) is refused
    // and left as it was.
    void inputIsOutput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::newRow("--warc") << QStringList{"--warc", "same.warc", "-o", "./same.warc"} << "same.warc";
        QTest::newRow("--jsonl") << QStringList{"--jsonl", "same.jsonl", "-o", "./same.jsonl"} << "same.jsonl";
    }
    void inputIsOutput() {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        const QByteArray original = file.endsWith(".warc") ? a_ : aLines_;
        QVERIFY(WriteFile(Path(file), original));
        const Finished run = Run(args);
        QVERIFY2(run.err.contains("input file is output file"), run.err.constData());
        QCOMPARE(run.exitCode, 1);
        QVERIFY(ReadFile(Path(file)) == original);
    }

    // A larger archive (the corpus's pages, over 10 MB and so several batches,
    // each a gzip member, with records that are not pages among them) comes
    // out the same on one thread and two.
    void jobsAgree() {
        QByteArrayList records;
        const QDir corpus(QStringLiteral(TESSARK_TEST_DATA) + "/corpus");
        for (const QString& name : corpus.entryList({"*.html"}, QDir::Files, QDir::Name)) {
            const QByteArray url = "http://corpus/" + name.toUtf8();
            records << Page(url, ReadFile(corpus.filePath(name)));
            if (records.size() % 7 == 0) records << Response(url + ".png", "200 OK", "image/png", "\x89PNG");
        }
        QVERIFY(WriteFile(Path("large.warc.gz"), PerRecordGzip(records)));
        const Finished one = Run({"--warc", "--format", "jsonl", "-j1", "-v", "large.warc.gz"});
        const Finished two = Run({"--warc", "--format", "jsonl", "-j2", "-v", "large.warc.gz"});
        QCOMPARE(one.exitCode, 0);
        QCOMPARE(two.exitCode, 0);
        QVERIFY2(one.out.count('\n') > 50, one.err.constData());
        QVERIFY(one.out == two.out);
        QCOMPARE(one.err, two.err);
    }
};

QTEST_GUILESS_MAIN(TestRecordsCli)
#include "test_records_cli.moc"
