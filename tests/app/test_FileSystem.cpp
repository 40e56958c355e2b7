// The disk layer: whole-file reads (with room to grow in place), error
// numbers for the usual failures, and all-or-nothing replacement, whole and
// in blocks.
#include <QDir>
#include <QFileInfo>
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

    // Reading in blocks of any size gives the file; writing in blocks gives
    // the target only at Commit.
    void streamsInBlocks_data() {
        QTest::addColumn<qint64>("block");
        QTest::newRow("1 byte") << qint64(1);
        QTest::newRow("4093 bytes") << qint64(4093);
        QTest::newRow("1 MB") << qint64(1 << 20);
    }
    void streamsInBlocks() {
        QFETCH(qint64, block);
        QByteArray content(300000, Qt::Uninitialized);
        for (qsizetype i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        const QString in = dir_->filePath(QStringLiteral("in.bin"));
        const QString out = dir_->filePath(QStringLiteral("out.bin"));
        WriteFile(in, content);
        WriteFile(out, "old");
        DiskFileSystem disk;
        const std::unique_ptr<InputStream> reader = disk.OpenRead(in);
        const std::unique_ptr<OutputStream> writer = disk.OpenWrite(out);
        QByteArray buffer(static_cast<qsizetype>(block), Qt::Uninitialized);
        QByteArray read;
        for (qint64 n; (n = reader->Read(buffer.data(), block)) > 0;) {
            read.append(buffer.constData(), static_cast<qsizetype>(n));
            writer->Write(buffer.constData(), n);
            if (read.size() < 3 * block) QCOMPARE(disk.ReadAll(out), QByteArray("old"));
        }
        QCOMPARE(read, content);
        QCOMPARE(disk.ReadAll(out), QByteArray("old"));  // nothing replaced before Commit
        writer->Commit();
        QCOMPARE(disk.ReadAll(out), content);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("in.bin"), QStringLiteral("out.bin")}));
    }

    void streamGivenUpKeepsTheOldTarget_data() {
        QTest::addColumn<bool>("discard");
        QTest::newRow("discarded") << true;
        QTest::newRow("destroyed") << false;
    }
    void streamGivenUpKeepsTheOldTarget() {
        QFETCH(bool, discard);
        const QString out = dir_->filePath(QStringLiteral("out.txt"));
        WriteFile(out, "old");
        DiskFileSystem disk;
        {
            const std::unique_ptr<OutputStream> writer = disk.OpenWrite(out);
            writer->Write("new content", 11);
            if (discard) writer->Discard();
        }
        QCOMPARE(disk.ReadAll(out), QByteArray("old"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.txt")});
    }

    // OpenWrite refuses what WriteAll refuses, before anything is written.
    void openWriteRefusesLikeWriteAll_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing folder") << QStringLiteral("no/such/out.txt") << 76;
        QTest::newRow("a folder") << QStringLiteral("sub") << 75;
        QTest::newRow("read-only") << QStringLiteral("locked.txt") << 70;
        QTest::newRow("empty name") << QString() << 52;
    }
    void openWriteRefusesLikeWriteAll() {
        QFETCH(QString, name);
        QFETCH(int, expected);
        QDir(dir_->path()).mkdir(QStringLiteral("sub"));
        const QString locked = dir_->filePath(QStringLiteral("locked.txt"));
        WriteFile(locked, "old content");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const QString path = name.isEmpty() ? QString() : dir_->filePath(name);
        DiskFileSystem disk;
        QCOMPARE(ErrorNumberOf([&] { disk.OpenWrite(path); }), expected);
        QCOMPARE(ErrorNumberOf([&] { disk.WriteAll(path, "x"); }), expected);
        QCOMPARE(disk.ReadAll(locked), QByteArray("old content"));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    void openReadFailsLikeReadAll() {
        DiskFileSystem disk;
        QCOMPARE(ErrorNumberOf([&] { disk.OpenRead(dir_->filePath(QStringLiteral("missing.html"))); }), 53);
        QCOMPARE(ErrorNumberOf([&] { disk.OpenRead(dir_->path()); }), 75);
    }

    void devicesAreWrittenDirectly() {
        DiskFileSystem disk;
        const std::unique_ptr<OutputStream> writer = disk.OpenWrite(QStringLiteral("/dev/null"));
        writer->Write("text", 4);
        writer->Commit();
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists());
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;  // a fresh folder for each test
};

}  // namespace tessark::test

QTEST_GUILESS_MAIN(tessark::test::TestFileSystem)
#include "test_FileSystem.moc"
