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

private:
    HeadlessWindow window_;
    RecordingSink sink_;
};

QTEST_GUILESS_MAIN(TestOptions)
#include "test_options.moc"
