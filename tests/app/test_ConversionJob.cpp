// ConvertOne on real files in a temporary folder: each outcome of its
// checks, reads and writes, standard input and output through a stand-in,
// engine failures as values, and many conversions on several threads at once
// against the same conversions one after another.
#include <QDir>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>
#include <atomic>

#include "AnsiCodePage.h"
#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "cTessark.h"

using namespace tessark;
using namespace tessark::test;
using Result = ConversionOutcome::Result;

Q_DECLARE_METATYPE(tessark::ConversionOutcome::Result)

namespace {

// The real disk, with standard input and output replaced by buffers.
class StreamsInMemory final : public FileSystem {
public:
    bool FindOrdinaryFile(const QString& path) const override { return disk.FindOrdinaryFile(path); }
    qint64 FileLen(const QString& path) const override { return disk.FileLen(path); }
    QByteArray ReadAll(const QString& path, qint64 room) const override { return disk.ReadAll(path, room); }
    void WriteAll(const QString& path, QByteArrayView data) override { disk.WriteAll(path, data); }
    QByteArray ReadStandardInput() override {
        ++stdinReads;
        return std::exchange(input, QByteArray());
    }
    void WriteStandardOutput(QByteArrayView data) override {
        if (outputFails) throw RuntimeError(61, "Disk full");
        output += data;
    }

    DiskFileSystem disk;
    QByteArray input, output;
    int stdinReads = 0;
    bool outputFails = false;
};

OptionSet AllOn() {
    OptionSet options;
    options.SetAll(true);
    return options;
}

// What the 16-bit conversion through the code page gives for `page`.
QByteArray Expected(const QByteArray& page, const OptionSet& options) {
    cTessark engine;
    options.ApplyTo(engine);
    return EncodeAnsi(engine.ExtractText(DecodeAnsi(page)));
}

}  // namespace

class TestConversionJob : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        WriteFile(Path("page.html"), kPage);
        WriteFile(Path(".hidden.html"), "<p>x</p>");
        WriteFile(Path("empty.html"), "");
        WriteFile(Path("out.txt"), "old");
        WriteFile(Path("readonly.txt"), "kept");
        QFile::setPermissions(Path("readonly.txt"), QFileDevice::ReadOwner);
        QDir().mkdir(Path("folder.html"));
    }
    void cleanup() { QFile::setPermissions(Path("readonly.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner); }

    // File to file: the outcome, its message or first error, and the output
    // file afterwards ("" = the converted page, "<missing>" = none).
    void fileToFile_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("emptyInputStops");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("outputFile");
        QTest::addColumn<QByteArray>("outputAfter");
        const QByteArray converted = Expected(kPage, AllOn());
        QTest::newRow("written") << "page.html" << "out.txt" << true << Result::Written << "" << "out.txt" << converted;
        QTest::newRow("new file") << "page.html" << "new.txt" << true << Result::Written << "" << "new.txt" << converted;
        QTest::newRow("onto itself") << "page.html" << "page.html" << true << Result::Written << "" << "page.html"
                                     << converted;
        QTest::newRow("missing input") << "nope.html" << "out.txt" << true << Result::Stopped
                                       << "Input file is missing" << "out.txt" << QByteArray("old");
        QTest::newRow("hidden input") << ".hidden.html" << "out.txt" << true << Result::Stopped
                                      << "Input file is missing" << "out.txt" << QByteArray("old");
        QTest::newRow("folder input") << "folder.html" << "out.txt" << true << Result::Stopped
                                      << "Input file is missing" << "out.txt" << QByteArray("old");
        QTest::newRow("empty input stops") << "empty.html" << "out.txt" << true << Result::Stopped
                                           << "Input file is empty!" << "out.txt" << QByteArray("old");
        QTest::newRow("empty input, empty output") << "empty.html" << "out.txt" << false << Result::Written << ""
                                                   << "out.txt" << QByteArray("");
        QTest::newRow("missing folder") << "page.html" << "no/out.txt" << true << Result::Failed
                                        << "RemoveHTML: Error 76: Path not found" << "no/out.txt"
                                        << QByteArray("<missing>");
        QTest::newRow("read-only output") << "page.html" << "readonly.txt" << true << Result::Failed
                                          << "RemoveHTML: Error 70: Permission denied" << "readonly.txt"
                                          << QByteArray("kept");
        QTest::newRow("folder output") << "page.html" << "folder.html" << true << Result::Failed
                                       << "RemoveHTML: Error 75: Path/File access error" << "out.txt"
                                       << QByteArray("old");
        QTest::newRow("wildcard input") << "pa*.html" << "out.txt" << true << Result::Failed
                                        << "RemoveHTML: Error 53: File not found" << "out.txt" << QByteArray("old");
    }
    void fileToFile() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(bool, emptyInputStops);
        QFETCH(Result, result);
        QFETCH(QString, reason);
        QFETCH(QString, outputFile);
        QFETCH(QByteArray, outputAfter);
        ConversionRequest request;
        request.inputPath = Path(input);
        request.outputPath = Path(output);
        request.options = AllOn();
        request.emptyInputStops = emptyInputStops;
        const qint64 inputSize = QFileInfo(Path(input)).size();
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result, result);
        QCOMPARE(outcome.Reason(), reason);
        QCOMPARE(outcome.errors.empty(), result != Result::Failed);
        QCOMPARE(ReadFile(Path(outputFile)), outputAfter);
        if (result == Result::Written) QCOMPARE(outcome.bytesRead, inputSize);
        QVERIFY(outcome.text.isEmpty());
    }

    // A streamed conversion that runs part of its work on a second thread
    // writes the same bytes, over Windows-1252 and UTF-8, on pages of
    // several chunks (a concatenation of real pages).
    void secondThread_data() {
        QTest::addColumn<QString>("encoding");
        QTest::newRow("windows-1252") << "windows-1252";
        QTest::newRow("utf-8") << "utf-8";
    }
    void secondThread() {
        QFETCH(QString, encoding);
        QByteArray page;
        const QDir corpus(QStringLiteral(TESSARK_TEST_DATA "/corpus"));
        for (const QString& name : corpus.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
            page += ReadFile(corpus.filePath(name));
        QVERIFY(page.size() > 4 * (256 << 10));
        WriteFile(Path("pages.html"), page);
        QByteArray outputs[2];
        for (const bool second : {false, true}) {
            ConversionRequest request;
            request.inputPath = Path("pages.html");
            request.outputPath = Path(second ? "two.txt" : "one.txt");
            request.options = AllOn();
            request.encoding = encoding;
            request.secondThread = second;
            DiskFileSystem disk;
            QCOMPARE(ConvertOne(request, disk).result, Result::Written);
            outputs[second] = ReadFile(request.outputPath);
        }
        QVERIFY(!outputs[0].isEmpty());
        QVERIFY(outputs[0] == outputs[1]);
        if (encoding == QLatin1String("windows-1252")) QVERIFY(outputs[0] == Expected(page, AllOn()));
    }

    void standardStreams() {
        StreamsInMemory files;
        files.input = kPage;
        ConversionRequest request;
        request.source = ConversionRequest::Source::StandardInput;
        request.target = ConversionRequest::Target::StandardOutput;
        request.options = AllOn();
        ConversionOutcome outcome = ConvertOne(request, files);
        QCOMPARE(outcome.result, Result::Written);
        QCOMPARE(files.stdinReads, 1);
        QCOMPARE(outcome.bytesRead, qint64(kPage.size()));
        QCOMPARE(files.output, Expected(kPage, AllOn()));

        // Empty standard input: an empty output, also when empty files stop.
        files.output.clear();
        outcome = ConvertOne(request, files);
        QCOMPARE(outcome.result, Result::Written);
        QCOMPARE(files.output, QByteArray());

        // A failed write of standard output is a failure of the job.
        files.input = kPage;
        files.outputFails = true;
        outcome = ConvertOne(request, files);
        QCOMPARE(outcome.result, Result::Failed);
        QCOMPARE(outcome.Reason(), QStringLiteral("RemoveHTML: Error 61: Disk full"));
    }

    void memoryTargetHoldsTheFileBytes() {
        OptionSet options;
        options.Set(Option::RemoveAllTags, true);
        ConversionRequest request;
        request.inputPath = Path("page.html");
        request.target = ConversionRequest::Target::Memory;
        request.options = options;
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result, Result::Written);
        QCOMPARE(outcome.text, Expected(kPage, options));
        QCOMPARE(outcome.text, QByteArray("Hello&nbsp;world \r\nx\r\n\r\ntwo\t|  three"));
    }

    // The engine's failure comes back as a value under the pass's name; the
    // process-wide hooks see nothing and the old output stays.
    void engineFailureIsAValue() {
        int globalReports = 0;
        SetErrorHook([&globalReports](std::string_view, const ErrorInfo&) { ++globalReports; });
        ConversionRequest request;
        request.inputPath = Path("page.html");
        request.outputPath = Path("out.txt");
        request.options = AllOn();
        DiskFileSystem disk;
        int yields = 0;
        const ConversionOutcome outcome = ConvertOne(request, disk, [&yields] {
            if (++yields == 2) throw std::bad_alloc();
        });
        SetErrorHook({});
        QCOMPARE(outcome.result, Result::Failed);
        QCOMPARE(outcome.errors.size(), std::size_t{1});
        QCOMPARE(outcome.errors[0].source, QStringLiteral("CutHTML"));
        QCOMPARE(outcome.Reason(), QStringLiteral("CutHTML: Error 7: Out of memory"));
        QCOMPARE(globalReports, 0);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
    }

    // Every page of the corpus under several option sets, converted on
    // several threads at once, to memory and to files: the same bytes as one
    // after another, and each failure (an unreadable input) only its own.
    void concurrentEqualsSequential() {
        const QString corpus = QStringLiteral(TESSARK_TEST_DATA "/corpus");
        QStringList pages = QDir(corpus).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        QVERIFY(pages.size() >= 60);
        struct Job {
            ConversionRequest request;
            QByteArray expected;
        };
        std::vector<Job> jobs;
        DiskFileSystem disk;
        for (int set = 0; set < 3; ++set) {
            OptionSet options;
            for (const OptionInfo& info : kOptions)
                options.Set(info.option, set == 0 || (set == 2 && static_cast<int>(info.option) % 2 == 1));
            for (const QString& page : pages) {
                Job job;
                job.request.inputPath = corpus + u'/' + page;
                job.request.options = options;
                job.request.target = ConversionRequest::Target::Memory;
                job.expected = ConvertOne(job.request, disk).text;
                jobs.push_back(job);
                if (set == 1) {  // the same page to a file of its own
                    job.request.target = ConversionRequest::Target::File;
                    job.request.outputPath = Path(page + QStringLiteral(".txt"));
                    jobs.push_back(job);
                }
            }
        }
        Job missing;
        missing.request.inputPath = Path("nope.html");
        jobs.insert(jobs.begin() + 7, missing);

        QThreadPool pool;
        pool.setMaxThreadCount(6);
        std::atomic<int> wrong{0};
        QtConcurrent::blockingMap(&pool, jobs, [&disk, &wrong](const Job& job) {
            const ConversionOutcome outcome = ConvertOne(job.request, disk);
            if (job.request.inputPath.endsWith(QStringLiteral("nope.html"))) {
                if (outcome.Reason() != QStringLiteral("Input file is missing")) ++wrong;
                return;
            }
            const QByteArray text = job.request.target == ConversionRequest::Target::Memory
                                        ? outcome.text
                                        : ReadFile(job.request.outputPath);
            if (outcome.result != Result::Written || text != job.expected) ++wrong;
        });
        QCOMPARE(wrong.load(), 0);
    }

private:
    static inline const QByteArray kPage = "<p>Hello&nbsp;world</p>\r\n<script>x</script>\n\n<b>two</b>\t|  three\n";
    QString Path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestConversionJob)
#include "test_ConversionJob.moc"
