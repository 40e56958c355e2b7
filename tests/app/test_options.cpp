// The options' road: settings store -> check boxes -> settings store, and
// check boxes -> engine flags.
#include <QDateTime>
#include <QSet>

#include "AppTestSupport.h"
#include "OptionStore.h"

using namespace tessark;
using namespace tessark::test;

class TestOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetGlobals(window_, sink_); }

    void emptyStoreTicksAllAndSavesTrue() {
        TempSettings settings;
        SetAllBoxes(window_.CheckBoxes(), 0);
        basMain::LoadOptions();
        // The classic eleven on; the readable-text options off.
        for (const OptionInfo& info : kOptions) QCOMPARE(window_.CheckBoxes().Value(info.option), info.classic ? 1 : 0);
        basMain::SaveOptions();
        QSettings stored = settings.Open();
        QCOMPARE(stored.childKeys().size(), 11);
        for (const OptionInfo& info : kOptions)
            if (info.classic) QCOMPARE(stored.value(QLatin1String(info.name)).toString(), QStringLiteral("True"));
        // The keys are in the [General] section of the file.
        QVERIFY(ReadFile(settings.FilePath()).startsWith("[General]\n"));
    }

    void storedTexts_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("False") << "False" << 0 << "False";
        QTest::newRow("false") << "false" << 0 << "False";
        QTest::newRow("0") << "0" << 0 << "False";
        QTest::newRow("yes") << "yes" << 0 << "False";
        QTest::newRow("on") << "on" << 0 << "False";
        QTest::newRow("empty") << "" << 0 << "False";
        QTest::newRow("True") << "True" << 1 << "True";
        QTest::newRow("TRUE") << "TRUE" << 1 << "True";
        QTest::newRow("1") << "1" << 1 << "True";
        QTest::newRow("-1") << "-1" << 1 << "True";
    }
    void storedTexts() {
        QFETCH(QString, stored);
        QFETCH(int, box);
        QFETCH(QString, rewritten);
        TempSettings settings;
        {
            QSettings s = settings.Open();
            s.setValue(QStringLiteral("RemoveTabs"), stored);
        }
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::RemoveTabs), box);
        QCOMPARE(window_.CheckBoxes().Value(Option::RemovePipe), 1);  // missing key: on
        basMain::SaveOptions();
        QCOMPARE(settings.Open().value(QStringLiteral("RemoveTabs")).toString(), rewritten);
    }

    void listValueUnticks() {
        TempSettings settings;
        QDir().mkpath(QFileInfo(settings.FilePath()).path());
        WriteFile(settings.FilePath(), "[General]\nRemoveStyles=a, b\n");
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::RemoveStyles), 0);
    }

    void untickedBoxSurvivesRestart() {
        TempSettings settings;
        basMain::LoadOptions();
        window_.CheckBoxes().SetValue(Option::RemoveComments, 0);
        basMain::SaveOptions();
        HeadlessWindow next;
        basMain::SetWindow(&next);
        basMain::LoadOptions();
        QCOMPARE(next.CheckBoxes().Value(Option::RemoveComments), 0);
        QCOMPARE(next.CheckBoxes().Value(Option::RemoveScripts), 1);
        basMain::SetWindow(&window_);
    }

    void applyCopiesEachBoxToItsFlag() {
        for (const OptionInfo& only : kOptions) {
            for (const OptionInfo& info : kOptions)
                window_.CheckBoxes().SetValue(info.option, info.option == only.option ? 1 : 0);
            basMain::ApplyOptions();
            for (const OptionInfo& info : kOptions)
                QCOMPARE(int((*basMain::Engine).*(info.flag)), info.option == only.option ? -1 : 0);
        }
    }

    // The Encoding key: read in both modes, written only outside batch mode,
    // and then only when it was stored already or the choice is not the
    // classic one; a batch run leaves the file as it would be without it.
    void encodingKey_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QString>("stored");  // "<none>": no key
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("choose");  // "": keep what was loaded
        QTest::addColumn<QString>("saved");   // "<none>": no key after saving
        QTest::newRow("batch, no key") << true << "<none>" << "windows-1252" << "" << "<none>";
        QTest::newRow("batch, utf-8 kept") << true << "utf-8" << "utf-8" << "" << "utf-8";
        QTest::newRow("batch, unreadable kept") << true << "utf8" << "windows-1252" << "" << "utf8";
        QTest::newRow("batch never writes a choice") << true << "auto" << "auto" << "utf-8" << "auto";
        QTest::newRow("window, no key") << false << "<none>" << "windows-1252" << "" << "<none>";
        QTest::newRow("window, choice") << false << "<none>" << "windows-1252" << "auto" << "auto";
        QTest::newRow("window, back to classic") << false << "utf-8" << "utf-8" << "windows-1252"
                                                 << "windows-1252";
        QTest::newRow("window, unreadable rewritten") << false << "x" << "windows-1252" << "" << "windows-1252";
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
        QCOMPARE(s.contains(QLatin1String(kEncodingKey)) ? s.value(QLatin1String(kEncodingKey)).toString()
                                                          : QStringLiteral("<none>"),
                 saved);
        // Without the key, the file is what it was before the key existed.
        if (saved == "<none>") QVERIFY(!ReadFile(settings.FilePath()).contains("Encoding"));
        if (batch && stored != "<none>") QVERIFY(ReadFile(settings.FilePath()).contains("Encoding=" + stored.toUtf8()));
        basMain::BatchMode = False;
    }

    // The table: row i describes Option(i), rows in the order of their keys,
    // every name and flag distinct.
    void tableIsConsistent() {
        QSet<QString> flags;
        for (std::size_t i = 0; i < kOptions.size(); ++i) {
            QCOMPARE(static_cast<std::size_t>(kOptions[i].option), i);
            if (i > 0) QVERIFY(std::string_view(kOptions[i - 1].name) < std::string_view(kOptions[i].name));
            flags.insert(FlagName(kOptions[i]));
        }
        QCOMPARE(flags.size(), qsizetype(kOptionCount));
    }

    void flagAndCheckBoxNames_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("checkBox");
        QTest::newRow("all-crlf") << int(Option::RemoveAllCRLF) << "remove-all-crlf" << "chkRemoveAllCRLF";
        QTest::newRow("special chars") << int(Option::GenerateSpecialChars) << "generate-special-chars"
                                       << "chkGenerateSpecialChars";
        QTest::newRow("pipe") << int(Option::RemovePipe) << "remove-pipe" << "chkRemovePipe";
        QTest::newRow("blank lines") << int(Option::RemoveBlankLines) << "remove-blank-lines" << "chkRemoveBlankLines";
    }
    void flagAndCheckBoxNames() {
        QFETCH(int, option);
        QFETCH(QString, flag);
        QFETCH(QString, checkBox);
        QCOMPARE(FlagName(InfoOf(Option(option))), flag);
        QCOMPARE(CheckBoxName(InfoOf(Option(option))), checkBox);
    }

    // Capitals after capitals start a word only before a small letter.
    void flagNameWordBreaks() {
        const char* names[] = {"CRLFMode", "UseHTMLTags", "A", "OneTwo"};
        const char* flags[] = {"crlf-mode", "use-html-tags", "a", "one-two"};
        for (std::size_t i = 0; i < std::size(names); ++i) {
            OptionInfo info = kOptions[0];
            info.name = names[i];
            QCOMPARE(FlagName(info), QString::fromLatin1(flags[i]));
        }
    }

    // A store that already holds what would be written is not written at
    // all: same file, same time stamp, no lock file left behind.
    void upToDateStoreIsNotRewritten() {
        TempSettings settings;
        const QString path = settings.FilePath();
        QDir().mkpath(QFileInfo(path).path());
        const QByteArray upToDate =
            "[General]\nGenerateSpecialChars=True\nRemoveAllCRLF=False\nRemoveAllTags=True\n"
            "RemoveBlankLines=True\nRemoveComments=True\nRemoveFunctions=True\nRemovePipe=True\n"
            "RemoveScripts=True\nRemoveSpaces=True\nRemoveStyles=True\nRemoveTabs=True\n";
        WriteFile(path, upToDate);
        const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::RemoveAllCRLF), 0);
        basMain::SaveOptions();
        QCOMPARE(QFileInfo(path).lastModified(), old);
        QCOMPARE(ReadFile(path), upToDate);

        // One key stored as "true" (read the same, written differently): the
        // whole store is written as before.
        WriteFile(path, QByteArray(upToDate).replace("RemoveTabs=True", "RemoveTabs=true"));
        basMain::SaveOptions();
        QCOMPARE(ReadFile(path), upToDate);
        QVERIFY(QFileInfo(path).lastModified() > old);
    }

    // The readable-text keys: missing reads as off; the window writes one
    // once it is on or has a key; the classic form never writes them.
    void readableTextKeys_data() {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QByteArray>("stored");  // the [General] lines of KeepLinks
        QTest::addColumn<int>("tick");            // -1: leave the check item as loaded
        QTest::addColumn<int>("loaded");
        QTest::addColumn<QString>("saved");  // "": no key
        QTest::newRow("window, missing, untouched") << false << QByteArray() << -1 << 0 << "";
        QTest::newRow("window, missing, ticked") << false << QByteArray() << 1 << 0 << "True";
        QTest::newRow("window, True, unticked") << false << QByteArray("KeepLinks=True\n") << 0 << 1 << "False";
        QTest::newRow("window, False, untouched") << false << QByteArray("KeepLinks=False\n") << -1 << 0 << "False";
        QTest::newRow("window, 1, untouched") << false << QByteArray("KeepLinks=1\n") << -1 << 1 << "True";
        QTest::newRow("window, yes, untouched") << false << QByteArray("KeepLinks=yes\n") << -1 << 0 << "False";
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
        QDir().mkpath(QFileInfo(settings.FilePath()).path());
        WriteFile(settings.FilePath(), "[General]\n" + stored);
        basMain::BatchMode = batch ? True : False;
        basMain::LoadOptions();
        QCOMPARE(window_.CheckBoxes().Value(Option::KeepLinks), loaded);
        for (const Option other : {Option::BreakAtBlocks, Option::KeepAltText, Option::DecodeAllReferences})
            QCOMPARE(window_.CheckBoxes().Value(other), 0);
        if (tick >= 0) window_.CheckBoxes().SetValue(Option::KeepLinks, tick);
        basMain::ApplyOptions();
        QCOMPARE(int(basMain::Engine->KeepLinks), window_.CheckBoxes().Value(Option::KeepLinks) ? -1 : 0);
        basMain::SaveOptions();
        QSettings after = settings.Open();
        QCOMPARE(after.value(QStringLiteral("KeepLinks")).toString(), saved);
        for (const char* other : {"BreakAtBlocks", "KeepAltText", "DecodeAllReferences"})
            QVERIFY(!after.contains(QLatin1String(other)));
        QCOMPARE(after.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
    }

    // What --readable and --all choose.
    void presets() {
        const OptionSet readable = OptionSet::Readable();
        const OptionSet classic = OptionSet::ClassicOn();
        for (const OptionInfo& info : kOptions) QCOMPARE(classic.Get(info.option), info.classic);
        QCOMPARE(classic, OptionSet::Defaults());
        for (const Option on : {Option::BreakAtBlocks, Option::KeepLinks, Option::KeepAltText,
                                Option::DecodeAllReferences, Option::RemoveAllTags, Option::RemoveComments,
                                Option::RemoveScripts, Option::RemoveStyles, Option::RemoveSpaces,
                                Option::RemoveBlankLines})
            QVERIFY(readable.Get(on));
        for (const Option off : {Option::RemoveAllCRLF, Option::RemoveFunctions, Option::RemovePipe})
            QVERIFY(!readable.Get(off));
    }

    // The classic save writes the classic rows only; the modern --save all.
    void writeChoosesRows() {
        TempSettings settings;
        OptionSet options;
        options.Set(Option::RemoveTabs, true);
        {
            QSettings store = settings.Open();
            QVERIFY(OptionStore::Write(store, options, OptionStore::Rows::All));
        }
        QSettings stored = settings.Open();
        QCOMPARE(stored.childKeys().size(), qsizetype(kOptionCount));
        QCOMPARE(OptionStore::Read(stored), options);
        QCOMPARE(stored.value(QStringLiteral("RemoveTabs")).toString(), QStringLiteral("True"));
        QCOMPARE(stored.value(QStringLiteral("RemovePipe")).toString(), QStringLiteral("False"));
    }

private:
    HeadlessWindow window_;
    RecordingSink sink_;
};

QTEST_GUILESS_MAIN(TestOptions)
#include "test_options.moc"
