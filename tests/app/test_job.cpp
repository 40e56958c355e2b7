// The conversion job on real files in a temporary folder: the classic job's
// checks, questions and messages (RemoveHTML), its failures on a disk that
// fails on command (FaultyDisk), the engine's failures and a stop asked by
// the yield, the options off, ConvertOne's streamed output against the
// whole page's conversion, readable text's route (encodings in, UTF-8 out,
// streamed as the whole page converts), and the disk layer's error numbers.
#include "AnsiCodePage.h"
#include "AppTestSupport.h"
#include "ConversionJob.h"
#include "FaultyDisk.h"
#include "RuntimeError.h"
#include "ClassicEngine.h"
#include "TextEncoding.h"
#include "readable/ReadableText.h"

using namespace tessark;
using namespace tessark::test;
using Fault = FaultyDisk::Fault;

Q_DECLARE_METATYPE(tessark::test::FaultyDisk::Fault)
Q_DECLARE_METATYPE(tessark::classic::JobResult)

namespace {

const QByteArray kPage = "<p>One &amp; two</p>\r\n<script>x()</script>\n\n<b>three</b>\t|  four\n";

// `page` as the 16-bit engine converts it with the classic options on,
// through the code page.
QByteArray Converted(const QByteArray& page) {
    ClassicEngine engine;
    OptionSet::ClassicOn().ApplyTo(engine.options);
    return EncodeAnsi(engine.ExtractText(DecodeAnsi(page)));
}

int ErrorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

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
    // The window's job: its question (-1: none asked; 0 Cancel, 1 OK), the
    // one box it shows, and the output afterwards ("=": the converted page).
    void classicJob_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("after");
        const QByteArray old = "old";
        QTest::newRow("no input") << "" << "out.txt" << -1 << "You have not selected the input file." << old;
        QTest::newRow("no output") << "page.html" << "" << -1 << "You have not selected the output file." << old;
        QTest::newRow("missing input") << "nope.html" << "out.txt" << -1 << "Input file is missing" << old;
        QTest::newRow("hidden input") << ".hidden.html" << "out.txt" << -1 << "Input file is missing" << old;
        QTest::newRow("folder input") << "folder.html" << "out.txt" << -1 << "Input file is missing" << old;
        QTest::newRow("pattern, only hidden") << "*hidden*" << "out.txt" << -1 << "Input file is missing" << old;
        QTest::newRow("pattern") << "pa*.htm?" << "out.txt" << 1 << "RemoveHTML: Error 53: File not found" << old;
        QTest::newRow("empty input") << "empty.html" << "out.txt" << 1 << "Input file is empty!" << old;
        QTest::newRow("empty input, Cancel") << "empty.html" << "out.txt" << 0 << "" << old;
        QTest::newRow("overwrite, Cancel") << "page.html" << "out.txt" << 0 << "" << old;
        QTest::newRow("overwrite, OK") << "page.html" << "out.txt" << 1 << "Done" << QByteArray("=");
        QTest::newRow("new output") << "page.html" << "new.txt" << -1 << "Done" << QByteArray("=");
        QTest::newRow("onto itself") << "page.html" << "page.html" << 1 << "Done" << QByteArray("=");
        QTest::newRow("empty result") << "tags.html" << "new.txt" << -1 << "Done" << QByteArray();
        QTest::newRow("missing folder") << "page.html" << "no/out.txt" << -1 << "RemoveHTML: Error 76: Path not found"
                                        << QByteArray("<missing>");
        QTest::newRow("output is a folder") << "page.html" << "folder.html" << -1
                                            << "RemoveHTML: Error 75: Path/File access error" << QByteArray("<missing>");
        QTest::newRow("read-only output") << "page.html" << "readonly.txt" << 1
                                          << "RemoveHTML: Error 70: Permission denied" << QByteArray("kept");
        QTest::newRow("device full") << "page.html" << "/dev/full" << -1 << "RemoveHTML: Error 61: Disk full"
                                     << QByteArray();
    }
    void classicJob() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(QByteArray, after);
        sink_.answers.push_back(answer == 1);
        DiskFileSystem disk;
        const classic::JobResult result = classic::RemoveHTML(Request(input, output), disk, sink_);
        QCOMPARE(sink_.asked, answer < 0 ? QStringList{} : QStringList{"Output file already exists, overwrite?"});
        QCOMPARE(sink_.shown, shown.isEmpty() ? QStringList{} : QStringList{shown});
        QVERIFY(sink_.notes.isEmpty());
        QCOMPARE(result, shown == "Done" ? classic::JobResult::Written
                         : shown.contains(": Error ") ? classic::JobResult::Failed
                                                       : classic::JobResult::Stopped);
        if (!output.startsWith('/'))
            QCOMPARE(ReadFile(Path(output.isEmpty() ? "out.txt" : output)), after == "=" ? Converted(kPage) : after);
        QCOMPARE(FilesIn(dir_->path()).filter(".tmp"), QStringList{});
    }

    // A disk that fails on command: the failure's message, the old output
    // byte for byte and no stray file. A read that ends early is no error:
    // the half that was read is written.
    void diskFaults_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("shown");
        QTest::newRow("input not opened") << Fault::OpenRead << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("read error") << Fault::Read << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("output not created") << Fault::OpenWrite << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("read-only file system") << Fault::OpenWrite << EROFS << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("disk full") << Fault::Write << ENOSPC << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("quota") << Fault::Write << EDQUOT << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("write error") << Fault::Write << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("rename, I/O") << Fault::Rename << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("rename, busy") << Fault::Rename << EBUSY << "RemoveHTML: Error 75: Path/File access error";
        QTest::newRow("rename, denied") << Fault::Rename << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("short read") << Fault::ShortRead << 0 << "";
    }
    void diskFaults() {
        QFETCH(Fault, fault);
        QFETCH(int, error);
        QFETCH(QString, shown);
        DiskFileSystem real;
        FaultyDisk disk(real);
        disk.Arm(fault, error);
        classic::RemoveHTML(Request("page.html", "out.txt"), disk, sink_);
        QCOMPARE(disk.Struck(), 1);
        QCOMPARE(sink_.shown, QStringList{shown.isEmpty() ? "Done" : shown});
        QCOMPARE(ReadFile(Path("out.txt")), shown.isEmpty() ? Converted(kPage.left(kPage.size() / 2)) : "old");
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
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<classic::JobResult>("result");
        QTest::newRow("engine fails") << false << false << QStringList{"RemoveHTML: Error 7: Out of memory"}
                                      << classic::JobResult::Failed;
        QTest::newRow("stop asked") << false << true << QStringList{} << classic::JobResult::Stopped;
        QTest::newRow("readable text fails") << true << false << QStringList{"RemoveHTML: Error 7: Out of memory"}
                                             << classic::JobResult::Failed;
        QTest::newRow("readable text, stop asked") << true << true << QStringList{} << classic::JobResult::Stopped;
    }
    void yieldStops() {
        QFETCH(bool, readable);
        QFETCH(bool, stop);
        QFETCH(QStringList, shown);
        QFETCH(classic::JobResult, result);
        DiskFileSystem disk;
        int yields = 0;
        const classic::JobYield yield = [&] {
            ++yields;
            if (!stop) throw std::bad_alloc();
            return false;
        };
        classic::JobRequest request = Request("page.html", "out.txt");
        if (readable) {
            QVERIFY(QFile::resize(Path("page.html"), qint64{ReadableConverter::kYieldBytes} * 3 / 2));
            request.options.readable = true;
        }
        QCOMPARE(classic::RemoveHTML(request, disk, sink_, yield), result);
        QCOMPARE(yields, 1);
        QCOMPARE(sink_.shown, shown);
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("old"));
        QCOMPARE(FilesIn(dir_->path()).size(), 6);
    }

    // Readable text from each encoding into UTF-8, in the layout's line
    // ends whatever the classic ones; the encoding that was used, or the
    // failure of one that cannot be.
    void readableText_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<QByteArray>("text");  // or the failure's message
        QTest::addColumn<QString>("used");
        QTest::newRow("windows-1252") << "windows-1252" << QByteArray("<p>caf\xE9 \x80</p>") << false
                                      << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\n") << "windows-1252 (chosen)";
        QTest::newRow("utf-8, its mark dropped") << "utf-8" << QByteArray("\xEF\xBB\xBF<p>caf\xC3\xA9</p>") << false
                                                 << QByteArray("caf\xC3\xA9\n") << "UTF-8 (chosen)";
        QTest::newRow("a label") << "sjis" << QByteArray("<p>\x93\xFA\x96\x7B</p>") << false
                                 << QByteArray("\xE6\x97\xA5\xE6\x9C\xAC\n") << "Shift_JIS (chosen)";
        QTest::newRow("auto, meta") << "auto" << QByteArray("<meta charset=koi8-r><p>\xF0</p>") << false
                                    << QByteArray("\xD0\x9F\n") << "KOI8-R (meta)";
        QTest::newRow("CR LF lines") << "utf-8" << QByteArray("<pre>a\nb</pre>") << true << QByteArray("a\r\nb\r\n")
                                     << "UTF-8 (chosen)";
        QTest::newRow("an encoding that cannot be used") << "ebcdic" << QByteArray("<p>x</p>") << false
                                                         << QByteArray("RemoveHTML: Error 5: Invalid procedure call or argument")
                                                         << "";
    }
    void readableText() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, page);
        QFETCH(bool, crlf);
        QFETCH(QByteArray, text);
        QFETCH(QString, used);
        WriteFile(Path("in.html"), page);
        ConversionRequest request;
        request.inputPath = Path("in.html");
        request.target = ConversionRequest::Target::Memory;
        request.encoding = encoding;
        request.lineEnds = ConversionRequest::LineEnds::Unix;
        request.options.readable = true;
        request.options.layout.crlf = crlf;
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result == ConversionOutcome::Result::Written ? outcome.text : outcome.Reason().toUtf8(), text);
        if (!used.isEmpty())
            QCOMPARE(outcome.encodingUsed.encoding + " (" + TextEncoding::ReasonText(outcome.encodingUsed.reason) + ")", used);
    }

    // Readable text streamed in blocks from a file into a file is the text
    // of the whole page decoded at once, also where a block ends inside a
    // character.
    void readableStreamedEqualsWhole_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("page");
        QByteArray corpus;
        const QDir folder(QStringLiteral(TESSARK_TEST_DATA "/corpus"));
        for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
            corpus += ReadFile(folder.filePath(name));
        QTest::newRow("windows-1252") << "windows-1252" << corpus;
        QTest::newRow("utf-8") << "utf-8" << corpus;
        QTest::newRow("shift_jis") << "shift_jis" << "<p>" + QByteArray("\x93\xFA\x96\x7B").repeated(800000) + "</p>";
    }
    void readableStreamedEqualsWhole() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, page);
        QVERIFY(page.size() > 2 * (1 << 20));
        WriteFile(Path("pages.html"), page);
        const QByteArray utf8 = encoding == "utf-8" ? page
                                                    : TextEncoding::EncodeUtf8(TextEncoding::Decode(
                                                          page, TextEncoding::EncodingForLabel(encoding)));
        ConversionRequest request;
        request.inputPath = Path("pages.html");
        request.outputPath = Path("out.txt");
        request.encoding = encoding;
        request.options.readable = true;
        DiskFileSystem disk;
        QCOMPARE(ConvertOne(request, disk).result, ConversionOutcome::Result::Written);
        const std::string whole = ReadableText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        QVERIFY(ReadFile(Path("out.txt")) == QByteArray::fromStdString(whole));
    }

    // Every route yields at least once per megabyte it reads, the start of a
    // page whose encoding is being decided included, so that a window stays
    // live: the bytes read between two yields (and before the first) never
    // pass 1 MB.
    void yieldsPerMegabyte_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("decodeAll");
        QTest::newRow("classic, windows-1252") << "windows-1252" << false << false;
        QTest::newRow("classic, utf-8") << "utf-8" << false << false;
        QTest::newRow("classic, auto") << "auto" << false << false;
        QTest::newRow("classic, a label") << "koi8-r" << false << false;
        QTest::newRow("classic, every reference decoded") << "auto" << false << true;
        QTest::newRow("readable, windows-1252") << "windows-1252" << true << false;
        QTest::newRow("readable, auto") << "auto" << true << false;
    }
    void yieldsPerMegabyte() {
        QFETCH(QString, encoding);
        QFETCH(bool, readable);
        QFETCH(bool, decodeAll);
        WriteFile(Path("big.html"), QByteArray("<p>caf&eacute; \xF0\xF1 <b>x</b></p>\n").repeated(250000));
        ConversionRequest request;
        request.inputPath = Path("big.html");
        request.outputPath = Path("big.txt");
        request.encoding = encoding;
        request.options = OptionSet::ClassicOn();
        request.options.Set(Option::DecodeAllReferences, decodeAll);
        request.options.readable = readable;
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

    // With every option off each byte comes through.
    void optionsOff() {
        QByteArray all;
        for (int i = 1; i < 256; ++i)
            if (!QByteArray("\r\n <>").contains(static_cast<char>(i))) all += static_cast<char>(i);
        WriteFile(Path("bytes.html"), all + "<b>x</b>");
        classic::JobRequest request = Request("bytes.html", "new.txt");
        request.options = OptionSet();
        DiskFileSystem disk;
        QCOMPARE(classic::RemoveHTML(request, disk, sink_), classic::JobResult::Written);
        QCOMPARE(ReadFile(Path("new.txt")), all + "<b>x</b>");
    }

    // Real pages and a style block across the read blocks, streamed: the
    // whole page's conversion, which for Windows-1252 is
    // the 16-bit conversion through the code page.
    void streamedEqualsWholePage_data() {
        QTest::addColumn<QString>("encoding");
        QTest::newRow("windows-1252") << "windows-1252";
        QTest::newRow("utf-8") << "utf-8";
    }
    void streamedEqualsWholePage() {
        QFETCH(QString, encoding);
        QByteArray page;
        const QDir corpus(QStringLiteral(TESSARK_TEST_DATA "/corpus"));
        for (const QString& name : corpus.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
            page += ReadFile(corpus.filePath(name));
        page += "<style>\n" + QByteArray(1500000, 'y') + "\n</style>tail\r\n";
        QVERIFY(page.size() > 4 * (1 << 20));
        WriteFile(Path("pages.html"), page);
        ClassicEngine engine;
        OptionSet::ClassicOn().ApplyTo(engine.options);
        QByteArray whole = page;
        ConvertEncoded(engine, whole, encoding);
        if (encoding == "windows-1252") QVERIFY(whole == Converted(page));
        ConversionRequest request;
        request.inputPath = Path("pages.html");
        request.outputPath = Path("out.txt");
        request.options = OptionSet::ClassicOn();
        request.encoding = encoding;
        DiskFileSystem disk;
        const ConversionOutcome outcome = ConvertOne(request, disk);
        QCOMPARE(outcome.result, ConversionOutcome::Result::Written);
        QCOMPARE(outcome.bytesRead, page.size());
        QVERIFY(ReadFile(Path("out.txt")) == whole);
    }

    // The disk's error numbers; reading and writing in blocks fail as whole
    // files do, and a refused write keeps the old file.
    void diskErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("number");
        QTest::newRow("read a missing file") << "nope.html" << false << 53;
        QTest::newRow("read a folder") << "folder.html" << false << 75;
        QTest::newRow("write into a missing folder") << "no/out.txt" << true << 76;
        QTest::newRow("write over a folder") << "folder.html" << true << 75;
        QTest::newRow("write a read-only file") << "readonly.txt" << true << 70;
        QTest::newRow("write with no name") << "" << true << 52;
    }
    void diskErrors() {
        QFETCH(QString, name);
        QFETCH(bool, write);
        QFETCH(int, number);
        const QString path = name.isEmpty() ? QString() : Path(name);
        DiskFileSystem disk;
        if (write) {
            QCOMPARE(ErrorNumberOf([&] { disk.OpenWrite(path); }), number);
            QCOMPARE(ErrorNumberOf([&] { disk.WriteAll(path, "x"); }), number);
        } else {
            QCOMPARE(ErrorNumberOf([&] { disk.OpenRead(path); }), number);
            QCOMPARE(ErrorNumberOf([&] { disk.ReadAll(path); }), number);
        }
        if (number == 53) QCOMPARE(ErrorNumberOf([&] { disk.FileLen(path); }), 53);
        QCOMPARE(ReadFile(Path("readonly.txt")), QByteArray("kept"));
    }

    // The whole file, with room to grow in place (no move, no copy), also
    // where huge pages are advised.

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
    RecordingSink sink_;
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestJob)
#include "test_job.moc"
