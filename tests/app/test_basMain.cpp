// Start-up's pieces that the job depends on: the ":\" rule of
// ParseCommandLine, and where in the job the check boxes reach the engine
// (ApplyOptions: after the overwrite question, before the size check).
#include <functional>

#include "AppTestSupport.h"
#include "cTessark.h"

using namespace tessark;
using namespace tessark::test;
using basProcessing::JobResult;

Q_DECLARE_METATYPE(tessark::basProcessing::JobResult)

namespace {

// Answers the overwrite question through a callback, so that a test can look
// at the engine, or change a check box, at the moment the job asks.
class CallbackSink final : public MessageSink {
public:
    void Show(const QString& text) override { shown << text; }
    bool AskOkCancel(const QString& text) override {
        asked << text;
        return onAsk ? onAsk() : true;
    }
    void Note(const QString& text) override { shown << text; }
    QStringList shown, asked;
    std::function<bool()> onAsk;
};

bool AllEngineFlags(Boolean value) {
    for (const OptionInfo& info : kOptions)
        if ((*basMain::Engine).*(info.flag) != value) return false;
    return true;
}

}  // namespace

class TestBasMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        ResetGlobals(window_, sink_);
        sink_ = CallbackSink();
        dir_ = std::make_unique<QTemporaryDir>();
    }

    // AppFolder is "/app/" here. A path is used as it stands when it holds
    // ":\" anywhere (in any letter case: the two characters have none) or is
    // absolute on this platform; any other is put after AppFolder.
    void parseCommandLine_data() {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("both relative") << QStringList{"page.html", "out.txt"} << "/app/page.html"
                                       << "/app/out.txt";
        QTest::newRow("drive paths") << QStringList{"C:\\a\\page.html", "D:\\b\\out.txt"} << "C:\\a\\page.html"
                                     << "D:\\b\\out.txt";
        QTest::newRow("lower-case drive") << QStringList{"c:\\in.html", "x"} << "c:\\in.html" << "/app/x";
        QTest::newRow(":\\ in the middle") << QStringList{"dir/a:\\b.html", "o"} << "dir/a:\\b.html" << "/app/o";
        QTest::newRow("sub folder") << QStringList{"sub\\page.html", "o"} << "/app/sub\\page.html" << "/app/o";
        QTest::newRow("network path") << QStringList{"\\\\server\\share\\p.html", "o"}
                                      << "/app/\\\\server\\share\\p.html" << "/app/o";
        QTest::newRow("drive-relative") << QStringList{"C:page.html", "o"} << "/app/C:page.html" << "/app/o";
        QTest::newRow("colon without backslash") << QStringList{"a:/b.html", "o"} << "/app/a:/b.html" << "/app/o";
        QTest::newRow("absolute") << QStringList{"/data/p.html", "/data/o.txt"} << "/data/p.html" << "/data/o.txt";
        QTest::newRow("one word") << QStringList{"page.html"} << "/app/page.html" << "";
        QTest::newRow("empty second word") << QStringList{"page.html", ""} << "/app/page.html" << "";
        QTest::newRow("more words") << QStringList{"a.html", "b.txt", "c", "d"} << "/app/a.html" << "/app/b.txt";
        QTest::newRow("no words") << QStringList{} << "" << "";
    }
    void parseCommandLine() {
        QFETCH(QStringList, words);
        QFETCH(QString, input);
        QFETCH(QString, output);
        basMain::AppFolder = "/app/";
        basMain::InputFile.clear();
        basMain::OutputFile.clear();
        basMain::ParseCommandLine(words);
        QCOMPARE(basMain::InputFile, input);
        QCOMPARE(basMain::OutputFile, output);
    }

    // The engine's flags start all on, the check boxes all off: whether the
    // job copied them shows in the engine afterwards.
    void applyOptionsPlace_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("outputExists");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QString>("message");
        QTest::newRow("no input path") << "" << false << true << false << "You have not selected the input file.";
        QTest::newRow("missing input") << "nope.html" << false << true << false << "Input file is missing";
        QTest::newRow("overwrite cancelled") << "page.html" << true << false << false << "";
        QTest::newRow("empty input, OK") << "empty.html" << true << true << true << "Input file is empty!";
        QTest::newRow("empty input, new output") << "empty.html" << false << true << true << "Input file is empty!";
        QTest::newRow("wildcard input") << "pag?.html" << false << true << true
                                        << "RemoveHTML: Error 53: File not found";
        QTest::newRow("converted") << "page.html" << true << true << true << "Done";
    }
    void applyOptionsPlace() {
        QFETCH(QString, input);
        QFETCH(bool, outputExists);
        QFETCH(bool, answer);
        QFETCH(bool, applied);
        QFETCH(QString, message);
        WriteFile(Path("page.html"), "<b>a</b>\t|b");
        WriteFile(Path("empty.html"), "");
        if (outputExists) WriteFile(Path("out.txt"), "old");
        for (const OptionInfo& info : kOptions) (*basMain::Engine).*(info.flag) = True;
        SetAllBoxes(window_.CheckBoxes(), 0);
        bool flagsWhenAsked = false;
        sink_.onAsk = [&] {
            flagsWhenAsked = AllEngineFlags(True);
            return answer;
        };
        basMain::InputFile = input.isEmpty() ? QString() : Path(input);
        basMain::OutputFile = Path("out.txt");
        basProcessing::RemoveHTML();
        QCOMPARE(sink_.shown, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(sink_.asked.size(), outputExists ? 1 : 0);
        if (outputExists) QVERIFY2(flagsWhenAsked, "the options reached the engine before the question");
        QVERIFY(AllEngineFlags(applied ? False : True));
        if (message == "Done") QCOMPARE(ReadFile(Path("out.txt")), QByteArray("<b>a</b>\t|b"));
    }

    // A box changed while the question is open counts: the options are read
    // after the answer.
    void boxChangedDuringQuestionCounts() {
        WriteFile(Path("page.html"), "<b>a</b>");
        WriteFile(Path("out.txt"), "old");
        SetAllBoxes(window_.CheckBoxes(), 0);
        sink_.onAsk = [&] {
            window_.CheckBoxes().SetValue(Option::RemoveAllTags, 1);
            return true;
        };
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("out.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("a"));
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    HeadlessWindow window_;
    CallbackSink sink_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestBasMain)
#include "test_basMain.moc"
