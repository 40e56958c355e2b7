// The program itself in batch mode: a copy of the executable in a temporary
// folder (so that relative paths land there) with its own settings folder.
#include <sys/stat.h>

#include <QDateTime>
#include <QProcess>
#include <memory>
#include <vector>

#include "AppTestSupport.h"

using namespace tessark::test;

class TestBatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QFile::copy(QStringLiteral(TESSARK_PROGRAM), Path("tessark")));
        QFile::setPermissions(Path("tessark"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        WriteFile(Path("page.html"), "<html><script>x()</script><p>One&amp;two</p>\r\n\r\n<p>three</p></html>");
    }

    void commandLines_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::addColumn<QString>("written");
        QTest::newRow("relative paths") << QStringList{"page.html", "out.txt"} << 0 << "" << "out.txt";
        QTest::newRow("absolute paths") << QStringList{"@page.html", "@abs.txt"} << 0 << "" << "abs.txt";
        QTest::newRow("extra words ignored") << QStringList{"page.html", "out.txt", "more"} << 0 << "" << "out.txt";
        QTest::newRow("single word") << QStringList{"page.html"} << 1
                                     << "You have not selected the output file.\n" << "";
        QTest::newRow("empty second word") << QStringList{"page.html", ""} << 1
                                           << "You have not selected the output file.\n" << "";
        QTest::newRow("missing input") << QStringList{"nope.html", "out.txt"} << 1 << "Input file is missing\n" << "";
        QTest::newRow("missing folder") << QStringList{"page.html", "no/out.txt"} << 1
                                        << "RemoveHTML: Error 76: Path not found\n" << "";
    }
    void commandLines() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        QFETCH(QString, written);
        for (QString& a : args)
            if (a.startsWith(u'@')) a = Path(a.mid(1));
        QProcess p;
        p.setWorkingDirectory(QDir::tempPath());  // relative paths must not depend on it
        p.setProcessEnvironment(Environment());
        p.start(Path("tessark"), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), exitCode);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), stderrText);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        if (!written.isEmpty()) QCOMPARE(ReadFile(Path(written)), QByteArray("One&two three"));
        // Every run saves the options it loaded.
        QSettings stored(Path("config/OrvaneTessark/OrvaneTessark.ini"), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("RemoveScripts")).toString(), QStringLiteral("True"));
    }

    void savedOptionsAreUsedAndRewritten() {
        QDir().mkpath(Path("config/OrvaneTessark"));
        WriteFile(Path("config/OrvaneTessark/OrvaneTessark.ini"),
                  "[General]\nRemoveAllTags=0\nRemoveScripts=1\nRemoveBlankLines=no\n");
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(Path("tessark"), {"page.html", "out.txt"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("<html><p>One&two</p> <p>three</p></html>"));
        QSettings stored(Path("config/OrvaneTessark/OrvaneTessark.ini"), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("RemoveAllTags")).toString(), QStringLiteral("False"));
        QCOMPARE(stored.value(QStringLiteral("RemoveScripts")).toString(), QStringLiteral("True"));
        QCOMPARE(stored.value(QStringLiteral("RemoveBlankLines")).toString(), QStringLiteral("False"));
        QCOMPARE(stored.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

    // The classic form uses the stored Encoding and never writes the key:
    // the settings file is exactly what a run writes without it, plus the
    // key's line as it stood.
    void storedEncodingIsUsedAndKept_data() {
        QTest::addColumn<QByteArray>("encodingLine");  // empty: no key
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("no key: Windows-1252") << QByteArray() << QByteArray("caf\xC3\xA9 \xE9 (c)");
        QTest::newRow("utf-8") << QByteArray("Encoding=utf-8\n") << QByteArray("caf\xC3\xA9 \xC3\xA9 (c)");
        QTest::newRow("auto") << QByteArray("Encoding=auto\n") << QByteArray("caf\xC3\xA9 \xC3\xA9 (c)");
        QTest::newRow("unreadable") << QByteArray("Encoding=Unicode\n") << QByteArray("caf\xC3\xA9 \xE9 (c)");
    }
    void storedEncodingIsUsedAndKept() {
        QFETCH(QByteArray, encodingLine);
        QFETCH(QByteArray, output);
        WriteFile(Path("utf8.html"), "<p>caf\xC3\xA9 &eacute; &copy;</p>");
        QDir().mkpath(Path("config/OrvaneTessark"));
        WriteFile(Path("config/OrvaneTessark/OrvaneTessark.ini"), "[General]\n" + encodingLine);
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(Path("tessark"), {"utf8.html", "out.txt"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(ReadFile(Path("out.txt")), output);
        QByteArray expected = "[General]\n" + encodingLine;
        for (const char* key : {"GenerateSpecialChars", "RemoveAllCRLF", "RemoveAllTags", "RemoveBlankLines",
                                "RemoveComments", "RemoveFunctions", "RemovePipe", "RemoveScripts", "RemoveSpaces",
                                "RemoveStyles", "RemoveTabs"})
            expected += QByteArray(key) + "=True\n";
        QCOMPARE(ReadFile(Path("config/OrvaneTessark/OrvaneTessark.ini")), expected);
    }

    // Eight classic runs started at once over an up-to-date store: each
    // converts, and none rewrites the store (same file, same time stamp).
    void concurrentRunsLeaveUpToDateStoreAlone() {
        const QString store = Path("config/OrvaneTessark/OrvaneTessark.ini");
        QDir().mkpath(QFileInfo(store).path());
        WriteFile(store, kAllTrue);
        const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
        {
            QFile file(store);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(store).constData(), &before), 0);
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 8; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setProcessEnvironment(Environment());
            runs.back()->start(Path("tessark"), {"page.html", QStringLiteral("out%1.txt").arg(i)});
        }
        for (int i = 0; i < 8; ++i) {
            QVERIFY(runs[i]->waitForFinished(60000));
            QCOMPARE(runs[i]->exitCode(), 0);
            QCOMPARE(ReadFile(Path(QStringLiteral("out%1.txt").arg(i))), QByteArray("One&two three"));
        }
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(store).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(QFileInfo(store).lastModified(), old);
        QCOMPARE(ReadFile(store), kAllTrue);
        QVERIFY(!QFile::exists(store + QStringLiteral(".lock")));
    }

    // A store with a key that differs from what is saved is written as it
    // always was: every key in the form "True"/"False", other keys kept.
    void changedStoreIsWrittenAsBefore() {
        const QString store = Path("config/OrvaneTessark/OrvaneTessark.ini");
        QDir().mkpath(QFileInfo(store).path());
        WriteFile(store, "[General]\nRemoveTabs=1\nZebra=stripes\n");
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(Path("tessark"), {"page.html", "out.txt"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(ReadFile(store), QByteArray(kAllTrue).replace("RemoveTabs=True\n", "RemoveTabs=True\nZebra=stripes\n"));
    }

private:
    static inline const QByteArray kAllTrue =
        "[General]\nGenerateSpecialChars=True\nRemoveAllCRLF=True\nRemoveAllTags=True\nRemoveBlankLines=True\n"
        "RemoveComments=True\nRemoveFunctions=True\nRemovePipe=True\nRemoveScripts=True\nRemoveSpaces=True\n"
        "RemoveStyles=True\nRemoveTabs=True\n";
    QString Path(const QString& name) const { return dir_->filePath(name); }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
