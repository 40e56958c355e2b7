// Start-up's settings: the two words of the classic command line, and the
// options and the text encoding between the settings store and the check
// boxes (LoadOptions, SaveOptions), as the window and the classic form keep
// them.
#include "AppTestSupport.h"
#include "BooleanText.h"
#include "Startup.h"

using namespace tessark;
using namespace tessark::test;

namespace {

// The store as a save of the classic eleven, all on, writes it.
const QByteArray kAllTrue =
    "[General]\nGenerateSpecialChars=True\nRemoveAllCRLF=True\nRemoveAllTags=True\nRemoveBlankLines=True\n"
    "RemoveComments=True\nRemoveFunctions=True\nRemovePipe=True\nRemoveScripts=True\nRemoveSpaces=True\n"
    "RemoveStyles=True\nRemoveTabs=True\n";

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { boxes_ = OptionHolder(); }

    // The program folder is "/app/". A word holding ":\" anywhere, or
    // absolute here, is used as it stands; any other is put after it.
    void parseCommandLine_data() {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("relative") << QStringList{"page.html", "out.txt"} << "/app/page.html" << "/app/out.txt";
        QTest::newRow("drive paths") << QStringList{"C:\\a\\p.html", "d:\\o.txt"} << "C:\\a\\p.html" << "d:\\o.txt";
        QTest::newRow(":\\ in the middle") << QStringList{"dir/a:\\b.html", "o"} << "dir/a:\\b.html" << "/app/o";
        QTest::newRow("network path") << QStringList{"\\\\srv\\p.html", "o"} << "/app/\\\\srv\\p.html" << "/app/o";
        QTest::newRow("drive-relative") << QStringList{"C:page.html", "a:/o"} << "/app/C:page.html" << "/app/a:/o";
        QTest::newRow("absolute") << QStringList{"/data/p.html", "/data/o.txt"} << "/data/p.html" << "/data/o.txt";
        QTest::newRow("one word") << QStringList{"page.html"} << "/app/page.html" << "";
        QTest::newRow("empty second word") << QStringList{"page.html", ""} << "/app/page.html" << "";
        QTest::newRow("more words") << QStringList{"a.html", "b.txt", "c"} << "/app/a.html" << "/app/b.txt";
        QTest::newRow("no words") << QStringList{} << "" << "";
    }
    void parseCommandLine() {
        QFETCH(QStringList, words);
        QFETCH(QString, input);
        QFETCH(QString, output);
        const classic::JobRequest request = startup::ParseCommandLine(words, "/app/");
        QCOMPARE(request.inputFile, input);
        QCOMPARE(request.outputFile, output);
    }

    // A stored text is read as the Boolean it spells (unreadable: off) and
    // written back as "True"/"False" by the window and the classic form; a
    // store that already holds what would be written is left alone.
    void storedTexts_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("readable");  // ReadBoolean gives a value
        for (const char* t : {"True", "TRUE", "true", "1", "-1", "2.5", "1e3", "  True ", "&H10", "&O7"})
            QTest::newRow(t) << QByteArray(t) << true << true;
        for (const char* t : {"False", "false", "0", "0.0", "&H0"}) QTest::newRow(t) << QByteArray(t) << false << true;
        for (const char* t : {"yes", "on", "", "Truex", "1a", "&Hxyz", "a, b"})
            QTest::newRow(t) << QByteArray(t) << false << false;
    }
    void storedTexts() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, on);
        QFETCH(bool, readable);
        QCOMPARE(ReadBoolean(QString::fromLatin1(stored)).has_value(), readable);
        TempSettings settings;
        const QString path = settings.FilePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray before = QByteArray(kAllTrue).replace("RemoveTabs=True", "RemoveTabs=" + stored);
        const bool kept = stored.trimmed() == (on ? "True" : "False");  // the file format trims spaces
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5));
        for (const bool batch : {false, true}) {
            WriteFile(path, before);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
            file.close();
            startup::LoadOptions(boxes_);
            QCOMPARE(boxes_.Value(Option::RemoveTabs), on ? 1 : 0);
            startup::SaveOptions(boxes_, batch);
            QCOMPARE(ReadFile(path), kept ? before : QByteArray(kAllTrue).replace("RemoveTabs=True", on ? "RemoveTabs=True"
                                                                                                      : "RemoveTabs=False"));
            QCOMPARE(QFileInfo(path).lastModified() == old, kept);
        }
    }

    // The readable-text keys (KeepLinks here) and the Encoding key: read in
    // both modes, a missing readable key as off and a missing or unreadable
    // encoding as windows-1252. The window writes a readable key once it is
    // on or has a key, and the encoding when it was stored or is not the
    // classic one; the classic form writes neither.
    void keysBesideTheClassicEleven_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QByteArray>("stored");  // lines of [General]
        QTest::addColumn<int>("tick");           // KeepLinks; -1: as loaded
        QTest::addColumn<QString>("choose");     // the encoding; "": as loaded
        QTest::addColumn<QString>("loaded");     // "KeepLinks encoding"
        QTest::addColumn<QString>("saved");      // "KeepLinks Encoding", "-": no key
        QTest::newRow("window, nothing") << false << QByteArray() << -1 << "" << "0 windows-1252" << "- -";
        QTest::newRow("window, chosen") << false << QByteArray() << 1 << "auto" << "0 windows-1252" << "True auto";
        QTest::newRow("window, back") << false << QByteArray("KeepLinks=True\nEncoding=utf-8\n") << 0 << "windows-1252"
                                      << "1 utf-8" << "False windows-1252";
        QTest::newRow("window, False") << false << QByteArray("KeepLinks=False\n") << -1 << "" << "0 windows-1252" << "False -";
        QTest::newRow("window, unreadable") << false << QByteArray("KeepLinks=1\nEncoding=x\n") << -1 << ""
                                            << "1 windows-1252" << "True windows-1252";
        QTest::newRow("window, yes") << false << QByteArray("KeepLinks=yes\n") << -1 << "" << "0 windows-1252" << "False -";
        QTest::newRow("window, letter case") << false << QByteArray("Encoding=AUTO\n") << -1 << "" << "0 auto" << "- auto";
        QTest::newRow("window, a list") << false << QByteArray("Encoding=auto, utf-8\n") << -1 << "" << "0 windows-1252"
                                        << "- windows-1252";
        QTest::newRow("batch, chosen") << true << QByteArray() << 1 << "utf-8" << "0 windows-1252" << "- -";
        QTest::newRow("batch, utf-8") << true << QByteArray("Encoding=utf-8\n") << -1 << "" << "0 utf-8" << "- utf-8";
        QTest::newRow("batch, unreadable") << true << QByteArray("Encoding=utf8\n") << -1 << "" << "0 windows-1252" << "- utf8";
        QTest::newRow("batch, changed") << true << QByteArray("KeepLinks=True\nEncoding=auto\n") << 0 << "utf-8"
                                        << "1 auto" << "True auto";
    }
    void keysBesideTheClassicEleven() {
        QFETCH(bool, batch);
        QFETCH(QByteArray, stored);
        QFETCH(int, tick);
        QFETCH(QString, choose);
        QFETCH(QString, loaded);
        QFETCH(QString, saved);
        TempSettings settings;
        QVERIFY(QDir().mkpath(QFileInfo(settings.FilePath()).path()));
        WriteFile(settings.FilePath(), "[General]\n" + stored);
        startup::LoadOptions(boxes_);
        OptionBoxes& boxes = boxes_;
        QCOMPARE(QString::number(boxes.Value(Option::KeepLinks)) + ' ' + TextEncoding::SettingText(boxes.EncodingChoice()), loaded);
        for (const Option other : {Option::BreakAtBlocks, Option::KeepAltText, Option::DecodeAllReferences})
            QCOMPARE(boxes.Value(other), 0);
        if (tick >= 0) boxes.SetValue(Option::KeepLinks, tick);
        if (!choose.isEmpty()) boxes.SetEncodingChoice(*TextEncoding::ParseSetting(choose));
        startup::SaveOptions(boxes_, batch);
        QSettings after = settings.Open();
        QCOMPARE(after.value("KeepLinks", "-").toString() + ' ' + after.value(kEncodingKey, "-").toString(), saved);
        for (const char* other : {"BreakAtBlocks", "KeepAltText", "DecodeAllReferences"}) QVERIFY(!after.contains(other));
        QCOMPARE(after.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

private:
    OptionHolder boxes_;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
