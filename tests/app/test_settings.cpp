// Start-up's settings: the two words of the classic command line, and the
// options and the text encoding between the settings store and the check
// boxes (LoadOptions, SaveOptions), as the window and the classic form keep
// them, with readable text's choices and the keys they had before.
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

    // The keys beside the classic eleven: readable text's choices and the
    // Encoding key, read in both modes (a missing or unreadable encoding as
    // windows-1252; a store of the time when readable text was three classic
    // options as it meant then, a new key first). The window writes a key
    // once it is not at its default or is stored, and drops the older keys;
    // the classic form writes none of them.
    void keysBesideTheClassicEleven_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QByteArray>("stored");  // lines of [General]
        QTest::addColumn<QString>("choose");     // "readable links alt encoding"; "": as loaded
        QTest::addColumn<QString>("loaded");     // "readable links alt encoding"
        QTest::addColumn<QString>("saved");      // the keys below, "-": no key
        const auto row = [](const char* name, bool batch, const QByteArray& stored, const QString& choose,
                            const QString& loaded, const QString& saved) {
            QTest::newRow(name) << batch << stored << choose << loaded << saved;
        };
        row("window, nothing", false, {}, "", "0 none 1 windows-1252", "- - - - - - -");
        row("window, chosen", false, {}, "1 list 0 auto", "0 none 1 windows-1252", "True list False auto - - -");
        row("window, back", false, "ReadableText=True\nLinks=inline\nEncoding=utf-8\n", "0 none 1 windows-1252",
            "1 inline 1 utf-8", "False none - windows-1252 - - -");
        row("older keys", false, "BreakAtBlocks=True\nKeepLinks=True\nKeepAltText=False\n", "", "1 inline 0 windows-1252",
            "True inline False - - - -");
        row("older keys at their defaults", false, "BreakAtBlocks=False\nKeepLinks=yes\nKeepAltText=True\n", "",
            "0 none 1 windows-1252", "- - - - - - -");
        row("new keys first", false, "ReadableText=False\nBreakAtBlocks=True\nLinks=list\nKeepLinks=True\n", "",
            "0 list 1 windows-1252", "False list - - - - -");
        row("unreadable", false, "ReadableText=yes\nLinks=Inline\nAltText=x\nEncoding=x\n", "", "0 none 0 windows-1252",
            "False none False windows-1252 - - -");
        row("window, letter case", false, "Encoding=AUTO\n", "", "0 none 1 auto", "- - - auto - - -");
        row("window, a list", false, "Encoding=auto, utf-8\n", "", "0 none 1 windows-1252", "- - - windows-1252 - - -");
        row("batch, chosen", true, {}, "1 inline 0 utf-8", "0 none 1 windows-1252", "- - - - - - -");
        row("batch, unreadable", true, "Encoding=utf8\n", "", "0 none 1 windows-1252", "- - - utf8 - - -");
        row("batch keeps older keys", true, "BreakAtBlocks=True\nEncoding=auto\n", "0 none 1 utf-8", "1 none 1 auto",
            "- - - auto True - -");
    }
    void keysBesideTheClassicEleven() {
        QFETCH(bool, batch);
        QFETCH(QByteArray, stored);
        QFETCH(QString, choose);
        QFETCH(QString, loaded);
        QFETCH(QString, saved);
        TempSettings settings;
        QVERIFY(QDir().mkpath(QFileInfo(settings.FilePath()).path()));
        WriteFile(settings.FilePath(), "[General]\n" + stored);
        startup::LoadOptions(boxes_);
        OptionBoxes& boxes = boxes_;
        const auto shown = [&boxes] {
            return QStringList{QString::number(boxes.ReadableChoice()), LinksText(boxes.LayoutChoice().links),
                               QString::number(boxes.LayoutChoice().altText),
                               TextEncoding::SettingText(boxes.EncodingChoice())}
                .join(' ');
        };
        QCOMPARE(shown(), loaded);
        if (!choose.isEmpty()) {
            const QStringList words = choose.split(' ');
            boxes.SetReadableChoice(words[0] == "1");
            ReadableOptions layout;
            layout.links = *ParseLinks(words[1]);
            layout.altText = words[2] == "1";
            boxes.SetLayoutChoice(layout);
            boxes.SetEncodingChoice(*TextEncoding::ParseSetting(words[3]));
            QCOMPARE(shown(), choose);
        }
        startup::SaveOptions(boxes_, batch);
        QSettings after = settings.Open();
        QStringList keys;
        for (const char* key : {kReadableKey, kLinksKey, kAltTextKey, kEncodingKey, "BreakAtBlocks", "KeepLinks", "KeepAltText"})
            keys << after.value(key, "-").toString();
        QCOMPARE(keys.join(' '), saved);
        QVERIFY(!after.contains("DecodeAllReferences"));
        QCOMPARE(after.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

private:
    OptionHolder boxes_;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
