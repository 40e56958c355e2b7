// The modern command line's many-file mode (-d, -j) over a failing disk
// (FaultyDisk, through the seam cli::Run(arguments, disk)): the failing
// file's output keeps its old bytes and gets one line on standard error with
// the error number and message, every other file is still converted, nothing
// else is left in the output folder, and the exit status is 1.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <memory>

#include "AppTestSupport.h"
#include "FaultyDisk.h"
#include "ModernCommandLine.h"

using namespace tessark;
using namespace tessark::test;
using Fault = FaultyDisk::Fault;

Q_DECLARE_METATYPE(tessark::test::FaultyDisk::Fault)

namespace {

// Standard error of this process, caught in a file while `action` runs.
QByteArray CaptureStandardError(const std::function<void()>& action) {
    QTemporaryFile file;
    if (!file.open()) return "<no capture>";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

}  // namespace

class TestCliFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(Path("out"));
        for (const char* name : {"a", "b", "c", "d"}) {
            WriteFile(Path(QString("%1.html").arg(name)), QByteArray("<p>page ") + name + "</p>");
            WriteFile(Path(QString("out/%1.txt").arg(name)), QByteArray("old ") + name);
        }
    }

    // The fault strikes the files of page b only.
    void manyFiles_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("input cannot be opened") << Fault::OpenRead << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("input read error") << Fault::Read << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("output cannot be created") << Fault::OpenWrite << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("disk full") << Fault::Write << ENOSPC << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("write I/O error") << Fault::Write << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("rename fails") << Fault::Rename << EIO << "RemoveHTML: Error 57: Device I/O error";
    }
    void manyFiles() {
        QFETCH(Fault, fault);
        QFETCH(int, error);
        QFETCH(QString, message);
        TempSettings settings;
        DiskFileSystem real;
        FaultyDisk disk(real);
        const bool reading = fault == Fault::OpenRead || fault == Fault::Read;
        disk.Arm({fault, error, 0, reading ? QString("/b.html") : QString("/b.txt")});
        int status = -1;
        const QByteArray err = CaptureStandardError([&] {
            status = cli::Run({"tessark", "-j", "2", "-d", Path("out"), Path("a.html"), Path("b.html"), Path("c.html"),
                               Path("d.html")},
                              disk);
        });
        QCOMPARE(disk.Struck(), 1);
        QCOMPARE(status, cli::kExitFailed);
        QCOMPARE(QString::fromLocal8Bit(err), "tessark: " + Path("b.html") + ": " + message + "\n");
        QCOMPARE(ReadFile(Path("out/b.txt")), QByteArray("old b"));
        for (const char* name : {"a", "c", "d"})
            QCOMPARE(ReadFile(Path(QString("out/%1.txt").arg(name))), QByteArray("page ") + name);
        QCOMPARE(QDir(Path("out")).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.txt", "b.txt", "c.txt", "d.txt"}));
    }

    // Without a fault the same run converts every file and exits with 0.
    void manyFilesWithoutFault() {
        TempSettings settings;
        DiskFileSystem real;
        FaultyDisk disk(real);
        int status = -1;
        const QByteArray err = CaptureStandardError(
            [&] { status = cli::Run({"tessark", "-d", Path("out"), Path("a.html"), Path("b.html")}, disk); });
        QCOMPARE(status, cli::kExitConverted);
        QCOMPARE(err, QByteArray());
        QCOMPARE(ReadFile(Path("out/b.txt")), QByteArray("page b"));
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestCliFaults)
#include "test_cliFaults.moc"
