// The settings store shared by the window and the command lines: with the
// window open (offscreen, in this process), classic runs and modern runs
// with --save, all at once, never leave the store partial (every key "True"
// or "False") or mixed (the classic eleven are one writer's), and the last
// writer wins, the window included when it closes.
#include <QProcess>

#include "AppTestSupport.h"
#include "frmMain.h"

using namespace tessark;
using namespace tessark::test;

namespace {

// The store as one letter per key, T or F ("" when any is missing or not a Boolean text).
QString Stored(const TempSettings& settings) {
    QSettings s = settings.Open();
    QString set;
    for (const OptionInfo& info : kOptions) {
        const QString text = s.value(info.name).toString();
        if (text != "True" && text != "False") return {};
        set += text.left(1);
    }
    return set;
}

QString Letters(const OptionSet& set) {
    QString text;
    for (const OptionInfo& info : kOptions) text += set.Get(info.option) ? "T" : "F";
    return text;
}

// The classic runs write the classic eleven only: those must be one writer's set.
QString Classic(const QString& letters) {
    QString part;
    for (qsizetype i = 0; i < letters.size(); ++i) part += kOptions[static_cast<std::size_t>(i)].classic ? letters.mid(i, 1) : "";
    return part;
}

}  // namespace

class TestSettingsRace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowClassicAndModernAtOnce() {
        TempSettings settings;
        QTemporaryDir dir;
        WriteFile(dir.filePath("page.html"), "<p>page</p>");
        OptionSet windowSet = OptionSet::Defaults();  // the window starts from its own set: RemoveTabs off
        windowSet.Set(Option::RemoveTabs, false);
        for (const OptionInfo& info : kOptions) settings.Open().setValue(info.name, windowSet.Get(info.option) ? "True" : "False");
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
        QStringList known{Classic(Letters(windowSet))};
        const auto start = [&](const QStringList& args) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setProcessEnvironment(env);
            runs.back()->start(TESSARK_PROGRAM, args);
        };
        for (const OptionInfo& info : kOptions) {  // a modern run saving one option alone, and a classic run
            const QString n = QString::number(runs.size());
            start({"-q", "--none", "--" + FlagName(info), "--save", "-o", dir.filePath(n + "m.txt"), dir.filePath("page.html")});
            start({dir.filePath("page.html"), dir.filePath(n + "c.txt")});
            OptionSet only;
            only.Set(info.option, true);
            known << Classic(Letters(only));
            QVERIFY(!Stored(settings).isEmpty());
        }
        for (auto& run : runs) {
            QVERIFY(run->waitForFinished(120000));
            QCOMPARE(run->exitStatus() == QProcess::NormalExit ? run->exitCode() : -1, 0);
        }
        QVERIFY2(known.contains(Classic(Stored(settings))), qPrintable(Stored(settings)));
        start({"-q", "--all", "--no-remove-spaces", "--save", "--print-options"});  // alone: the last writer
        QVERIFY(runs.back()->waitForFinished(60000));
        QCOMPARE(runs.back()->exitCode(), 0);
        OptionSet lastSet = OptionSet::Defaults();
        lastSet.Set(Option::RemoveSpaces, false);
        QCOMPARE(Stored(settings), Letters(lastSet));
        host.Form()->close();  // the window's check boxes: the last writer now
        QCOMPARE(exitCodes, QList<int>{0});
        QCOMPARE(Stored(settings), Letters(windowSet));
        basMain::SetExitHandler({});
        basMain::SetMessageSink(nullptr);
        basMain::SetWindow(nullptr);
    }
};

QTEST_MAIN(TestSettingsRace)
#include "test_settingsRace.moc"
