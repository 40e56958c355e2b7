// Both command lines end to end with the real program, run in a temporary
// folder (work/, its current folder) with a settings folder of its own: the
// modern form (help, files and folders, standard streams, option flags,
// --save, encodings, errors and exit status, the progress line) and the
// classic two-word form (paths from the program's folder, the saved options
// it uses and writes back). In process: the many-file mode over a failing
// disk (cli::Run with a FaultyDisk) and the progress line's text.
#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <QThread>

#include "AppTestSupport.h"
#include "FaultyDisk.h"
#include "ModernCommandLine.h"
#include "Progress.h"

using namespace tessark;
using namespace tessark::test;
using Fault = FaultyDisk::Fault;

Q_DECLARE_METATYPE(tessark::test::FaultyDisk::Fault)

namespace {

const QByteArray kPage = "<html><script>x()</script><p>One&amp;two</p>\r\n\r\n<p>three</p>\t|{f}</html>";
const QByteArray kHint = "Try 'tessark --help' for more information.\n";
const QStringList kClassic{"GenerateSpecialChars", "RemoveAllCRLF", "RemoveAllTags", "RemoveBlankLines",
                           "RemoveComments", "RemoveFunctions", "RemovePipe", "RemoveScripts",
                           "RemoveSpaces", "RemoveStyles", "RemoveTabs"};
const QStringList kReadable{"BreakAtBlocks", "DecodeAllReferences", "GenerateSpecialChars", "KeepAltText",
                            "KeepLinks", "RemoveAllTags", "RemoveBlankLines", "RemoveComments",
                            "RemoveScripts", "RemoveSpaces", "RemoveStyles", "RemoveTabs"};

// What --print-options prints: one Key=True|False line per key, sorted.
QByteArray Listing(const QStringList& on, const QByteArray& encoding = "windows-1252") {
    QByteArrayList lines{"Encoding=" + encoding + "\n"};
    for (const OptionInfo& info : kOptions)
        lines << QByteArray(info.name) + (on.contains(QLatin1String(info.name)) ? "=True\n" : "=False\n");
    std::sort(lines.begin(), lines.end());
    return lines.join();
}

// The store as the classic form writes it: the classic eleven, those named
// in `off` False.
QByteArray Store(const QStringList& off = {}) {
    QByteArray store = "[General]\n";
    for (const QString& key : kClassic) store += key.toLatin1() + (off.contains(key) ? "=False\n" : "=True\n");
    return store;
}

QStringList Without(QStringList list, const QString& name) {
    list.removeOne(name);
    return list;
}

// Standard error of this process, caught in a file while `action` runs.
QByteArray CaptureStandardError(const std::function<void()>& action) {
    QTemporaryFile file;
    if (!file.open()) return "<no capture>";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        const std::pair<const char*, QByteArray> files[] = {
            {"page.html", kPage}, {"two.htm", "<b>second</b> page"}, {"empty.html", ""}, {"old.txt", "old"},
            {"ro.txt", "kept"}, {"x/page.html", "<p>other</p>"}, {"dup/page.htm", "a"}, {"dup/page.html", "b"},
            {"site/index.html", "<p>index</p>"}, {"site/a/one.HTM", "<p>one</p>"}, {"site/a/b/two.page.Html", "<p>two</p>"},
            {"site/a/notes.txt", "not a page"}, {"site/.hidden.html", "<p>hidden</p>"}, {"locked.html", kPage},
            {"utf8.html", "<p>caf\xC3\xA9 &eacute; &copy;</p>"},
            {"menu.html", "<nav><ul><li>Home</li><li><a href=\"/news\">News</a></li></ul></nav>"
                          "<p>&lt;div&gt; &amp;amp; caf&eacute;&rsquo;s<img alt=\"logo\"></p>"}};
        for (const auto& [name, content] : files) {
            QVERIFY(QDir().mkpath(QFileInfo(Path(name)).path()));
            WriteFile(Path(name), content);
        }
        QVERIFY(QDir().mkpath(Path("folder")) && QDir().mkpath(Path("nothing")));
        QFile::setPermissions(Path("ro.txt"), QFileDevice::ReadOwner);
        QFile::setPermissions(Path("locked.html"), QFileDevice::Permissions());
        if (QFile(Path("locked.html")).open(QIODevice::ReadOnly)) {  // root reads any file: a link to nowhere instead
            QFile::remove(Path("locked.html"));
            QVERIFY(QFile::link(Path("nowhere"), Path("locked.html")));
        }
    }

    // One run: the settings store before (a leading "!": a file where its
    // folder should be), the arguments (a leading "@classic": the classic
    // form), standard input, then the exit status, standard output and
    // error (a trailing "*": its beginning), and checks of files in work/
    // ("name=content", "<missing>": none; "store" is the settings file) and
    // of keys in the store ("Key:value", "<none>": none). Without --save,
    // and for usage errors, the modern form leaves the store as it was.
    void runs_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QByteArrayList>("checks");
        const auto row = [](const char* name, const QByteArray& stored, const QStringList& args, int exit,
                            const QByteArray& out, const QByteArray& err, const QByteArrayList& checks = {},
                            const QByteArray& input = {}) {
            QTest::newRow(name) << stored << args << input << exit << out << err << checks;
        };
        const auto usage = [&row](const char* name, const QStringList& args, const QByteArray& line) {
            row(name, {}, args, 2, {}, "tessark: " + line + "\n" + kHint, {"out.txt=<missing>", "out=<missing>"});
        };
        const auto options = [&row](const char* name, const QByteArray& stored, const QStringList& args,
                                    const QStringList& on) {
            row(name, stored, args + QStringList{"--print-options"}, 0, Listing(on), {});
        };
        const auto encoding = [&row](const char* name, const QByteArray& stored, const QStringList& args,
                                     const QByteArray& shown, const QByteArray& saved, const QByteArray& err = {}) {
            row(name, stored, args + QStringList{"--print-options"}, 0, Listing(kClassic, shown), err,
                {"Encoding:" + saved});
        };
        row("version", {}, {"--version"}, 0, "tessark 1.0 Build 20\n", {});
        usage("unknown option", {"--bogus", "page.html"}, "Unknown option 'bogus'.");
        usage("-o, two inputs", {"-o", "out.txt", "page.html", "two.htm"},
              "-o writes one output, but there are 2 inputs (use -d for several)");
        usage("-j0", {"-j0", "-o", "out.txt", "page.html"}, "invalid number of jobs: '0'");
        usage("-j x", {"-j", "x", "-o", "out.txt", "page.html"}, "invalid number of jobs: 'x'");
        usage("-o and -d", {"-o", "out.txt", "-d", "out", "page.html"}, "-o and -d cannot be used together");
        usage("missing value", {"page.html", "-o"}, "Missing value after '-o'.");
        usage("-d, standard input", {"-d", "out", "-"}, "-d needs named inputs: standard input has no name to write");
        usage("unknown encoding", {"--encoding", "utf-9", "page.html"}, "unknown encoding: 'utf-9'");
        usage("encoding ICU lacks", {"--encoding=iso-8859-16", "--save", "page.html"}, "unknown encoding: 'iso-8859-16'");
        usage("one output name twice", {"-d", "out", "page.html", "x/page.html"},
              "page.html and x/page.html would both write out/page.txt");
        usage("one output name twice, -r", {"-r", "-d", "out", "dup"}, "dup/page.htm and dup/page.html would both write out/page.txt");
        row("relative paths", {}, {"-o", "out.txt", "page.html"}, 0, {}, {}, {"out.txt=One&two three"});
        for (const QStringList& args : {QStringList{"-"}, QStringList{"--all"}, QStringList{"-o", "-", "-"}, QStringList{"--", "-"}})
            row(qPrintable("standard input: " + args.join(' ')), {}, args, 0, "One&two three", {}, {}, kPage);
        row("empty standard input", {}, {"-"}, 0, {}, {});
        row("file to standard output", {}, {"-o", "-", "page.html"}, 0, "One&two three", {});
        row("several, like cat", {}, {"--", "page.html", "two.htm", "page.html"}, 0, "One&two threesecond pageOne&two three", {});
        row("empty input", {}, {"-o", "old.txt", "empty.html"}, 0, {}, {}, {"old.txt="});
        row("read-only output", {}, {"-o", "ro.txt", "page.html"}, 1, {},
            "tessark: page.html: RemoveHTML: Error 70: Permission denied\n", {"ro.txt=kept"});
        row("folder tree", {}, {"-r", "-d", "out/text", "site", "page.html"}, 0, {}, {},
            {"out/text/index.txt=index", "out/text/a/one.txt=one", "out/text/a/b/two.page.txt=two",
             "out/text/page.txt=One&two three", "out/text/.hidden.txt=<missing>", "out/text/a/notes.txt=<missing>"});
        row("failures do not stop the others", {},
            {"-j2", "-d", "out", "page.html", "folder", "missing.html", "locked.html", "two.htm"}, 1, {},
            "tessark: folder: Is a folder (-r converts the pages under it)\n"
            "tessark: missing.html: Input file is missing\n"
            "tessark: locked.html: " + QByteArray(::geteuid() == 0 ? "Input file is missing\n" : "RemoveHTML: Error 70: Permission denied\n"),
            {"out/page.txt=One&two three", "out/two.txt=second page", "out/locked.txt=<missing>", "out/missing.txt=<missing>"});
        row("a folder without pages", {}, {"-r", "-d", "out", "nothing"}, 0, {}, "tessark: nothing: no .html or .htm files under it\n");
        row("-q", {}, {"-q", "-r", "-d", "out", "nothing"}, 0, {}, {});
        row("--all, --readable", {}, {"--all", "-o", "-", "menu.html"}, 0, "HomeNews &amp; caf\xE9&rsquo;s", {});
        row("--readable", {}, {"--readable", "-o", "-", "menu.html"}, 0, "Home\r\nNews [/news]\r\n<div> &amp; caf\xE9\x92s logo ", {});
        row("--save fails", "!", {"--none", "--save", "--print-options"}, 1, Listing({}),
            "tessark: the options could not be saved to *");
        options("empty store", {}, {}, kClassic);
        options("saved ones", "[General]\nRemoveTabs=False\nRemovePipe=0\nRemoveAllTags=yes\n", {},
                Without(Without(Without(kClassic, "RemoveTabs"), "RemovePipe"), "RemoveAllTags"));
        options("--all over saved", "[General]\nRemoveTabs=False\nKeepLinks=True\n", {"--all"}, kClassic);
        options("--none then a flag", {}, {"--none", "--remove-tabs"}, {"RemoveTabs"});
        options("a flag then --none", {}, {"--remove-tabs", "--none"}, {});
        options("later wins", {}, {"--no-remove-tabs", "--remove-tabs", "--no-remove-tabs"}, Without(kClassic, "RemoveTabs"));
        options("names", {}, {"--none", "--remove-all-crlf", "--generate-special-chars", "--break-at-blocks", "--keep-links",
                              "--keep-alt-text", "--decode-all-references", "--no-keep-links"},
                {"RemoveAllCRLF", "GenerateSpecialChars", "BreakAtBlocks", "KeepAltText", "DecodeAllReferences"});
        options("--readable over saved", "[General]\nRemovePipe=True\nRemoveAllCRLF=True\n", {"--readable"}, kReadable);
        options("--readable then --no-", {}, {"--readable", "--no-keep-links"}, Without(kReadable, "KeepLinks"));
        options("--no- then --readable", {}, {"--no-keep-links", "--readable"}, kReadable);
        options("saved readable keys", "[General]\nKeepLinks=True\nDecodeAllReferences=1\n", {},
                kClassic + QStringList{"KeepLinks", "DecodeAllReferences"});
        encoding("nothing saved", {}, {}, "windows-1252", "<none>");
        encoding("saved utf-8", "[General]\nEncoding=utf-8\n", {}, "utf-8", "utf-8");
        encoding("unreadable saved", "[General]\nEncoding=ebcdic\n", {}, "windows-1252", "ebcdic");
        encoding("--encoding AUTO", {}, {"--encoding", "AUTO"}, "auto", "<none>");
        encoding("a label", {}, {"--encoding=sjis"}, "Shift_JIS", "<none>");
        encoding("--save auto", {}, {"--encoding", "auto", "--save"}, "auto", "auto");
        encoding("--save classic", "[General]\nEncoding=utf-8\n", {"--encoding", "windows-1252", "--save"}, "windows-1252",
                 "windows-1252");
        encoding("--save keeps", "[General]\nEncoding=utf-8\n", {"--save"}, "utf-8", "utf-8");
        encoding("--save a label", "[General]\nEncoding=auto\n", {"--encoding", "koi8-r", "--save"}, "KOI8-R", "auto",
                 "tessark: --save keeps the saved encoding: only windows-1252, utf-8 or auto can be saved, not koi8-r\n");
        // The classic form: paths from the program's folder, the saved
        // options (the classic eleven written back, other keys kept, the
        // Encoding key used and never written).
        const auto classic = [&row](const char* name, const QByteArray& stored, const QStringList& args, int exit,
                                    const QByteArray& err, const QByteArrayList& checks) {
            row(name, stored, QStringList{"@classic"} + args, exit, {}, err, checks + QByteArrayList{"RemoveScripts:True"});
        };
        classic("classic", {}, {"page.html", "out.txt", "more"}, 0, {}, {"out.txt=One&two three"});
        classic("classic, one word", {}, {"page.html"}, 1, "You have not selected the output file.\n", {});
        classic("classic, empty second word", {}, {"page.html", ""}, 1, "You have not selected the output file.\n", {});
        classic("classic, missing input", {}, {"nope.html", "out.txt"}, 1, "Input file is missing\n", {});
        classic("classic, missing folder", {}, {"page.html", "no/out.txt"}, 1, "RemoveHTML: Error 76: Path not found\n", {});
        classic("classic, saved options", "[General]\nRemoveAllTags=0\nRemoveScripts=1\nRemoveBlankLines=no\nZebra=stripes\n",
                {"page.html", "out.txt"}, 0, {},
                {"out.txt=<html><p>One&two</p> <p>three</p> </html>", "store=" + Store({"RemoveAllTags", "RemoveBlankLines"}) + "Zebra=stripes\n"});
        classic("classic, saved readable key", "[General]\nBreakAtBlocks=True\n", {"menu.html", "out.txt"}, 0, {},
                {"out.txt=Home News &amp; caf\xE9&rsquo;s", "BreakAtBlocks:True", "KeepLinks:<none>"});
        const std::pair<QByteArray, QByteArray> encodings[] = {{"", "caf\xC3\xA9 \xE9 (c)"},
                                                               {"Encoding=utf-8\n", "caf\xC3\xA9 \xC3\xA9 (c)"},
                                                               {"Encoding=auto\n", "caf\xC3\xA9 \xC3\xA9 (c)"},
                                                               {"Encoding=Unicode\n", "caf\xC3\xA9 \xE9 (c)"}};
        for (const auto& [line, text] : encodings)
            classic(qPrintable("classic, " + line.trimmed()), "[General]\n" + line, {"utf8.html", "out.txt"}, 0, {},
                    {"out.txt=" + text, "store=[General]\n" + line + Store().mid(10)});
    }
    void runs() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exit);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QByteArrayList, checks);
        if (stored.startsWith('!') && QDir().mkpath(Path("config"))) WriteFile(Path("config/OrvaneTessark"), stored);
        else if (!stored.isEmpty()) WriteStore(stored);
        const bool classic = !args.isEmpty() && args.first() == "@classic";
        const ProgramRun r = classic ? RunClassic(args.mid(1)) : Run(args, input);
        QCOMPARE(r.exitCode, exit);
        QCOMPARE(r.out, out);
        if (err.endsWith('*')) QVERIFY2(r.err.startsWith(err.chopped(1)), r.err.constData());
        else QCOMPARE(r.err, err);
        if (!classic && (exit == 2 || !args.contains("--save")))
            QCOMPARE(ReadFile(StorePath()), stored.isEmpty() || stored == "!" ? QByteArray("<missing>") : stored);
        QSettings store(StorePath(), QSettings::IniFormat);
        for (const QByteArray& check : checks) {
            const qsizetype equals = check.indexOf('='), colon = check.indexOf(':');
            if (colon > 0 && (equals < 0 || colon < equals)) {
                QCOMPARE(store.value(QString::fromLatin1(check.left(colon)), "<none>").toString().toLatin1(), check.mid(colon + 1));
                continue;
            }
            const QString name = check.left(equals) == "store" ? StorePath() : Path(QString::fromLatin1(check.left(equals)));
            const QByteArray expected = check.mid(equals + 1);
            if (expected == "<missing>") QVERIFY2(!QFileInfo::exists(name), qPrintable(name));
            else QCOMPARE(ReadFile(name), expected);
        }
    }

    void help() {
        const ProgramRun r = Run({"--help"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("Usage: tessark [OPTION]... [INPUT]...\n"));
        for (const char* option : {"-o, --output", "-d, --output-dir", "-r, --recursive", "-j, --jobs", "--all", "--none",
                                   "--readable", "--save", "--print-options", "-q, --quiet", "-h, --help", "--version",
                                   "--encoding <NAME>", "-v, --verbose", "--no-"})
            QVERIFY2(r.out.contains(option), option);
        for (const OptionInfo& info : kOptions) QVERIFY2(r.out.contains("--" + FlagName(info).toLatin1()), info.name);
    }

    // A large page through a pipe: text comes out while the input is still
    // being written, and it is the whole page's conversion.
    void standardInputStreams() {
        QByteArray page;
        while (page.size() < (6 << 20))
            page += "<p>Some <b>text</b> &amp; more&nbsp;here</p>\r\n<script>\nvar x = {a: 1};\n</script>\r\n";
        QProcess p;
        p.setWorkingDirectory(Path(""));
        p.setProcessEnvironment(Environment());
        p.start(QStringLiteral(TESSARK_PROGRAM), {"--all", "-"});
        QVERIFY(p.waitForStarted(60000));
        p.write(page.left(page.size() / 2));
        QByteArray out;
        for (int i = 0; i < 600 && out.isEmpty(); ++i) {
            p.waitForBytesWritten(100);
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        QVERIFY2(!out.isEmpty(), "no output before the end of the input");
        p.write(page.mid(page.size() / 2));
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        cTessark engine;
        OptionSet::ClassicOn().ApplyTo(engine);
        QVERIFY(out + p.readAllStandardOutput() == QByteArray::fromStdString(engine.ExtractBytes(page.toStdString())));
    }

    // With several jobs, standard output still comes in input order: large
    // and small pages mixed, so that later ones finish first.
    void jobsKeepInputOrder() {
        const QString corpus = QStringLiteral(TESSARK_TEST_DATA "/corpus/");
        const QStringList pages = QDir(corpus).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        QStringList args{"--"};
        for (int i = 0; i < 40; ++i) args << corpus + pages.at((i * 7) % pages.size());
        const ProgramRun one = Run(QStringList{"-j1"} + args), four = Run(QStringList{"-j4"} + args);
        QVERIFY(one.exitCode == 0 && four.exitCode == 0 && four.err.isEmpty() && one.out.size() > 100000);
        QVERIFY(four.out == one.out);
    }

    // What --save stores the classic form uses; with the same options both
    // forms write the same bytes.
    void savedForTheClassicForm_data() {
        QTest::addColumn<int>("set");
        for (int set = 0; set < 3; ++set) QTest::newRow(qPrintable(QString::number(set))) << set;
    }
    void savedForTheClassicForm() {
        QFETCH(int, set);
        QVERIFY(QFile::copy(QStringLiteral(TESSARK_TEST_DATA "/corpus/bbc-1.html"), Path("in.html")));
        QStringList flags{"--none", "--encoding", set == 1 ? "utf-8" : "windows-1252"};
        for (const OptionInfo& info : kOptions)
            if (set < 2 || static_cast<int>(info.option) % 3 != 0) flags << "--" + FlagName(info);
        QCOMPARE(Run(flags + QStringList{"--save", "--print-options"}).exitCode, 0);
        QCOMPARE(RunClassic({"in.html", "classic.txt"}).exitCode, 0);
        QFile::remove(StorePath());
        QCOMPARE(Run(flags + QStringList{"-o", "modern.txt", "in.html"}).exitCode, 0);
        QVERIFY(ReadFile(Path("classic.txt")) == ReadFile(Path("modern.txt")));
        QVERIFY(ReadFile(Path("classic.txt")).size() > 1000);
    }

    // Eight classic runs at once over an up-to-date store: each converts and
    // none rewrites the store (same file, same time stamp, no lock file).
    void classicRunsAtOnceLeaveTheStoreAlone() {
        WriteStore(Store());
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5));
        QFile file(StorePath());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();
        struct stat before {}, after {};
        QCOMPARE(::stat(QFile::encodeName(StorePath()).constData(), &before), 0);
        RunClassic({"page.html", "out.txt"});  // copies the program once
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 8; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->setWorkingDirectory(dir_->path());
            runs.back()->setProcessEnvironment(Environment());
            runs.back()->start(Path("tessark"), {"page.html", QStringLiteral("out%1.txt").arg(i)});
        }
        for (int i = 0; i < 8; ++i) {
            QVERIFY(runs[std::size_t(i)]->waitForFinished(60000) && runs[std::size_t(i)]->exitCode() == 0);
            QCOMPARE(ReadFile(Path(QStringLiteral("out%1.txt").arg(i))), QByteArray("One&two three"));
        }
        QCOMPARE(::stat(QFile::encodeName(StorePath()).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(QFileInfo(StorePath()).lastModified(), old);
        QCOMPARE(ReadFile(StorePath()), Store());
        QVERIFY(!QFile::exists(StorePath() + ".lock"));
    }

    // -v names, per input, the encoding it was read in and why; under "auto"
    // each sample page gives its expected text.
    void verboseNamesTheEncoding_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("lines");
        const QByteArray autoLines =
            "tessark: in/shift_jis-meta.html: Shift_JIS (meta)\ntessark: in/utf-16be-bom.html: UTF-16BE (bom)\n"
            "tessark: in/utf-16le-bom.html: UTF-16LE (bom)\ntessark: in/utf-8-bom.html: UTF-8 (bom)\n"
            "tessark: in/utf-8.html: UTF-8 (valid utf-8)\ntessark: in/windows-1251-meta.html: windows-1251 (meta)\n"
            "tessark: in/windows-1251-undeclared.html: windows-1251 (guess)\n"
            "tessark: in/windows-1252-as-iso-8859-1.html: windows-1252 (meta)\n"
            "tessark: in/wrong-declaration.html: UTF-8 (meta)\n";
        QTest::newRow("auto") << QStringList{"--encoding", "auto"} << QByteArray() << autoLines;
        QTest::newRow("auto, saved") << QStringList{} << QByteArray("[General]\nEncoding=auto\n") << autoLines;
        QTest::newRow("default") << QStringList{} << QByteArray() << QByteArray("tessark: in/utf-8.html: windows-1252 (default)\n");
        QTest::newRow("saved") << QStringList{} << QByteArray("[General]\nEncoding=utf-8\n")
                               << QByteArray("tessark: in/utf-8.html: UTF-8 (saved)\n");
        QTest::newRow("chosen") << QStringList{"--encoding", "cp1251"} << QByteArray()
                                << QByteArray("tessark: in/utf-8.html: windows-1251 (chosen)\n");
    }
    void verboseNamesTheEncoding() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, lines);
        if (!stored.isEmpty()) WriteStore(stored);
        const QDir samples(QStringLiteral(TESSARK_TEST_DATA "/encodings"));
        const bool all = lines.count('\n') > 1;
        QStringList inputs;
        QVERIFY(QDir().mkpath(Path("in")));
        for (const QString& name : samples.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
            QVERIFY(QFile::copy(samples.filePath(name), Path("in/" + name)));
            if (all || name == "utf-8.html") inputs << "in/" + name;
        }
        const ProgramRun r = Run(args + QStringList{"-v", "-j1", "-d", "out"} + inputs);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, lines);
        for (const QString& input : all ? inputs : QStringList{}) {
            const QString name = QFileInfo(input).completeBaseName();
            QCOMPARE(ReadFile(Path("out/" + name + ".txt")), ReadFile(samples.filePath(name + ".expected.txt")));
        }
    }

    // Standard output that cannot take the text: each input fails, exit 1.
    void standardOutputFull() {
        QProcess p;
        p.setWorkingDirectory(Path(""));
        p.setProcessEnvironment(Environment());
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(TESSARK_PROGRAM), {"--", "page.html", "two.htm"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(), QByteArray("tessark: page.html: RemoveHTML: Error 61: Disk full\n"
                                                      "tessark: two.htm: RemoveHTML: Error 61: Disk full\n"));
    }

    // A run of more than half a second shows the progress line when
    // standard error is a terminal, and erases it at the end; never on a
    // pipe, nor with -q. Standard input held open makes the run long.
    void progressLine_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("terminal") << true << false;
        QTest::newRow("terminal, -q") << true << true;
        QTest::newRow("pipe") << false << false;
    }
    void progressLine() {
        QFETCH(bool, terminal);
        QFETCH(bool, quiet);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QProcess p;
        p.setWorkingDirectory(Path(""));
        p.setProcessEnvironment(Environment());
        if (terminal) p.setStandardErrorFile(QString::fromLocal8Bit(ptsname(master)));
        p.start(QStringLiteral(TESSARK_PROGRAM), quiet ? QStringList{"-q", "-o", "out.txt", "-"} : QStringList{"-o", "out.txt", "-"});
        QVERIFY(p.waitForStarted(60000));
        p.write(kPage);
        QThread::msleep(1500);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QByteArray shown = p.readAllStandardError();
        fcntl(master, F_SETFL, O_NONBLOCK);
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
        ::close(master);
        if (terminal && !quiet) {
            QVERIFY2(shown.startsWith("\r0/1 files, 0.0 MB read, 0.0 MB/s\x1b[K") && shown.endsWith("\r\x1b[K"), shown.constData());
        } else {
            QCOMPARE(shown, QByteArray());
        }
        QCOMPARE(ReadFile(Path("out.txt")), QByteArray("One&two three"));
    }

    // Many-file mode over a failing disk, in process: the fault strikes the
    // files of page b only; its output keeps its old bytes and gets one
    // line, every other file is converted, nothing else is left.
    void manyFilesOverAFailingDisk_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << Fault::None << 0 << "";
        QTest::newRow("input not opened") << Fault::OpenRead << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("read error") << Fault::Read << EIO << "RemoveHTML: Error 57: Device I/O error";
        QTest::newRow("output not created") << Fault::OpenWrite << EACCES << "RemoveHTML: Error 70: Permission denied";
        QTest::newRow("disk full") << Fault::Write << ENOSPC << "RemoveHTML: Error 61: Disk full";
        QTest::newRow("rename fails") << Fault::Rename << EIO << "RemoveHTML: Error 57: Device I/O error";
    }
    void manyFilesOverAFailingDisk() {
        QFETCH(Fault, fault);
        QFETCH(int, error);
        QFETCH(QString, message);
        TempSettings settings;
        QVERIFY(QDir().mkpath(Path("out")));
        QStringList args{"tessark", "-j", "2", "-d", Path("out")};
        for (const char* name : {"a", "b", "c", "d"}) {
            WriteFile(Path(QString("%1.html").arg(name)), QByteArray("<p>page ") + name + "</p>");
            WriteFile(Path(QString("out/%1.txt").arg(name)), QByteArray("old ") + name);
            args << Path(QString("%1.html").arg(name));
        }
        DiskFileSystem real;
        FaultyDisk disk(real);
        disk.Arm({fault, error, 0, fault == Fault::OpenRead || fault == Fault::Read ? "/b.html" : "/b.txt"});
        int status = -1;
        const QByteArray err = CaptureStandardError([&] { status = cli::Run(args, disk); });
        QCOMPARE(disk.Struck(), fault == Fault::None ? 0 : 1);
        QCOMPARE(status, message.isEmpty() ? cli::kExitConverted : cli::kExitFailed);
        QCOMPARE(QString::fromLocal8Bit(err), message.isEmpty() ? "" : "tessark: " + Path("b.html") + ": " + message + "\n");
        QCOMPARE(ReadFile(Path("out/b.txt")), message.isEmpty() ? QByteArray("page b") : QByteArray("old b"));
        for (const char* name : {"a", "c", "d"}) QCOMPARE(ReadFile(Path(QString("out/%1.txt").arg(name))), QByteArray("page ") + name);
        QCOMPARE(FilesIn(Path("out")), (QStringList{"a.txt", "b.txt", "c.txt", "d.txt"}));
    }

    void progressText_data() {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("bytesRead");
        QTest::addColumn<qint64>("totalBytes");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing done") << 0 << 120 << qint64(0) << qint64(0) << 0.6 << "0/120 files, 0.0 MB read, 0.0 MB/s";
        QTest::newRow("by bytes") << 37 << 120 << qint64(12'300'000) << qint64(36'900'000) << 2.0
                                  << "37/120 files, 12.3 MB read, 6.2 MB/s, 0:04 left";
        QTest::newRow("by files") << 10 << 40 << qint64(5'000'000) << qint64(0) << 1.5
                                  << "10/40 files, 5.0 MB read, 3.3 MB/s, 0:05 left";
        QTest::newRow("minutes") << 1 << 100 << qint64(1'000'000) << qint64(100'000'000) << 1.0
                                 << "1/100 files, 1.0 MB read, 1.0 MB/s, 1:39 left";
        QTest::newRow("hours") << 1 << 5000 << qint64(1'000'000) << qint64(5'000'000'000) << 1.0
                               << "1/5000 files, 1.0 MB read, 1.0 MB/s, 1:23:19 left";
        QTest::newRow("all done") << 5 << 5 << qint64(2'000'000) << qint64(2'000'000) << 0.8
                                  << "5/5 files, 2.0 MB read, 2.5 MB/s, 0:00 left";
    }
    void progressText() {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(qint64, bytesRead);
        QFETCH(qint64, totalBytes);
        QFETCH(double, elapsed);
        QFETCH(QString, line);
        QCOMPARE(cli::FormatProgress(done, total, bytesRead, totalBytes, elapsed), line);
    }

private:
    QString Path(const QString& name) const { return name.isEmpty() ? dir_->path() : dir_->filePath(name); }
    QString StorePath() const { return Path("config/OrvaneTessark/OrvaneTessark.ini"); }
    void WriteStore(const QByteArray& content) {
        QVERIFY(QDir().mkpath(QFileInfo(StorePath()).path()));
        WriteFile(StorePath(), content);
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
        return env;
    }
    ProgramRun Run(const QStringList& args, const QByteArray& input = {}) {
        return RunProgram(QStringLiteral(TESSARK_PROGRAM), args, dir_->path(), Path("config"), input);
    }
    // The classic form, from a copy of the program in work/, run from
    // elsewhere: its relative paths are taken from the program's folder.
    ProgramRun RunClassic(const QStringList& args) {
        if (!QFile::exists(Path("tessark")) && !QFile::copy(QStringLiteral(TESSARK_PROGRAM), Path("tessark"))) return {};
        QFile::setPermissions(Path("tessark"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return RunProgram(Path("tessark"), args, QDir::tempPath(), Path("config"));
    }

    std::unique_ptr<QTemporaryDir> dir_;  // work/ and config/ of each test
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
