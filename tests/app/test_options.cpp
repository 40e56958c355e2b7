// The options' road: settings store -> check boxes -> settings store, and
// check boxes -> engine flags.
#include "AppTestSupport.h"

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

private:
    HeadlessWindow window_;
    RecordingSink sink_;
};

QTEST_GUILESS_MAIN(TestOptions)
#include "test_options.moc"
