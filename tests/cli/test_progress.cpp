// The text of the progress line: counts, megabytes read, rate and the time
// left, estimated from the bytes when their total is known and from the
// files otherwise.
#include <QtTest>

#include "Progress.h"

using namespace tessark::cli;

class TestProgress : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void format_data() {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("bytesRead");
        QTest::addColumn<qint64>("totalBytes");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing done yet") << 0 << 120 << qint64(0) << qint64(0) << 0.6
                                          << "0/120 files, 0.0 MB read, 0.0 MB/s";
        QTest::newRow("by bytes") << 37 << 120 << qint64(12'300'000) << qint64(36'900'000) << 2.0
                                  << "37/120 files, 12.3 MB read, 6.2 MB/s, 0:04 left";
        QTest::newRow("by files") << 10 << 40 << qint64(5'000'000) << qint64(0) << 1.5
                                  << "10/40 files, 5.0 MB read, 3.3 MB/s, 0:05 left";
        QTest::newRow("minutes") << 1 << 100 << qint64(1'000'000) << qint64(100'000'000) << 1.0
                                 << "1/100 files, 1.0 MB read, 1.0 MB/s, 1:39 left";
        QTest::newRow("hours") << 1 << 5000 << qint64(1'000'000) << qint64(5'000'000'000) << 1.0
                               << "1/5000 files, 1.0 MB read, 1.0 MB/s, 1:23:19 left";
        QTest::newRow("all done") << 5 << 5 << qint64(2'000'000) << qint64(2'000'000) << 0.8
                                  << "5/5 files, 2.0 MB read, 2.5 MB/s, 0:00 left";
    }
    void format() {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(qint64, bytesRead);
        QFETCH(qint64, totalBytes);
        QFETCH(double, elapsed);
        QFETCH(QString, line);
        QCOMPARE(FormatProgress(done, total, bytesRead, totalBytes, elapsed), line);
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "test_progress.moc"
