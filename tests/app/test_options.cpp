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
        for (const OptionInfo& info : kOptions) QCOMPARE(window_.CheckBoxes().Value(info.option), 1);
        basMain::SaveOptions();
        QSettings stored = settings.Open();
        QCOMPARE(stored.childKeys().size(), 11);
        for (const OptionInfo& info : kOptions)
            QCOMPARE(stored.value(QLatin1String(info.name)).toString(), QStringLiteral("True"));
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
