// The conversion job on real files in a temporary folder: the classic job's
// checks, questions and messages (RemoveHTML), its failures on a disk that
// fails on command (FaultyDisk), the engine's failures and a stop asked by
// the yield, ConvertOne's streamed output against the whole page's
// conversion, readable text's route streamed as the whole page converts,
// and the bytes read between yields.
#include "AnsiCodePage.h"
#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "FaultyDisk.h"
#include "ClassicEngine.h"
#include "TextEncoding.h"
#include "readable/ReadableText.h"

using namespace tessark;
using namespace tessark::test;
using Fault = FaultyDisk::Fault;

namespace {

const QByteArray kPage = "<p>One &amp; two</p>\r\n<script>x()</script>\n\n<b>three</b>\t|  four\n";

// `page` as the 16-bit engine converts it with the classic options on,
// through the code page.
QByteArray Converted(const QByteArray& page) {
    ClassicEngine engine;
    OptionSet::ClassicOn().ApplyTo(engine.options);
    return EncodeAnsi(engine.ExtractText(DecodeAnsi(page)));
}

// The window's job: its question (-1: none asked; 0 Cancel, 1 OK), the one
// box it shows, and the output afterwards ("=": the converted page).
const struct JobRow {
    const char *name, *input, *output;
    int answer;
    const char *shown, *after;
} kJobRows[] = {
    {"no input", "", "out.txt", -1, "You have not selected the input file.", "old"},
    {"no output", "page.html", "", -1, "You have not selected the output file.", "old"},
    {"missing input", "nope.html", "out.txt", -1, "Input file is missing", "old"},
    {"hidden input", ".hidden.html", "out.txt", -1, "Input file is missing", "old"},
    {"folder input", "folder.html", "out.txt", -1, "Input file is missing", "old"},
    {"pattern, only hidden", "*hidden*", "out.txt", -1, "Input file is missing", "old"},
    {"pattern", "pa*.htm?", "out.txt", 1, "RemoveHTML: Error 53: File not found", "old"},
    {"empty input", "empty.html", "out.txt", 1, "Input file is empty!", "old"},
    {"empty input, Cancel", "empty.html", "out.txt", 0, "", "old"},
    {"overwrite, Cancel", "page.html", "out.txt", 0, "", "old"},
    {"overwrite, OK", "page.html", "out.txt", 1, "Done", "="},
    {"new output", "page.html", "new.txt", -1, "Done", "="},
    {"onto itself", "page.html", "page.html", 1, "Done", "="},
    {"empty result", "tags.html", "new.txt", -1, "Done", ""},
    {"missing folder", "page.html", "no/out.txt", -1, "RemoveHTML: Error 76: Path not found", "<missing>"},
    {"output is a folder", "page.html", "folder.html", -1, "RemoveHTML: Error 75: Path/File access error", "<missing>"},
    {"read-only output", "page.html", "readonly.txt", 1, "RemoveHTML: Error 70: Permission denied", "kept"},
    {"device full", "page.html", "/dev/full", -1, "RemoveHTML: Error 61: Disk full", ""},
};

// A disk that fails on command; an empty message: the half read is written.
const struct FaultRow {
    const char* name;
    Fault fault;
    int error;
    const char* shown;
} kFaultRows[] = {
    {"input not opened", Fault::OpenRead, EACCES, "RemoveHTML: Error 70: Permission denied"},
    {"read error", Fault::Read, EIO, "RemoveHTML: Error 57: Device I/O error"},
    {"output not created", Fault::OpenWrite, EACCES, "RemoveHTML: Error 70: Permission denied"},
    {"read-only file system", Fault::OpenWrite, EROFS, "RemoveHTML: Error 70: Permission denied"},
    {"disk full", Fault::Write, ENOSPC, "RemoveHTML: Error 61: Disk full"},
    {"quota", Fault::Write, EDQUOT, "RemoveHTML: Error 61: Disk full"},
    {"write error", Fault::Write, EIO, "RemoveHTML: Error 57: Device I/O error"},
    {"rename, I/O", Fault::Rename, EIO, "RemoveHTML: Error 57: Device I/O error"},
    {"rename, busy", Fault::Rename, EBUSY, "RemoveHTML: Error 75: Path/File access error"},
    {"rename, denied", Fault::Rename, EACCES, "RemoveHTML: Error 70: Permission denied"},
    {"short read", Fault::ShortRead, 0, ""},
};

}  // namespace

class TestJob : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        sink_ = RecordingSink();
        dir_ = std::make_unique<QTemporaryDir>();
        WriteFile(Path("page.html"), kPage);
        WriteFile(Path(".hidden.html"), "<p>x</p>");
        WriteFile(Path("empty.html"), "");
        WriteFile(Path("tags.html"), "<a><b>   </b></a>");
        WriteFile(Path("out.txt"), "old");
        WriteFile(Path("readonly.txt"), "kept");
        QVERIFY(QFile::setPermissions(Path("readonly.txt"), QFileDevice::ReadOwner));
        QVERIFY(QDir().mkdir(Path("folder.html")));
    }
    void classicJob_data() { TableRows(kJobRows); }
    void classicJob() {
        QFETCH(int, row);
        const JobRow& r = kJobRows[row];
        const QString shown = r.shown;
        sink_.answers.push_back(r.answer == 1);
        DiskFileSystem disk;
        const classic::JobResult result = classic::RemoveHTML(Request(r.input, r.output), disk, sink_);
        QCOMPARE(sink_.asked, r.answer < 0 ? QStringList{} : QStringList{"Output file already exists, overwrite?"});
        QCOMPARE(sink_.shown, shown.isEmpty() ? QStringList{} : QStringList{shown});
        QVERIFY(sink_.notes.isEmpty());
        QCOMPARE(result, shown == "Done" ? classic::JobResult::Written
                         : shown.contains(": Error ") ? classic::JobResult::Failed
                                                       : classic::JobResult::Stopped);
        if (r.output[0] != '/')
            QCOMPARE(ReadFile(Path(*r.output ? r.output : "out.txt")), r.after == QByteArray("=") ? Converted(kPage) : QByteArray(r.after));
        QCOMPARE(FilesIn(dir_->path()).filter(".tmp"), QStringList{});
    }

    // The failure's message, the old output byte for byte and no stray file.
    void diskFaults_data() { TableRows(kFaultRows); }
    void diskFaults() {
        QFETCH(int, row);
        const FaultRow& r = kFaultRows[row];
        DiskFileSystem real;
        FaultyDisk disk(real);
        disk.Arm(r.fault, r.error);
        classic::RemoveHTML(Request("page.html", "out.txt"), disk, sink_);
        QCOMPARE(disk.Struck(), 1);
        QCOMPARE(sink_.shown, QStringList{*r.shown ? r.shown : "Done"});
        QCOMPARE(ReadFile(Path("out.txt")), *r.shown ? QByteArray("old") : Converted(kPage.left(kPage.size() / 2)));
        QCOMPARE(FilesIn(dir_->path()).size(), 6);
    }

    // During the first yield, the job's own after the first block it reads,
    // the conversion fails (one message) or the caller asks to stop (the
    // window closing: no message, no further yield reaches it); either way
    // the output is discarded, the old one kept byte for byte and no
    // temporary file left, with the classic engine or readable text.
    void yieldStops_data() {
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("stop");
        for (const bool readable : {false, true})
            for (const bool stop : {false, true}) QTest::addRow("readable %d, stop %d", readable, stop) << readable << stop;
    }
    void yieldStops() {
        QFETCH(bool, readable);
        QFETCH(bool, stop);
        DiskFileSystem disk;
        int yields = 0;
        const classic::JobYield yield = [&] {
            ++yields;
            if (!stop) throw std::bad_alloc();
            return false;
        };
        classic::JobRequest request = Request("page.html", "out.txt");
        if (readable) QVERIFY(QFile::resize(Path("page.html"), qint64{ReadableConverter::kYieldBytes} * 3 / 2));
        request.options.readable = readable;
        QCOMPARE(classic::RemoveHTML(request, disk, sink_, yield), stop ? classic::JobResult::Stopped : classic::JobResult::Failed);
        QCOMPARE(yields, 1);
        QCOMPARE(sink_.shown, stop ? QStringList{} : QStringList{"RemoveHTML: Error 7: Out of memory"});
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
        QCOMPARE(FilesIn(dir_->path()).size(), 6);
    }

    // Pages of several megabytes streamed in blocks from a file into a file
    // (real pages, a style block across the blocks, characters cut at a
    // block's end) are the text of the whole page converted at once: the
    // classic conversion (ConvertEncoded) or readable text of the page
    // decoded whole.
    void streamedEqualsWhole_data() {
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("page");
        const QByteArray corpus = WholeCorpus() + "<style>\n" + QByteArray(1500000, 'y') + "\n</style>tail\r\n";
        const QByteArray sjis = "<p>" + QByteArray("\x93\xFA\x96\x7B").repeated(800000) + "</p>";
        for (const bool readable : {false, true})
            for (const char* encoding : {"windows-1252", "utf-8"})
                QTest::addRow("%s, %s", readable ? "readable" : "classic", encoding) << readable << encoding << corpus;
        QTest::newRow("readable, shift_jis") << true << "shift_jis" << sjis;
    }
    void streamedEqualsWhole() {
        QFETCH(bool, readable);
        QFETCH(QString, encoding);
        QFETCH(QByteArray, page);
        QVERIFY(page.size() > 3 * (1 << 20));
        WriteFile(Path("pages.html"), page);
        QByteArray whole = page;
        if (readable) {
            const QByteArray utf8 = TextEncoding::EncodeUtf8(TextEncoding::Decode(page, TextEncoding::EncodingForLabel(encoding)));
            whole = QByteArray::fromStdString(ReadableText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
        } else {
            ClassicEngine engine;
            OptionSet::ClassicOn().ApplyTo(engine.options);
            ConvertEncoded(engine, whole, encoding);
        }
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(Conversion("pages.html", encoding, readable, "out.txt"), disk);
        QCOMPARE(outcome.result, ConversionOutcome::Result::Written);
        QCOMPARE(outcome.bytesRead, page.size());
        QVERIFY(ReadFile(Path("out.txt")) == whole);
    }

    // Every route yields at least once per megabyte it reads, the start of a
    // page whose encoding is being decided included, so that a window stays
    // live: the bytes read between two yields (and before the first) never
    // pass 1 MB.
    void yieldsPerMegabyte_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("decodeAll");
        for (const char* encoding : {"windows-1252", "utf-8", "auto", "koi8-r"})
            QTest::addRow("classic, %s", encoding) << encoding << false << false;
        QTest::newRow("classic, every reference decoded") << "auto" << false << true;
        QTest::newRow("readable, windows-1252") << "windows-1252" << true << false;
        QTest::newRow("readable, auto") << "auto" << true << false;
    }
    void yieldsPerMegabyte() {
        QFETCH(QString, encoding);
        QFETCH(bool, readable);
        QFETCH(bool, decodeAll);
        WriteFile(Path("big.html"), QByteArray("<p>caf&eacute; \xF0\xF1 <b>x</b></p>\n").repeated(250000));
        ConversionRequest request = Conversion("big.html", encoding, readable, "big.txt");
        request.options.Set(Option::DecodeAllReferences, decodeAll);
        DiskFileSystem real;
        FaultyDisk disk(real);
        qint64 last = 0, widest = 0;
        const auto yield = [&] {
            widest = std::max(widest, disk.BytesRead() - last);
            last = disk.BytesRead();
        };
        QCOMPARE(ConvertOne(request, disk, yield).result, ConversionOutcome::Result::Written);
        QVERIFY(disk.BytesRead() > 7 * (1 << 20));
        QVERIFY2(widest <= (1 << 20), qPrintable(QString::number(widest)));
    }

private:
    QString Path(const QString& name) const { return name.startsWith('/') ? name : dir_->filePath(name); }
    // The window's request: the classic options on, Windows-1252.
    classic::JobRequest Request(const QString& input, const QString& output) const {
        classic::JobRequest request;
        request.inputFile = input.isEmpty() ? QString() : Path(input);
        request.outputFile = output.isEmpty() ? QString() : Path(output);
        request.options = OptionSet::ClassicOn();
        return request;
    }
    // ConvertOne's request: `input` in `encoding`, the classic options on or
    // readable text, into the file `output`.
    ConversionRequest Conversion(const QString& input, const QString& encoding, bool readable, const QString& output) const {
        ConversionRequest request;
        request.inputPath = Path(input);
        request.outputPath = Path(output);
        request.target = ConversionRequest::Target::File;
        request.encoding = encoding;
        request.options = OptionSet::ClassicOn();
        request.options.readable = readable;
        return request;
    }
    RecordingSink sink_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestJob)
#include "test_job.moc"
