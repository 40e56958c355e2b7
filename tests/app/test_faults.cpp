// The job's failures injected through FaultyDisk (the real disk with faults
// on command), in the classic batch form as start-up runs it and in
// interactive mode: every failure gives its error number and message, the
// old output stays byte for byte, no temporary file is left, and the exit
// status says so.
#include <unistd.h>

#include "AppTestSupport.h"
#include "FaultyDisk.h"

using namespace tessark;
using namespace tessark::test;
using Fault = FaultyDisk::Fault;

Q_DECLARE_METATYPE(tessark::test::FaultyDisk::Fault)

namespace {

const QByteArray kOld = "old output\r\nkept byte for byte\r\n";
const QByteArray kPage = "<p>One &amp; two</p>\r\n<script>x()</script>three";

// Every file in `dir` other than the ones named.
QStringList StrayFiles(const QString& dir, const QStringList& expected) {
    QStringList stray;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!expected.contains(name)) stray << name;
    return stray;
}

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        ResetGlobals(window_, sink_);
        sink_ = RecordingSink();
        SetAllBoxes(window_.CheckBoxes(), 1);
        dir_ = std::make_unique<QTemporaryDir>();
        WriteFile(Path("page.html"), kPage);
        WriteFile(Path("out.txt"), kOld);
        basProcessing::SetFileSystem(&disk_);
        basMain::SetExitHandler([this](int code) { exitCodes_ << code; });
        exitCodes_.clear();
    }
    void cleanup() {
        basProcessing::SetFileSystem(nullptr);
        basMain::SetExitHandler({});
        disk_.Arm({});
    }

    // The job's failure table, fault by fault.
    void failures_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");  // empty: the conversion succeeds
        QTest::newRow("input cannot be opened") << Fault::OpenRead << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("input read error") << Fault::Read << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("output cannot be created") << Fault::OpenWrite << EACCES
                                                  << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("output read-only file system") << Fault::OpenWrite << EROFS
                                                      << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("disk full") << Fault::Write << ENOSPC << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("quota") << Fault::Write << EDQUOT << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("write I/O error") << Fault::Write << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("rename fails, I/O") << Fault::Rename << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("rename fails, busy") << Fault::Rename << EBUSY << "RemoveHTML: Error 75: Path/File access error";
        QTest::newRow("rename fails, denied") << Fault::Rename << EACCES << "RemoveHTML: Error 70: Permission denied";
    }

    // Batch: start-up with two words, as `tessark page.html out.txt` runs.
    void failures() {
        QFETCH(Fault, fault);
        QFETCH(int, error);
        QFETCH(QString, message);
        disk_.Arm({fault, error, 1, {}});
        basMain::Main({Path("page.html"), Path("out.txt")}, window_);
        QCOMPARE(disk_.Struck(), 1);
        ExitedWith(1);
        QCOMPARE(sink_.notes, QStringList{message});
        QVERIFY(sink_.shown.isEmpty() && sink_.asked.isEmpty());
        const QStringList parts = message.split(": ");
        QCOMPARE(basMain::LastErrorNumber, parts.at(1).mid(6).toInt());
        QCOMPARE(basMain::LastErrorDescription, parts.at(2));
        QCOMPARE(ReadFile(Path("out.txt")), kOld);
        QCOMPARE(StrayFiles(dir_->path(), {"page.html", "out.txt"}), QStringList{});
    }

    // Interactive: the same failures as message boxes, after the question.
    void failuresInteractive_data() { failures_data(); }
    void failuresInteractive() {
        QFETCH(Fault, fault);
        QFETCH(int, error);
        QFETCH(QString, message);
        disk_.Arm({fault, error, 1, {}});
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("out.txt");
        QCOMPARE(basProcessing::RemoveHTML(), basProcessing::JobResult::Failed);
        QCOMPARE(sink_.asked, QStringList{"Output file already exists, overwrite?"});
        QCOMPARE(sink_.shown, QStringList{message});
        QCOMPARE(ReadFile(Path("out.txt")), kOld);
        QCOMPARE(StrayFiles(dir_->path(), {"page.html", "out.txt"}), QStringList{});
        // The fault was one-off: the next run converts.
        QCOMPARE(basProcessing::RemoveHTML(), basProcessing::JobResult::Written);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("One & two three"));
    }

    // A read that ends early (a file that shrinks while it is read) is not an
    // error: what was read is converted and written whole.
    void shortRead() {
        WriteFile(Path("page.html"), "<b>first half</b>|<i>second half</i>");
        disk_.Arm({Fault::ShortRead, 0, 1, {}});
        basMain::Main({Path("page.html"), Path("out.txt")}, window_);
        ExitedWith(0);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("first half"));
        QCOMPARE(StrayFiles(dir_->path(), {"page.html", "out.txt"}), QStringList{});
    }

    // An existing input that cannot be read, on the real disk (as a user
    // without the right: root reads every file, so then only FaultyDisk can
    // show it, above).
    void unreadableInputOnDisk() {
        if (::geteuid() == 0) QSKIP("root reads every file; the fault rows cover this case");
        QVERIFY(QFile::setPermissions(Path("page.html"), QFileDevice::WriteOwner));
        basProcessing::SetFileSystem(nullptr);
        basMain::Main({Path("page.html"), Path("out.txt")}, window_);
        ExitedWith(1);
        QCOMPARE(sink_.notes, QStringList{"RemoveHTML: Error 70: Permission denied"});
        QCOMPARE(ReadFile(Path("out.txt")), kOld);
    }

    // The disk's own device: writing onto /dev/full fails with ENOSPC for
    // real.
    void realDiskFull() {
        if (!QFileInfo::exists("/dev/full")) QSKIP("no /dev/full on this system");
        basProcessing::SetFileSystem(nullptr);
        basMain::Main({Path("page.html"), "/dev/full"}, window_);
        ExitedWith(1);
        QCOMPARE(sink_.notes, QStringList{"RemoveHTML: Error 61: Disk full"});
    }

private:
    // Start-up ends the process once, through ShutDown, with `code` (here the
    // exit handler records it instead; the window's unload and start-up both
    // reach it, so it may be recorded twice, always with the same code).
    void ExitedWith(int code) {
        QVERIFY(!exitCodes_.isEmpty());
        for (int c : exitCodes_) QCOMPARE(c, code);
    }
    QString Path(const QString& name) const { return dir_->filePath(name); }
    HeadlessWindow window_;
    RecordingSink sink_;
    DiskFileSystem real_;
    FaultyDisk disk_{real_};
    std::unique_ptr<QTemporaryDir> dir_;
    QList<int> exitCodes_;
};

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
