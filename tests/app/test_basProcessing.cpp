// The conversion job end to end on real files in a temporary folder: every
// row of its failure table, in interactive and in batch mode.
#include <sys/stat.h>

#include <QDirIterator>

#include "AnsiCodePage.h"
#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "cTessark.h"

using namespace tessark;
using namespace tessark::test;
using basProcessing::JobResult;

Q_DECLARE_METATYPE(tessark::basProcessing::JobResult)

class TestBasProcessing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        ResetGlobals(window_, sink_);
        sink_ = RecordingSink();
        SetAllBoxes(window_.CheckBoxes(), 1);
        dir_ = std::make_unique<QTemporaryDir>();
        WriteFile(Path("page.html"), "<p>Hello&nbsp;world</p>\r\n");
        WriteFile(Path(".hidden.html"), "<p>x</p>");
        WriteFile(Path("empty.html"), "");
        QDir().mkdir(Path("folder.html"));
    }

    // Interactive mode: the message boxes and their order.
    void interactive_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QByteArray>("outputAfter");
        QTest::addColumn<JobResult>("result");
        const QStringList overwrite{"Output file already exists, overwrite?"};
        QTest::newRow("no input") << "" << "out.txt" << QList<bool>{} << QStringList{}
                                  << QStringList{"You have not selected the input file."} << QByteArray("old")
                                  << JobResult::Stopped;
        QTest::newRow("no output") << "page.html" << "" << QList<bool>{} << QStringList{}
                                   << QStringList{"You have not selected the output file."} << QByteArray("old")
                                   << JobResult::Stopped;
        QTest::newRow("missing input") << "nope.html" << "out.txt" << QList<bool>{} << QStringList{}
                                       << QStringList{"Input file is missing"} << QByteArray("old")
                                       << JobResult::Stopped;
        QTest::newRow("hidden input") << ".hidden.html" << "out.txt" << QList<bool>{} << QStringList{}
                                      << QStringList{"Input file is missing"} << QByteArray("old")
                                      << JobResult::Stopped;
        QTest::newRow("folder input") << "folder.html" << "out.txt" << QList<bool>{} << QStringList{}
                                      << QStringList{"Input file is missing"} << QByteArray("old")
                                      << JobResult::Stopped;
        QTest::newRow("wildcard input") << "pa*.htm?" << "out.txt" << QList<bool>{true} << overwrite
                                        << QStringList{"RemoveHTML: Error 53: File not found"} << QByteArray("old")
                                        << JobResult::Failed;
        QTest::newRow("wildcard matches only hidden") << "*hidden*" << "out.txt" << QList<bool>{} << QStringList{}
                                                      << QStringList{"Input file is missing"} << QByteArray("old")
                                                      << JobResult::Stopped;
        QTest::newRow("empty input, OK") << "empty.html" << "out.txt" << QList<bool>{true} << overwrite
                                         << QStringList{"Input file is empty!"} << QByteArray("old")
                                         << JobResult::Stopped;
        QTest::newRow("empty input, Cancel") << "empty.html" << "out.txt" << QList<bool>{false} << overwrite
                                             << QStringList{} << QByteArray("old") << JobResult::Stopped;
        QTest::newRow("overwrite Cancel") << "page.html" << "out.txt" << QList<bool>{false} << overwrite
                                          << QStringList{} << QByteArray("old") << JobResult::Stopped;
        QTest::newRow("overwrite OK") << "page.html" << "out.txt" << QList<bool>{true} << overwrite
                                      << QStringList{"Done"} << QByteArray("Hello world") << JobResult::Written;
        QTest::newRow("new output") << "page.html" << "new.txt" << QList<bool>{} << QStringList{}
                                    << QStringList{"Done"} << QByteArray("Hello world") << JobResult::Written;
        QTest::newRow("missing output folder") << "page.html" << "no/such/out.txt" << QList<bool>{} << QStringList{}
                                               << QStringList{"RemoveHTML: Error 76: Path not found"}
                                               << QByteArray("<missing>") << JobResult::Failed;
        QTest::newRow("output is a folder") << "page.html" << "folder.html" << QList<bool>{} << QStringList{}
                                            << QStringList{"RemoveHTML: Error 75: Path/File access error"}
                                            << QByteArray("<missing>") << JobResult::Failed;
        QTest::newRow("self conversion") << "page.html" << "page.html" << QList<bool>{true} << overwrite
                                         << QStringList{"Done"} << QByteArray("Hello world") << JobResult::Written;
    }
    void interactive() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, shown);
        QFETCH(QByteArray, outputAfter);
        QFETCH(JobResult, result);
        WriteFile(Path("out.txt"), "old");
        basMain::InputFile = input.isEmpty() ? QString() : Path(input);
        basMain::OutputFile = output.isEmpty() ? QString() : Path(output);
        for (bool a : answers) sink_.answers.push_back(a);
        QCOMPARE(basProcessing::RemoveHTML(), result);
        QCOMPARE(sink_.asked, asked);
        QCOMPARE(sink_.shown, shown);
        QVERIFY(sink_.notes.isEmpty());
        if (!output.isEmpty() && output != "folder.html") QCOMPARE(ReadFile(Path(output)), outputAfter);
        NoTemporaryFilesLeft();
    }

    void readOnlyOutputKeepsContent() {
        WriteFile(Path("ro.txt"), "keep me");
        QVERIFY(::chmod(qPrintable(Path("ro.txt")), 0444) == 0);
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("ro.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Failed);
        QCOMPARE(sink_.asked, QStringList{"Output file already exists, overwrite?"});
        QCOMPARE(sink_.shown, QStringList{"RemoveHTML: Error 70: Permission denied"});
        QCOMPARE(basMain::LastErrorNumber, 70);
        QCOMPARE(basMain::LastErrorDescription, QStringLiteral("Permission denied"));
        QCOMPARE(ReadFile(Path("ro.txt")), QByteArray("keep me"));
    }

    void batchModeIsSilentAndReplaces() {
        basMain::BatchMode = True;
        WriteFile(Path("out.txt"), "old content that is longer than the result");
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("out.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("Hello world"));
        QVERIFY(sink_.shown.isEmpty() && sink_.asked.isEmpty() && sink_.notes.isEmpty());

        basMain::InputFile = Path("nope.html");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Stopped);
        QCOMPARE(sink_.notes, QStringList{"Input file is missing"});
        QVERIFY(sink_.shown.isEmpty());
    }

    void everyByteSurvivesWithOptionsOff() {
        QByteArray all;
        for (int i = 1; i < 256; ++i)
            if (i != '\r' && i != '\n' && i != ' ' && i != '<' && i != '>') all += char(i);
        WriteFile(Path("bytes.html"), all);
        SetAllBoxes(window_.CheckBoxes(), 0);
        basMain::InputFile = Path("bytes.html");
        basMain::OutputFile = Path("bytes.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(Path("bytes.txt")), all);
    }

    void resultOfNothingIsEmptyFile() {
        WriteFile(Path("tags.html"), "<a><b>   </b></a>");
        basMain::InputFile = Path("tags.html");
        basMain::OutputFile = Path("tags.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(Path("tags.txt")), QByteArray(""));
        QCOMPARE(sink_.shown, QStringList{"Done"});
    }

    void engineFailureKeepsOldOutput() {
        WriteFile(Path("out.txt"), "old");
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("out.txt");
        sink_.answers.push_back(true);
        SetYieldHook([failed = false]() mutable {
            if (!failed) {
                failed = true;
                throw std::bad_alloc();
            }
        });
        const JobResult result = basProcessing::RemoveHTML();
        basMain::InstallEngineHooks();
        QCOMPARE(result, JobResult::Failed);
        QCOMPARE(sink_.shown, QStringList{"CutHTML: Error 7: Out of memory"});
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
    }

    void applyOptionsRunsBeforeConversion() {
        SetAllBoxes(window_.CheckBoxes(), 0);
        basMain::InputFile = Path("page.html");
        basMain::OutputFile = Path("raw.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        QCOMPARE(ReadFile(Path("raw.txt")), QByteArray("<p>Hello&nbsp;world</p> "));
    }

    // A handful of real pages under several option sets: each conversion is
    // written, nothing is reported, and markup is gone when the options say so.
    void realPages_data() {
        QTest::addColumn<QString>("page");
        for (const char* page : {"wikipedia-2.html", "nytimes-1.html", "bbc-1.html", "lemonde-1.html",
                                 "comment-inside-script-parsing.html", "style-tags-removal.html"})
            QTest::newRow(page) << QString::fromLatin1(page);
    }
    void realPages() {
        QFETCH(QString, page);
        const QString input = QStringLiteral(TESSARK_TEST_DATA "/corpus/") + page;
        QVERIFY(QFile::exists(input));
        basMain::InputFile = input;
        basMain::OutputFile = Path("page.txt");
        basMain::BatchMode = True;
        const QByteArray original = ReadFile(input);
        for (int set = 0; set < 4; ++set) {
            for (const OptionInfo& info : kOptions) {
                const int i = static_cast<int>(info.option);
                window_.CheckBoxes().SetValue(info.option, set == 0 ? 1 : set == 1 ? 0 : ((i + set) % 2));
            }
            QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
            QCOMPARE(basMain::LastErrorNumber, 0);
            const QByteArray text = ReadFile(Path("page.txt"));
            if (set == 0) {
                QVERIFY(!text.isEmpty());
                QVERIFY(!text.contains('<'));
                QVERIFY(!text.contains("\r\n\r\n"));
                QVERIFY(!text.contains("  "));
            }
            if (set == 1) QVERIFY(text.size() >= original.size() * 9 / 10);
            // The job's byte pipeline writes what the 16-bit conversion
            // through the code page gives.
            cTessark engine = *basMain::Engine;
            QCOMPARE(text, EncodeAnsi(engine.ExtractText(DecodeAnsi(original))));
        }
    }

    // Every byte value among the engine's markers and references, under
    // every option set: the byte pipeline equals decode, ExtractText, encode.
    void bytePipelineMatchesCodePage() {
        QByteArray page;
        for (int b = 0; b < 256; ++b) {
            page += static_cast<char>(b);
            page += "&#38;lt;<!--ab--> <script>x</script>{y}|\t&nbsp&eacute;&#131;&#159;\r\n \r\n";
        }
        for (unsigned options = 0; options < (1u << 11); options += 7) {
            cTessark engine;
            Boolean* flags[] = {&engine.RemoveComments, &engine.RemoveScripts, &engine.RemoveStyles,
                                &engine.RemoveFunctions, &engine.RemovePipe, &engine.RemoveTabs,
                                &engine.GenerateSpecialChars, &engine.RemoveAllTags, &engine.RemoveAllCRLF,
                                &engine.RemoveSpaces, &engine.RemoveBlankLines};
            for (unsigned bit = 0; bit < 11; ++bit) *flags[bit] = (options >> bit) & 1u ? True : False;
            const QByteArray expected = EncodeAnsi(engine.ExtractText(DecodeAnsi(page)));
            const std::string got = engine.ExtractBytes(page.toStdString());
            QCOMPARE(QByteArray::fromStdString(got), expected);
        }
    }

    // A page larger than the stream's chunks and the job's read blocks, with
    // a script block across a block boundary: the job's output is the whole
    // page's conversion.
    void largePageStreamsToTheSameResult() {
        QByteArray page;
        const QByteArray piece =
            "<p>Some <b>text</b> &amp; more&nbsp;here</p>\r\n<script>\nvar x = {a: 1};\n</script>\r\n\r\n  x  \r\n";
        while (page.size() < (3 << 20) + 12345) page += piece;
        page += "<style>\n" + QByteArray(1500000, 'y') + "\n</style>tail\r\n";
        WriteFile(Path("big.html"), page);
        basMain::InputFile = Path("big.html");
        basMain::OutputFile = Path("big.txt");
        QCOMPARE(basProcessing::RemoveHTML(), JobResult::Written);
        cTessark engine = *basMain::Engine;
        QCOMPARE(ReadFile(Path("big.txt")), QByteArray::fromStdString(engine.ExtractBytes(page.toStdString())));
        NoTemporaryFilesLeft();
    }

    // A shutdown during a yield of the conversion gives up its output (on
    // file systems without unnamed temporary files, the temporary file would
    // otherwise stay behind): the output under way is discarded at once.
    void abandonedConversionDiscardsItsOutput() {
        struct Recorder final : OutputStream {
            std::unique_ptr<OutputStream> inner;
            int* discards;
            void Write(const char* data, qint64 size) override { inner->Write(data, size); }
            void Commit() override { inner->Commit(); }
            void Discard() noexcept override {
                ++*discards;
                inner->Discard();
            }
        };
        struct RecordingDisk final : FileSystem {
            DiskFileSystem real;
            int discards = 0;
            bool FindOrdinaryFile(const QString& path) const override { return real.FindOrdinaryFile(path); }
            qint64 FileLen(const QString& path) const override { return real.FileLen(path); }
            QByteArray ReadAll(const QString& path, qint64 room) const override { return real.ReadAll(path, room); }
            void WriteAll(const QString& path, QByteArrayView data) override { real.WriteAll(path, data); }
            std::unique_ptr<InputStream> OpenRead(const QString& path) const override { return real.OpenRead(path); }
            std::unique_ptr<OutputStream> OpenWrite(const QString& path) override {
                auto r = std::make_unique<Recorder>();
                r->inner = real.OpenWrite(path);
                r->discards = &discards;
                return r;
            }
        } disk;
        basProcessing::SetFileSystem(&disk);
        QByteArray page;
        while (page.size() < (2 << 20)) page += "<p>line of text</p>\r\n";
        WriteFile(Path("big.html"), page);
        WriteFile(Path("out.txt"), "old");
        basMain::InputFile = Path("big.html");
        basMain::OutputFile = Path("out.txt");
        basMain::BatchMode = True;
        int yields = 0, discardsDuring = -1;
        SetYieldHook([&] {
            if (++yields == 40) {
                AbandonRunningOutput();
                discardsDuring = disk.discards;
                throw RuntimeError(5, "Invalid procedure call or argument");
            }
        });
        const JobResult result = basProcessing::RemoveHTML();
        basMain::InstallEngineHooks();
        basProcessing::SetFileSystem(nullptr);
        QCOMPARE(result, JobResult::Failed);
        QCOMPARE(discardsDuring, 1);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
        NoTemporaryFilesLeft();
        AbandonRunningOutput();  // no conversion runs: nothing happens
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    void NoTemporaryFilesLeft() {
        const QStringList names = QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& n : names) QVERIFY2(!n.contains(".tmp") && !n.contains("XXXX"), qPrintable(n));
    }

    HeadlessWindow window_;
    RecordingSink sink_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestBasProcessing)
#include "test_basProcessing.moc"
