// tessark --jsonl: lines cut into batches (records::LineBatcher), and lines
// in and out through the real program, byte for byte. -j is tested by
// test_records_cli; jq reading the output back by crawl/roundtrip.py.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "ProcessTestSupport.h"
#include "records/JsonLines.h"

using namespace tessark;
using namespace tessark::test;

class TestJsonLines : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    Finished Run(const QStringList& args, const QByteArray& input) {
        return RunProcess(QStringLiteral(TESSARK_PROGRAM), QStringList{"--jsonl"} + args, folder_.path(),
                          TestEnvironment(folder_.filePath("config")), 300, input);
    }

private slots:
    // Lines as "NUMBER=BYTES" ("NUMBER!" too long), batches split by "|".
    void batcher_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("piece");  // fed this many bytes at a time
        QTest::addColumn<QString>("lines");
        QTest::newRow("bom crlf no final newline") << QByteArray("\xEF\xBB\xBF" "ab\r\n\r\ncd") << 1
                                                   << "1=ab | 2= 3=cd";
        QTest::newRow("bom only at the start") << QByteArray("a\n\xEF\xBB\xBF" "b\n") << 100 << "1=a 2=\xEF\xBB\xBF" "b";
        QTest::newRow("batches of whole lines") << QByteArray("1234\n5\n67890123\nx") << 3
                                                << "1=1234 2=5 3=67890123 | 4=x";
        QTest::newRow("too long, CR not counted") << QByteArray("0123456789\r\n01234567890\nab") << 4
                                                  << "1=0123456789 | 2! 3=ab";
        QTest::newRow("too long last line") << QByteArray("a\n0123456789abc") << 5 << "1=a 2!";
    }
    void batcher() {
        QFETCH(QByteArray, input);
        QFETCH(int, piece);
        QFETCH(QString, lines);
        records::LineBatcher batcher(6, 10);
        std::vector<records::LineBatch> ready;
        for (qsizetype at = 0; at < input.size(); at += piece)
            batcher.Feed(std::string_view(input.constData() + at, std::size_t(std::min<qsizetype>(piece, input.size() - at))), ready);
        batcher.Finish(ready);
        QStringList shown;
        for (const records::LineBatch& batch : ready) {
            if (!shown.isEmpty()) shown << "|";
            for (const records::BatchLine& line : batch.lines)
                shown << QString::number(line.number) +
                             (line.tooLong ? QString("!")
                                           : QString::fromUtf8("=" + batch.bytes.substr(line.offset, line.size)));
        }
        QCOMPARE(shown.join(' '), lines);
    }

    void lines_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errors");  // standard error, each line a fragment
        const QStringList none;
        QTest::newRow("fields kept, text added") << none
            << QByteArray("{\"url\":\"u\",\"n\":1.50e3,\"big\":123456789012345678901234567890,\"o\":{\"a\":[true,null,-0.5E+2,{}]},\"html\":\"<p>Hi</p>\"}")
            << QByteArray("{\"url\":\"u\",\"n\":1.50e3,\"big\":123456789012345678901234567890,\"o\":{\"a\":[true,null,-0.5E+2,{}]},\"html\":\"<p>Hi</p>\",\"text\":\"Hi\\n\"}" "\n")
            << QByteArray();
        QTest::newRow("text of another type replaced in place") << none
            << QByteArray("{\"text\":[1,{\"a\":2}] ,\"html\":\"<p>x</p>\"}\n{\"text\":7,\"html\":\"<p>y</p>\"}\n{\"html\":\"<p>z</p>\",\"text\":null}\n")
            << QByteArray("{\"text\":\"x\\n\" ,\"html\":\"<p>x</p>\"}\n{\"text\":\"y\\n\",\"html\":\"<p>y</p>\"}\n{\"html\":\"<p>z</p>\",\"text\":\"z\\n\"}\n")
            << QByteArray();
        QTest::newRow("escapes and unicode") << none
            << QByteArray("{\"html\":\"<p>a\\\"b\\\\c \\u00e9\\ud83d\\ude00 &amp; " "\xE2\x82\xAC" "</p>\"}")
            << QByteArray("{\"html\":\"<p>a\\\"b\\\\c \\u00e9\\ud83d\\ude00 &amp; " "\xE2\x82\xAC" "</p>\",\"text\":\"a\\\"b\\\\c "
                          "\xC3\xA9\xF0\x9F\x98\x80 & \xE2\x82\xAC" "\\n\"}" "\n")
            << QByteArray();
        QTest::newRow("bom, crlf, blank lines, no final newline") << none
            << QByteArray("\xEF\xBB\xBF{\"html\":\"a\"}\r\n\r\n   \n{\"html\":\"b\"}")
            << QByteArray("{\"html\":\"a\",\"text\":\"a\\n\"}\n{\"html\":\"b\",\"text\":\"b\\n\"}\n") << QByteArray();
        QTest::newRow("other fields, classic") << QStringList{"--html-field", "body", "--text-field", "t", "--classic"}
            << QByteArray("{\"body\":\"<p>x</p><p>y</p>\",\"html\":1}")
            << QByteArray("{\"body\":\"<p>x</p><p>y</p>\",\"html\":1,\"t\":\"xy\\n\"}" "\n") << QByteArray();
        QTest::newRow("errors of every kind") << none
            << QByteArray("garb\x01" "age\n[1,2]\n{\"a\":1}\n{\"html\":3,\"error\":\"old\"}\n{\"html\":\"a\"}}\n"
                          "{\"html\":\"\xFF\"}\n{\"a\":tru,\"html\":\"x\"}\n{\"a\":01,\"html\":\"x\"}\n{\"html\":\"\\ud800\"}\n{}\n")
            << QByteArray("{\"error\":\"not valid JSON\",\"line\":\"garb\\u0001age\"}\n"
                          "{\"error\":\"not a JSON object\",\"line\":\"[1,2]\"}\n"
                          "{\"a\":1,\"error\":\"no field \\\"html\\\"\"}\n"
                          "{\"html\":3,\"error\":\"field \\\"html\\\" is not a string\"}\n"
                          "{\"error\":\"not valid JSON\",\"line\":\"{\\\"html\\\":\\\"a\\\"}}\"}\n"
                          "{\"error\":\"not valid UTF-8\",\"line\":\"{\\\"html\\\":\\\"\xEF\xBF\xBD\\\"}\"}\n"
                          "{\"error\":\"not valid JSON\",\"line\":\"{\\\"a\\\":tru,\\\"html\\\":\\\"x\\\"}\"}\n"
                          "{\"error\":\"not valid JSON\",\"line\":\"{\\\"a\\\":01,\\\"html\\\":\\\"x\\\"}\"}\n"
                          "{\"error\":\"not valid JSON\",\"line\":\"{\\\"html\\\":\\\"\\\\ud800\\\"}\"}\n"
                          "{\"error\":\"no field \\\"html\\\"\"}\n")
            << QByteArray("(standard input):1: not valid JSON\n(standard input):2: not a JSON object\n"
                          "(standard input):3: no field \"html\"\n(standard input):4: field \"html\" is not a string\n"
                          "(standard input):6: not valid UTF-8\n(standard input):10: no field");
    }
    void lines() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, errors);
        const Finished run = Run(args + QStringList{"-"}, input);
        QCOMPARE(run.out, output);
        QCOMPARE(run.exitCode, errors.isEmpty() ? 0 : 1);
        for (const QByteArray& fragment : errors.split('\n'))
            if (!fragment.isEmpty()) QVERIFY2(run.err.contains(fragment), run.err.constData());
        if (errors.isEmpty()) QCOMPARE(run.err, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestJsonLines)
#include "test_jsonl.moc"
