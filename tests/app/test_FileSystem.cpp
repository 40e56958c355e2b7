// The disk layer: whole-file reads (with room to grow in place), error
// numbers for the usual failures, and all-or-nothing replacement.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "EngineHooks.h"
#include "FileSystem.h"

namespace tessark::test {

class TestFileSystem : public QObject {
    Q_OBJECT

    static void WriteFile(const QString& path, const QByteArray& data) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(data), data.size());
    }

    static int ErrorNumberOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const RuntimeError& e) {
            return e.number();
        }
        return 0;
    }

private Q_SLOTS:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void readAllKeepsEveryByteAndLeavesRoom_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<qint64>("room");
        QTest::newRow("small, no room") << qsizetype(300) << qint64(0);
        QTest::newRow("small, room for twice") << qsizetype(300) << qint64(300);
        // Large enough for the huge-page advice to apply.
        QTest::newRow("12 MB, room for twice") << qsizetype(12 << 20) << qint64(12 << 20);
    }
    void readAllKeepsEveryByteAndLeavesRoom() {
        QFETCH(qsizetype, size);
        QFETCH(qint64, room);
        QByteArray content(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i) content[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
        const QString path = dir_->filePath(QStringLiteral("in.bin"));
        WriteFile(path, content);

        DiskFileSystem disk;
        QByteArray read = disk.ReadAll(path, room);
        QCOMPARE(read, content);
        QVERIFY(read.capacity() >= size + room);
        // Growing into the room keeps the array where it is.
        const char* before = read.constData();
        read.resize(size + static_cast<qsizetype>(room));
        QCOMPARE(read.constData(), before);
        QCOMPARE(read.left(size), content);
    }

    void failuresCarryTheirNumbers_data() {
        QTest::addColumn<int>("expected");
        QTest::addColumn<std::function<void(DiskFileSystem&, const QString&)>>("action");
        using Action = std::function<void(DiskFileSystem&, const QString&)>;
        QTest::newRow("read a missing file") << 53 << Action([](DiskFileSystem& d, const QString& dir) {
            d.ReadAll(dir + QStringLiteral("/missing.html"));
        });
        QTest::newRow("read a folder") << 75 << Action([](DiskFileSystem& d, const QString& dir) { d.ReadAll(dir); });
        QTest::newRow("length of a missing file") << 53 << Action([](DiskFileSystem& d, const QString& dir) {
            d.FileLen(dir + QStringLiteral("/missing.html"));
        });
        QTest::newRow("write into a missing folder") << 76 << Action([](DiskFileSystem& d, const QString& dir) {
            d.WriteAll(dir + QStringLiteral("/no/such/out.txt"), "x");
        });
        QTest::newRow("write over a folder") << 75 << Action([](DiskFileSystem& d, const QString& dir) {
            QDir(dir).mkdir(QStringLiteral("sub"));
            d.WriteAll(dir + QStringLiteral("/sub"), "x");
        });
        QTest::newRow("write with no name") << 52 << Action([](DiskFileSystem& d, const QString&) {
            d.WriteAll(QString(), "x");
        });
    }
    void failuresCarryTheirNumbers() {
        QFETCH(int, expected);
        QFETCH(std::function<void(DiskFileSystem&, const QString&)>, action);
        DiskFileSystem disk;
        QCOMPARE(ErrorNumberOf([&] { action(disk, dir_->path()); }), expected);
    }

    void readOnlyTargetIsRefusedAndKept() {
        const QString path = dir_->filePath(QStringLiteral("locked.txt"));
        WriteFile(path, "old content");
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        DiskFileSystem disk;
        QCOMPARE(ErrorNumberOf([&] { disk.WriteAll(path, "new"); }), 70);
        QCOMPARE(disk.ReadAll(path), QByteArray("old content"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    void replacementLeavesOnlyTheTarget() {
        const QString path = dir_->filePath(QStringLiteral("out.txt"));
        WriteFile(path, "old");
        DiskFileSystem disk;
        disk.WriteAll(path, "new content");
        QCOMPARE(disk.ReadAll(path), QByteArray("new content"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{QStringLiteral("out.txt")});
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;  // a fresh folder for each test
};

}  // namespace tessark::test

QTEST_GUILESS_MAIN(tessark::test::TestFileSystem)
#include "test_FileSystem.moc"
