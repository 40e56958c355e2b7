// The settings store shared by the window and the command lines: the window
// open (offscreen, in this process) while classic runs and modern runs with
// --save, all at once, read and write the same store. The store is never
// corrupted (it always holds the eleven keys, each "True" or "False", as one
// writer's whole set), and the last writer wins, the window included when it
// closes.
#include <QProcess>

#include "AppTestSupport.h"
#include "frmMain.h"

using namespace tessark;
using namespace tessark::test;

namespace {

// The store as a set, or nothing when a key is missing or not a Boolean text.
std::optional<OptionSet> ReadStore(const TempSettings& settings) {
    QSettings s = settings.Open();
    OptionSet set;
    for (const OptionInfo& info : kOptions) {
        const QString text = s.value(info.name).toString();
        if (text != "True" && text != "False") return std::nullopt;
        set.Set(info.option, text == "True");
    }
    return set;
}

// The set that `--none --<flag of option i>` saves: option i alone on.
OptionSet OnlyOne(const OptionInfo& info) {
    OptionSet set;
    set.Set(info.option, true);
    return set;
}

}  // namespace

class TestSettingsRace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowClassicAndModernAtOnce() {
        TempSettings settings;
        QTemporaryDir dir;
        WriteFile(dir.filePath("page.html"), "<p>page</p>");
        // The window starts from a stored set of its own: only RemoveTabs off.
        OptionSet windowSet = OptionSet::Defaults();
        windowSet.Set(Option::RemoveTabs, false);
        {
            QSettings s = settings.Open();
            for (const OptionInfo& info : kOptions) s.setValue(info.name, windowSet.Get(info.option) ? "True" : "False");
        }
        frmMainHost host;
        QList<int> exitCodes;
        basMain::BatchMode = False;
        basMain::SetExitHandler([&](int code) { exitCodes << code; });
        basMain::Main({}, host);
        RecordingSink sink;
        basMain::SetMessageSink(&sink);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QFileInfo(settings.FilePath()).path() + "/..");
        std::vector<std::unique_ptr<QProcess>> runs;
        std::vector<OptionSet> saved;
        int round = 0;
        for (const OptionInfo& info : kOptions) {
            // A modern run that saves a set, and a classic run beside it.
            auto modern = std::make_unique<QProcess>();
            modern->setProcessEnvironment(env);
            modern->start(TESSARK_PROGRAM, {"-q", "--none", "--" + FlagName(info), "--save", "-o",
                                            dir.filePath(QString("m%1.txt").arg(round)), dir.filePath("page.html")});
            saved.push_back(OnlyOne(info));
            auto classic = std::make_unique<QProcess>();
            classic->setProcessEnvironment(env);
            classic->start(TESSARK_PROGRAM, {dir.filePath("page.html"), dir.filePath(QString("c%1.txt").arg(round))});
            runs.push_back(std::move(modern));
            runs.push_back(std::move(classic));
            ++round;
            // Meanwhile the store is always whole.
            QVERIFY(ReadStore(settings).has_value());
        }
        for (auto& run : runs) {
            QVERIFY(run->waitForFinished(120000));
            QCOMPARE(run->exitStatus(), QProcess::NormalExit);
            QCOMPARE(run->exitCode(), 0);
        }
        // Whole, and one writer's set: a modern run's, or the set a classic
        // run or the window read (all sets seen are those).
        // The classic runs write the classic eleven keys only, so the
        // readable-text keys may come from another writer: the eleven must be
        // one writer's set.
        const auto afterRace = ReadStore(settings);
        QVERIFY(afterRace.has_value());
        const auto classicPart = [](const OptionSet& set) {
            OptionSet part;
            for (const OptionInfo& info : kOptions)
                if (info.classic) part.Set(info.option, set.Get(info.option));
            return part;
        };
        bool known = classicPart(*afterRace) == classicPart(windowSet);
        for (const OptionSet& set : saved) known = known || classicPart(*afterRace) == classicPart(set);
        QVERIFY2(known, "the store holds a mixture of sets");

        // One more modern run alone: it is the last writer.
        QProcess last;
        last.setProcessEnvironment(env);
        last.start(TESSARK_PROGRAM, {"-q", "--all", "--no-remove-spaces", "--save", "--print-options"});
        QVERIFY(last.waitForFinished(60000));
        QCOMPARE(last.exitCode(), 0);
        // --all turns the classic eleven on and the opt-in readable-text ones off.
        OptionSet lastSet = OptionSet::Defaults();
        lastSet.Set(Option::RemoveSpaces, false);
        QVERIFY(ReadStore(settings) == lastSet);

        // Closing the window writes its check boxes: it is the last writer now.
        host.Form()->close();
        QCOMPARE(exitCodes, QList<int>{0});
        QVERIFY(ReadStore(settings) == windowSet);
        basMain::SetExitHandler({});
        basMain::SetMessageSink(nullptr);
        basMain::SetWindow(nullptr);
    }
};

QTEST_MAIN(TestSettingsRace)
#include "test_settingsRace.moc"
