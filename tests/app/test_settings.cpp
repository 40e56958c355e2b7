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

// The keys beside the classic eleven: the window's or the classic form's
// (batch) store, its lines of [General], the choices made
// ("readable links alt encoding"; "": as loaded), those loaded, and the keys
// saved (the readable three, Encoding and the three older; "-": no key).
const struct KeyRow {
    const char* name;
    bool batch;
    const char *stored, *choose, *loaded, *saved;
} kKeyRows[] = {
    {"window, nothing", false, "", "", "0 none 1 windows-1252", "- - - - - - -"},
    {"window, chosen", false, "", "1 list 0 auto", "0 none 1 windows-1252", "True list False auto - - -"},
    {"window, back", false, "ReadableText=True\nLinks=inline\nEncoding=utf-8\n", "0 none 1 windows-1252", "1 inline 1 utf-8",
     "False none - windows-1252 - - -"},
    {"older keys", false, "BreakAtBlocks=True\nKeepLinks=True\nKeepAltText=False\n", "", "1 inline 0 windows-1252",
     "True inline False - - - -"},
    {"older keys at their defaults", false, "BreakAtBlocks=False\nKeepLinks=yes\nKeepAltText=True\n", "", "0 none 1 windows-1252",
     "- - - - - - -"},
    {"new keys first", false, "ReadableText=False\nBreakAtBlocks=True\nLinks=list\nKeepLinks=True\n", "", "0 list 1 windows-1252",
     "False list - - - - -"},
    {"unreadable", false, "ReadableText=yes\nLinks=Inline\nAltText=x\nEncoding=x\n", "", "0 none 0 windows-1252",
     "False none False windows-1252 - - -"},
    {"window, letter case", false, "Encoding=AUTO\n", "", "0 none 1 auto", "- - - auto - - -"},
    {"window, a list", false, "Encoding=auto, utf-8\n", "", "0 none 1 windows-1252", "- - - windows-1252 - - -"},
    {"batch, chosen", true, "", "1 inline 0 utf-8", "0 none 1 windows-1252", "- - - - - - -"},
    {"batch, unreadable", true, "Encoding=utf8\n", "", "0 none 1 windows-1252", "- - - utf8 - - -"},
    {"batch keeps older keys", true, "BreakAtBlocks=True\nEncoding=auto\n", "0 none 1 utf-8", "1 none 1 auto", "- - - auto True - -"},
};

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { boxes_ = OptionHolder(); }

    // The program folder is "/app/". A word holding ":\" anywhere, or
    // absolute here, is used as it stands; any other is put after it.
    void parseCommandLine() {
        const std::tuple<QStringList, QString, QString> rows[] = {
            {{"page.html", "out.txt"}, "/app/page.html", "/app/out.txt"},
            {{"C:\\a\\p.html", "d:\\o.txt"}, "C:\\a\\p.html", "d:\\o.txt"},  // drive paths
            {{"dir/a:\\b.html", "o"}, "dir/a:\\b.html", "/app/o"},                   // ":\\" in the middle
            {{"\\\\srv\\p.html", "o"}, "/app/\\\\srv\\p.html", "/app/o"},           // a network path
            {{"C:page.html", "a:/o"}, "/app/C:page.html", "/app/a:/o"},               // drive-relative
            {{"/data/p.html", "/data/o.txt"}, "/data/p.html", "/data/o.txt"},
            {{"page.html"}, "/app/page.html", ""}, {{"page.html", ""}, "/app/page.html", ""},
            {{"a.html", "b.txt", "c"}, "/app/a.html", "/app/b.txt"}, {{}, "", ""}};
        for (const auto& [words, input, output] : rows) {
            const classic::JobRequest request = startup::ParseCommandLine(words, "/app/");
            QCOMPARE(request.inputFile + " | " + request.outputFile, input + " | " + output);
        }
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
    void keysBesideTheClassicEleven_data() { TableRows(kKeyRows); }
    void keysBesideTheClassicEleven() {
        QFETCH(int, row);
        const KeyRow& r = kKeyRows[row];
        const bool batch = r.batch;
        const QString choose = r.choose;
        TempSettings settings;
        QVERIFY(QDir().mkpath(QFileInfo(settings.FilePath()).path()));
        WriteFile(settings.FilePath(), "[General]\n" + QByteArray(r.stored));
        startup::LoadOptions(boxes_);
        OptionBoxes& boxes = boxes_;
        const auto shown = [&boxes] {
            return QStringList{QString::number(boxes.ReadableChoice()), LinksText(boxes.LayoutChoice().links),
                               QString::number(boxes.LayoutChoice().altText),
                               TextEncoding::SettingText(boxes.EncodingChoice())}
                .join(' ');
        };
        QCOMPARE(shown(), QString(r.loaded));
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
        QCOMPARE(keys.join(' '), QString(r.saved));
        QVERIFY(!after.contains("DecodeAllReferences"));
        QCOMPARE(after.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

private:
    OptionHolder boxes_;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
