// Start-up's settings: the two words of the classic command line, and the
// options and the text encoding between the settings store and the check
// boxes (LoadOptions, SaveOptions), as the window and the classic form keep
// them.
#include "AppTestSupport.h"
#include "basTools.h"

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
    void init() { ResetGlobals(window_, sink_); }

    // AppFolder is "/app/". A word holding ":\" anywhere, or absolute here,
    // is used as it stands; any other is put after AppFolder.
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
        basMain::AppFolder = "/app/";
        basMain::ParseCommandLine(words);
        QCOMPARE(basMain::InputFile, input);
        QCOMPARE(basMain::OutputFile, output);
    }

    // No store: the classic eleven on, the readable-text options off; the
    // window saves the eleven, and nothing else, under [General].
    void emptyStore() {
        TempSettings settings;
        SetAllBoxes(window_.CheckBoxes(), 0);
        basMain::LoadOptions();
        for (const OptionInfo& info : kOptions) QCOMPARE(window_.CheckBoxes().Value(info.option), info.classic ? 1 : 0);
        basMain::SaveOptions();
        QCOMPARE(ReadFile(settings.FilePath()), kAllTrue);
    }

    // A stored text is read as the Boolean it spells (unreadable: off) and
    // written back as "True"/"False"; a store that already holds what would
    // be written is left alone.
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
        TempSettings settings;
        const QString path = settings.FilePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray before = QByteArray(kAllTrue).replace("RemoveTabs=True", "RemoveTabs=" + stored);
        WriteFile(path, before);
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(ReadBoolean(QString::fromLatin1(stored)).has_value(), readable);
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::RemoveTabs), on ? 1 : 0);
        basMain::SaveOptions();
        const bool kept = stored.trimmed() == (on ? "True" : "False");  // the file format trims spaces
        QCOMPARE(ReadFile(path), kept ? before : QByteArray(kAllTrue).replace("RemoveTabs=True", on ? "RemoveTabs=True" : "RemoveTabs=False"));
        QCOMPARE(QFileInfo(path).lastModified() == old, kept);
    }

    // The Encoding key: read in both modes; written by the window only, and
    // only when it was stored or the choice is not the classic one.
    void encodingKey_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QString>("stored");  // "<none>": no key
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("choose");  // "": keep what was loaded
        QTest::addColumn<QString>("saved");   // "<none>": no key after saving
        QTest::newRow("batch, no key") << true << "<none>" << "windows-1252" << "" << "<none>";
        QTest::newRow("batch, utf-8") << true << "utf-8" << "utf-8" << "" << "utf-8";
        QTest::newRow("batch, unreadable") << true << "utf8" << "windows-1252" << "" << "utf8";
        QTest::newRow("batch never writes") << true << "auto" << "auto" << "utf-8" << "auto";
        QTest::newRow("window, no key") << false << "<none>" << "windows-1252" << "" << "<none>";
        QTest::newRow("window, choice") << false << "<none>" << "windows-1252" << "auto" << "auto";
        QTest::newRow("window, classic again") << false << "utf-8" << "utf-8" << "windows-1252" << "windows-1252";
        QTest::newRow("window, unreadable") << false << "x" << "windows-1252" << "" << "windows-1252";
    }
    void encodingKey() {
        QFETCH(bool, batch);
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        QFETCH(QString, choose);
        QFETCH(QString, saved);
        TempSettings settings;
        if (stored != "<none>") settings.Open().setValue(QLatin1String(kEncodingKey), stored);
        basMain::BatchMode = batch ? True : False;
        basMain::LoadOptions();
        QCOMPARE(TextEncoding::SettingText(basMain::EncodingOption()), loaded);
        if (!choose.isEmpty()) window_.CheckBoxes().SetEncodingChoice(*TextEncoding::ParseSetting(choose));
        basMain::SaveOptions();
        QSettings s = settings.Open();
        QCOMPARE(s.value(QLatin1String(kEncodingKey), QStringLiteral("<none>")).toString(), saved);
        if (saved == "<none>") QVERIFY(!ReadFile(settings.FilePath()).contains("Encoding"));
    }

    // The readable-text keys: missing reads as off; the window writes one
    // once it is on or has a key; the classic form never writes them.
    void readableTextKeys_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QByteArray>("stored");  // the [General] line of KeepLinks
        QTest::addColumn<int>("tick");           // -1: leave the check item as loaded
        QTest::addColumn<int>("loaded");
        QTest::addColumn<QString>("saved");  // "": no key
        QTest::newRow("window, missing") << false << QByteArray() << -1 << 0 << "";
        QTest::newRow("window, missing, ticked") << false << QByteArray() << 1 << 0 << "True";
        QTest::newRow("window, True, unticked") << false << QByteArray("KeepLinks=True\n") << 0 << 1 << "False";
        QTest::newRow("window, False") << false << QByteArray("KeepLinks=False\n") << -1 << 0 << "False";
        QTest::newRow("window, 1") << false << QByteArray("KeepLinks=1\n") << -1 << 1 << "True";
        QTest::newRow("window, yes") << false << QByteArray("KeepLinks=yes\n") << -1 << 0 << "False";
        QTest::newRow("classic, missing, ticked") << true << QByteArray() << 1 << 0 << "";
        QTest::newRow("classic, True, unticked") << true << QByteArray("KeepLinks=True\n") << 0 << 1 << "True";
    }
    void readableTextKeys() {
        QFETCH(bool, batch);
        QFETCH(QByteArray, stored);
        QFETCH(int, tick);
        QFETCH(int, loaded);
        QFETCH(QString, saved);
        TempSettings settings;
        QVERIFY(QDir().mkpath(QFileInfo(settings.FilePath()).path()));
        WriteFile(settings.FilePath(), "[General]\n" + stored);
        basMain::BatchMode = batch ? True : False;
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::KeepLinks), loaded);
        for (const Option other : {Option::BreakAtBlocks, Option::KeepAltText, Option::DecodeAllReferences})
            QCOMPARE(window_.CheckBoxes().Value(other), 0);
        if (tick >= 0) window_.CheckBoxes().SetValue(Option::KeepLinks, tick);
        basMain::SaveOptions();
        QSettings after = settings.Open();
        QCOMPARE(after.value(QStringLiteral("KeepLinks")).toString(), saved);
        for (const char* other : {"BreakAtBlocks", "KeepAltText", "DecodeAllReferences"})
            QVERIFY(!after.contains(QLatin1String(other)));
        QCOMPARE(after.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

private:
    HeadlessWindow window_;
    RecordingSink sink_;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
