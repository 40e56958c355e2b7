// The modern command line end to end: the real program run in a temporary
// folder (its current folder) with a settings folder of its own, for each
// form of use: help and version, files and folders, standard input and
// output, option flags, saving, errors and exit status, and output bytes
// equal to the classic form's.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QThread>

#include "Options.h"
#include "cTessark.h"

using namespace tessark;

namespace {

struct RunResult {
    int exitCode = -1;
    QByteArray out, err;
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
}

const QByteArray kPage = "<html><script>x()</script><p>One&amp;two</p>\r\n\r\n<p>three</p>\t|{f}</html>";

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(Path("work"));
        WriteFile(Path("work/page.html"), kPage);
        WriteFile(Path("work/two.htm"), "<b>second</b> page");
    }

    void help() {
        const RunResult r = Run({"--help"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QVERIFY(r.out.startsWith("Usage: tessark [OPTION]... [INPUT]...\n"));
        for (const char* option : {"-o, --output", "-d, --output-dir", "-r, --recursive", "-j, --jobs", "--all",
                                   "--none", "--readable", "--save", "--print-options", "-q, --quiet", "-h, --help",
                                   "--version", "--encoding <NAME>", "-v, --verbose"})
            QVERIFY2(r.out.contains(option), option);
        for (const OptionInfo& info : kOptions)
            QVERIFY2(r.out.contains("--" + FlagName(info).toLatin1()), info.name);
        QVERIFY(r.out.contains("--no-"));
    }

    void version() {
        const RunResult r = Run({"--version"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("tessark 1.0 Build 20\n"));
        QCOMPARE(r.err, QByteArray());
    }

    // Usage errors: exit 2, the reason and a hint to --help on standard
    // error, nothing converted or written.
    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("unknown option") << QStringList{"--bogus", "page.html"} << "tessark: Unknown option 'bogus'.";
        QTest::newRow("-o with two inputs") << QStringList{"-o", "out.txt", "page.html", "two.htm"}
                                            << "tessark: -o writes one output, but there are 2 inputs (use -d for several)";
        QTest::newRow("-j0") << QStringList{"-j0", "-o", "out.txt", "page.html"}
                             << "tessark: invalid number of jobs: '0'";
        QTest::newRow("-j x") << QStringList{"-j", "x", "-o", "out.txt", "page.html"}
                              << "tessark: invalid number of jobs: 'x'";
        QTest::newRow("-o and -d") << QStringList{"-o", "out.txt", "-d", "out", "page.html"}
                                   << "tessark: -o and -d cannot be used together";
        QTest::newRow("missing value") << QStringList{"page.html", "-o"} << "tessark: Missing value after '-o'.";
        QTest::newRow("-d with standard input")
            << QStringList{"-d", "out", "-"} << "tessark: -d needs named inputs: standard input has no name to write";
        QTest::newRow("unknown encoding") << QStringList{"--encoding", "utf-9", "page.html"}
                                          << "tessark: unknown encoding: 'utf-9'";
        QTest::newRow("encoding ICU lacks") << QStringList{"--encoding=iso-8859-16", "--save", "page.html"}
                                            << "tessark: unknown encoding: 'iso-8859-16'";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, firstLine);
        const RunResult r = Run(args);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 firstLine + QStringLiteral("\nTry 'tessark --help' for more information.\n"));
        QCOMPARE(r.out, QByteArray());
        QVERIFY(!QFile::exists(Path("work/out.txt")));
        QVERIFY(!QFile::exists(Path("work/out")));
        QVERIFY(!QFile::exists(Path("config")));
    }

    // Relative paths are taken from the current folder.
    void relativePathsFromCurrentFolder() {
        const RunResult r = Run({"-o", "out.txt", "page.html"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(ReadFile(Path("work/out.txt")), QByteArray("One&two three"));
        // Nothing lands beside the program, and the store is not written.
        QVERIFY(!QFile::exists(Path("config")));
    }

    void standardInputToStandardOutput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("-") << QStringList{"-"};
        QTest::newRow("no input") << QStringList{"--all"};
        QTest::newRow("-o -") << QStringList{"-o", "-", "-"};
        QTest::newRow("after --") << QStringList{"--", "-"};
    }
    void standardInputToStandardOutput() {
        QFETCH(QStringList, args);
        const RunResult r = Run(args, kPage);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, QByteArray("One&two three"));
    }

    // A large page through a pipe: the text comes out while the input is
    // still being written (the conversion streams), and it is the whole
    // page's conversion.
    void standardInputStreamsToStandardOutput() {
        QByteArray page;
        while (page.size() < (6 << 20))
            page += "<p>Some <b>text</b> &amp; more&nbsp;here</p>\r\n<script>\nvar x = {a: 1};\n</script>\r\n";
        QProcess p;
        p.setWorkingDirectory(Path("work"));
        p.setProcessEnvironment(Environment());
        p.start(QStringLiteral(TESSARK_PROGRAM), {"--all", "-"});
        QVERIFY(p.waitForStarted(60000));
        const qsizetype half = page.size() / 2;
        p.write(page.left(half));
        QByteArray out;
        for (int i = 0; i < 600 && out.isEmpty(); ++i) {
            p.waitForBytesWritten(100);
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        QVERIFY2(!out.isEmpty(), "no output before the end of the input");
        p.write(page.mid(half));
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(120000));
        out += p.readAllStandardOutput();
        QCOMPARE(p.exitCode(), 0);
        tessark::cTessark engine;
        OptionSet all;
        all.SetAll(true);
        all.ApplyTo(engine);
        QCOMPARE(out, QByteArray::fromStdString(engine.ExtractBytes(page.toStdString())));
    }

    void fileToStandardOutput() {
        const RunResult r = Run({"-o", "-", "page.html"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("One&two three"));
        // Several inputs without -o: one after another, like cat.
        const RunResult both = Run({"--", "page.html", "two.htm", "page.html"});
        QCOMPARE(both.exitCode, 0);
        QCOMPARE(both.out, QByteArray("One&two threesecond pageOne&two three"));
    }

    // An empty input gives an empty output, file or stream.
    void emptyInputGivesEmptyOutput() {
        WriteFile(Path("work/empty.html"), "");
        WriteFile(Path("work/out.txt"), "old");
        RunResult r = Run({"-o", "out.txt", "empty.html"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(ReadFile(Path("work/out.txt")), QByteArray(""));
        r = Run({"-"}, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray());
    }

    // -d with -r: the sub-folders are kept under DIR, which is created; only
    // .html and .htm files (any letter case), hidden ones left out.
    void folderTreeToOutputFolder() {
        WriteFile(Path("work/site/index.html"), "<p>index</p>");
        WriteFile(Path("work/site/a/one.HTM"), "<p>one</p>");
        WriteFile(Path("work/site/a/b/two.page.Html"), "<p>two</p>");
        WriteFile(Path("work/site/a/notes.txt"), "not a page");
        WriteFile(Path("work/site/.hidden.html"), "<p>hidden</p>");
        const RunResult r = Run({"-r", "-d", "out/text", "site", "page.html"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(ReadFile(Path("work/out/text/index.txt")), QByteArray("index"));
        QCOMPARE(ReadFile(Path("work/out/text/a/one.txt")), QByteArray("one"));
        QCOMPARE(ReadFile(Path("work/out/text/a/b/two.page.txt")), QByteArray("two"));
        QCOMPARE(ReadFile(Path("work/out/text/page.txt")), QByteArray("One&two three"));
        QStringList written;
        QDirIterator it(Path("work/out/text"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) written << QDir(Path("work/out/text")).relativeFilePath(it.next());
        written.sort();
        QCOMPARE(written, (QStringList{"a/b/two.page.txt", "a/one.txt", "index.txt", "page.txt"}));
    }

    // Two inputs that would write one output name: a usage error before
    // anything is written, also before the output folder is made.
    void duplicateOutputNames() {
        WriteFile(Path("work/x/page.html"), "<p>other</p>");
        const RunResult r = Run({"-d", "out", "page.html", "x/page.html"});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("tessark: page.html and x/page.html would both write out/page.txt\n"
                                "Try 'tessark --help' for more information.\n"));
        QVERIFY(!QFile::exists(Path("work/out")));
        // page.htm and page.html in one folder under -r collide the same way.
        WriteFile(Path("work/site/page.htm"), "a");
        WriteFile(Path("work/site/page.html"), "b");
        QCOMPARE(Run({"-r", "-d", "out", "site"}).exitCode, 2);
        QVERIFY(!QFile::exists(Path("work/out")));
    }

    // A folder without -r, a missing and an unreadable input among others:
    // one line each, the others converted, exit 1.
    void failedInputsDoNotStopOthers() {
        QDir().mkpath(Path("work/folder"));
        WriteFile(Path("work/locked.html"), kPage);
        QFile::setPermissions(Path("work/locked.html"), QFileDevice::Permissions());
        // Root reads any file: a link to nowhere stands in for the unreadable one.
        const bool lockedReadable = QFile(Path("work/locked.html")).open(QIODevice::ReadOnly);
        if (lockedReadable) {
            QFile::remove(Path("work/locked.html"));
            QVERIFY(QFile::link(Path("work/nowhere"), Path("work/locked.html")));
        }
        const RunResult r = Run({"-j2", "-d", "out", "page.html", "folder", "missing.html", "locked.html", "two.htm"});
        QCOMPARE(r.exitCode, 1);
        const QString lockedLine = lockedReadable ? QStringLiteral("tessark: locked.html: Input file is missing\n")
                                                  : QStringLiteral("tessark: locked.html: RemoveHTML: Error 70: Permission denied\n");
        QCOMPARE(QString::fromLocal8Bit(r.err),
                 QStringLiteral("tessark: folder: Is a folder (-r converts the pages under it)\n"
                                "tessark: missing.html: Input file is missing\n") + lockedLine);
        QCOMPARE(ReadFile(Path("work/out/page.txt")), QByteArray("One&two three"));
        QCOMPARE(ReadFile(Path("work/out/two.txt")), QByteArray("second page"));
        QVERIFY(!QFile::exists(Path("work/out/locked.txt")));
        QVERIFY(!QFile::exists(Path("work/out/missing.txt")));
        QFile::setPermissions(Path("work/locked.html"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // A read-only output is refused and keeps its content.
    void readOnlyOutputRefused() {
        WriteFile(Path("work/out.txt"), "kept");
        QFile::setPermissions(Path("work/out.txt"), QFileDevice::ReadOwner);
        const RunResult r = Run({"-o", "out.txt", "page.html"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QByteArray("tessark: page.html: RemoveHTML: Error 70: Permission denied\n"));
        QCOMPARE(ReadFile(Path("work/out.txt")), QByteArray("kept"));
        QFile::setPermissions(Path("work/out.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // With several jobs, standard output still comes in input order.
    void jobsKeepInputOrderOnStandardOutput() {
        const QString corpus = QStringLiteral(TESSARK_TEST_DATA "/corpus");
        const QStringList pages = QDir(corpus).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        QVERIFY(pages.size() >= 60);
        QStringList args{"-j4", "--"};
        QByteArray expected;
        for (int i = 0; i < 40; ++i) {
            // Large and small pages mixed, so that later ones finish first.
            const QString page = corpus + u'/' + pages.at((i * 7) % pages.size());
            args << page;
            const RunResult one = Run({"-o", "-", page});
            QCOMPARE(one.exitCode, 0);
            expected += one.out;
        }
        const RunResult r = Run(args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out.size(), expected.size());
        QVERIFY(r.out == expected);
    }

    // The options: saved ones, --all/--none, flags; later flags win.
    void optionFlags_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("on");
        const QStringList all{"GenerateSpecialChars", "RemoveAllCRLF", "RemoveAllTags", "RemoveBlankLines",
                              "RemoveComments", "RemoveFunctions", "RemovePipe", "RemoveScripts",
                              "RemoveSpaces", "RemoveStyles", "RemoveTabs"};
        QStringList allButTabs = all;
        allButTabs.removeOne("RemoveTabs");
        QTest::newRow("empty store") << QByteArray() << QStringList{} << all;
        QTest::newRow("saved ones") << QByteArray("[General]\nRemoveTabs=False\nRemovePipe=0\nRemoveAllTags=yes\n")
                                    << QStringList{}
                                    << QStringList{"GenerateSpecialChars", "RemoveAllCRLF", "RemoveBlankLines",
                                                   "RemoveComments", "RemoveFunctions", "RemoveScripts",
                                                   "RemoveSpaces", "RemoveStyles"};
        QTest::newRow("--none") << QByteArray() << QStringList{"--none"} << QStringList{};
        QTest::newRow("--all over saved") << QByteArray("[General]\nRemoveTabs=False\n") << QStringList{"--all"} << all;
        QTest::newRow("--none then flag") << QByteArray() << QStringList{"--none", "--remove-tabs"}
                                          << QStringList{"RemoveTabs"};
        QTest::newRow("flag then --none") << QByteArray() << QStringList{"--remove-tabs", "--none"} << QStringList{};
        QTest::newRow("--no- form") << QByteArray() << QStringList{"--no-remove-tabs"} << allButTabs;
        QTest::newRow("later wins") << QByteArray()
                                    << QStringList{"--no-remove-tabs", "--remove-tabs", "--no-remove-tabs"}
                                    << allButTabs;
        QTest::newRow("all-crlf") << QByteArray() << QStringList{"--none", "--remove-all-crlf", "--generate-special-chars"}
                                  << QStringList{"GenerateSpecialChars", "RemoveAllCRLF"};
        // The readable-text options: flags, their --no- forms, saved keys and --readable.
        const QStringList readable{"BreakAtBlocks", "DecodeAllReferences", "GenerateSpecialChars", "KeepAltText",
                                   "KeepLinks", "RemoveAllTags", "RemoveBlankLines", "RemoveComments",
                                   "RemoveScripts", "RemoveSpaces", "RemoveStyles", "RemoveTabs"};
        QStringList readableButLinks = readable;
        readableButLinks.removeOne("KeepLinks");
        QTest::newRow("--readable") << QByteArray() << QStringList{"--readable"} << readable;
        QTest::newRow("--readable over saved")
            << QByteArray("[General]\nRemoveTabs=False\nRemovePipe=True\nRemoveAllCRLF=True\n")
            << QStringList{"--readable"} << readable;
        QTest::newRow("--readable then --no-") << QByteArray() << QStringList{"--readable", "--no-keep-links"}
                                               << readableButLinks;
        QTest::newRow("--no- then --readable") << QByteArray() << QStringList{"--no-keep-links", "--readable"}
                                               << readable;
        QTest::newRow("readable flags") << QByteArray()
                                        << QStringList{"--none", "--break-at-blocks", "--keep-links", "--keep-alt-text",
                                                       "--decode-all-references", "--no-keep-links"}
                                        << QStringList{"BreakAtBlocks", "DecodeAllReferences", "KeepAltText"};
        QTest::newRow("saved readable key") << QByteArray("[General]\nKeepLinks=True\nDecodeAllReferences=1\n")
                                            << QStringList{} << all + QStringList{"KeepLinks", "DecodeAllReferences"};
        QTest::newRow("--all leaves them off") << QByteArray("[General]\nKeepLinks=True\n") << QStringList{"--all"}
                                               << all;
    }
    void optionFlags() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, args);
        QFETCH(QStringList, on);
        if (!stored.isEmpty()) WriteFile(StorePath(), stored);
        const RunResult r = Run(args + QStringList{"--print-options"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        // One line per key, in the settings file's (alphabetical) order.
        QByteArrayList lines{"Encoding=auto\n"};  // the modern form's default
        for (const OptionInfo& info : kOptions)
            lines << QByteArray(info.name) + (on.contains(QLatin1String(info.name)) ? "=True\n" : "=False\n");
        std::sort(lines.begin(), lines.end());
        const QByteArray expected = lines.join();
        QCOMPARE(r.out, expected);
        // Without --save the store is not written.
        QCOMPARE(ReadFile(StorePath()), stored.isEmpty() ? QByteArray("<missing>") : stored);
    }

    // --readable converts as the readable-text options say; the classic form
    // uses saved readable-text keys but never writes them.
    void readableConversion() {
        WriteFile(Path("work/menu.html"),
                  "<nav><ul><li>Home</li><li><a href=\"/news\">News</a></li></ul></nav>"
                  "<p>&lt;div&gt; &amp;amp; caf&eacute;&rsquo;s<img alt=\"logo\"></p>");
        const RunResult plain = Run({"--all", "-o", "-", "menu.html"});
        QCOMPARE(plain.out, QByteArray("HomeNews &amp; caf\xE9&rsquo;s"));
        const RunResult r = Run({"--readable", "-o", "-", "menu.html"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Home\r\nNews [/news]\r\n<div> &amp; caf\xE9\x92s logo "));

        WriteFile(StorePath(), "[General]\nBreakAtBlocks=True\n");
        const RunResult classic = RunClassic({"menu.html", "classic.txt"});
        QCOMPARE(classic.exitCode, 0);
        QCOMPARE(ReadFile(Path("work/classic.txt")), QByteArray("Home News &amp; caf\xE9&rsquo;s"));  // all lines removed
        QSettings store(StorePath(), QSettings::IniFormat);
        QCOMPARE(store.value("BreakAtBlocks").toString(), QStringLiteral("True"));
        for (const char* key : {"KeepLinks", "KeepAltText", "DecodeAllReferences"}) QVERIFY(!store.contains(key));
        QCOMPARE(store.value("RemoveTabs").toString(), QStringLiteral("True"));
    }

    // --save stores the options of the run; the classic form then uses them.
    void saveIsUsedByTheClassicForm() {
        const RunResult saved = Run({"--none", "--remove-scripts", "--remove-all-tags", "--save", "--print-options"});
        QCOMPARE(saved.exitCode, 0);
        QSettings store(StorePath(), QSettings::IniFormat);
        QCOMPARE(store.value("RemoveScripts").toString(), QStringLiteral("True"));
        QCOMPARE(store.value("RemoveTabs").toString(), QStringLiteral("False"));
        QCOMPARE(store.childKeys().size(), qsizetype(kOptionCount));

        const RunResult classic = RunClassic({"page.html", "classic.txt"});
        QCOMPARE(classic.exitCode, 0);
        QCOMPARE(ReadFile(Path("work/classic.txt")), QByteArray("One&amp;two \r\n \r\nthree\t|{f}"));
        // The modern form starts from the same saved options.
        QCOMPARE(Run({"-o", "-", "page.html"}).out, ReadFile(Path("work/classic.txt")));
    }

    // The encoding of the run: the saved one, or --encoding; --print-options
    // shows it, --save stores it (a charset label is for the run only).
    void encodingOption_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<QByteArray>("savedKey");  // after the run; "<none>": no key
        QTest::addColumn<QByteArray>("note");
        QTest::newRow("nothing saved") << QByteArray() << QStringList{} << QByteArray("auto")
                                       << QByteArray("<none>") << QByteArray();
        QTest::newRow("--save leaves the default unsaved") << QByteArray() << QStringList{"--save"}
                                                           << QByteArray("auto") << QByteArray("<none>") << QByteArray();
        QTest::newRow("saved utf-8") << QByteArray("[General]\nEncoding=utf-8\n") << QStringList{}
                                     << QByteArray("utf-8") << QByteArray("utf-8") << QByteArray();
        QTest::newRow("unreadable saved") << QByteArray("[General]\nEncoding=ebcdic\n") << QStringList{}
                                          << QByteArray("windows-1252") << QByteArray("ebcdic") << QByteArray();
        QTest::newRow("--encoding AUTO") << QByteArray() << QStringList{"--encoding", "AUTO"} << QByteArray("auto")
                                         << QByteArray("<none>") << QByteArray();
        QTest::newRow("a label") << QByteArray() << QStringList{"--encoding=sjis"} << QByteArray("Shift_JIS")
                                 << QByteArray("<none>") << QByteArray();
        QTest::newRow("--save auto") << QByteArray() << QStringList{"--encoding", "auto", "--save"}
                                     << QByteArray("auto") << QByteArray("auto") << QByteArray();
        QTest::newRow("--save the classic one") << QByteArray("[General]\nEncoding=utf-8\n")
                                                << QStringList{"--encoding", "windows-1252", "--save"}
                                                << QByteArray("windows-1252") << QByteArray("windows-1252")
                                                << QByteArray();
        QTest::newRow("--save keeps what was saved") << QByteArray("[General]\nEncoding=utf-8\n")
                                                     << QStringList{"--save"} << QByteArray("utf-8")
                                                     << QByteArray("utf-8") << QByteArray();
        QTest::newRow("--save with a label") << QByteArray("[General]\nEncoding=auto\n")
                                             << QStringList{"--encoding", "koi8-r", "--save"} << QByteArray("KOI8-R")
                                             << QByteArray("auto")
                                             << QByteArray("tessark: --save keeps the saved encoding: only "
                                                           "windows-1252, utf-8 or auto can be saved, not koi8-r\n");
    }
    void encodingOption() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, shown);
        QFETCH(QByteArray, savedKey);
        QFETCH(QByteArray, note);
        if (!stored.isEmpty()) WriteFile(StorePath(), stored);
        const RunResult r = Run(args + QStringList{"--print-options"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, note);
        QVERIFY2(r.out.contains("\nEncoding=" + shown + "\n"), r.out.constData());
        QSettings store(StorePath(), QSettings::IniFormat);
        QCOMPARE(store.contains("Encoding") ? store.value("Encoding").toString().toLatin1() : QByteArray("<none>"),
                 savedKey);
    }

    // -v names, per input, the encoding it was read in and why; the text is
    // the expected one for each sample page.
    void verboseNamesEncodingAndReason_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("lines");
        const QByteArray autoLines =
            "tessark: in/shift_jis-meta.html: Shift_JIS (meta)\n"
            "tessark: in/utf-16be-bom.html: UTF-16BE (bom)\n"
            "tessark: in/utf-16le-bom.html: UTF-16LE (bom)\n"
            "tessark: in/utf-8-bom.html: UTF-8 (bom)\n"
            "tessark: in/utf-8.html: UTF-8 (valid utf-8)\n"
            "tessark: in/windows-1251-meta.html: windows-1251 (meta)\n"
            "tessark: in/windows-1251-undeclared.html: windows-1251 (guess)\n"
            "tessark: in/windows-1252-as-iso-8859-1.html: windows-1252 (meta)\n"
            "tessark: in/wrong-declaration.html: UTF-8 (meta)\n";
        QTest::newRow("auto") << QStringList{"--encoding", "auto"} << QByteArray() << autoLines;
        QTest::newRow("auto, saved") << QStringList{} << QByteArray("[General]\nEncoding=auto\n") << autoLines;
        QTest::newRow("default") << QStringList{} << QByteArray()
                                 << QByteArray("tessark: in/utf-8.html: UTF-8 (valid utf-8)\n");
        QTest::newRow("saved") << QStringList{} << QByteArray("[General]\nEncoding=utf-8\n")
                               << QByteArray("tessark: in/utf-8.html: UTF-8 (saved)\n");
        QTest::newRow("chosen") << QStringList{"--encoding", "cp1251"} << QByteArray()
                                << QByteArray("tessark: in/utf-8.html: windows-1251 (chosen)\n");
    }
    void verboseNamesEncodingAndReason() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, lines);
        if (!stored.isEmpty()) WriteFile(StorePath(), stored);
        const QDir samples(QStringLiteral(TESSARK_TEST_DATA "/encodings"));
        QStringList inputs;
        const bool all = lines.count('\n') > 1;
        QVERIFY(QDir().mkpath(Path("work/in")));
        for (const QString& name : samples.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
            if (!all && name != QLatin1String("utf-8.html")) continue;
            QVERIFY(QFile::copy(samples.filePath(name), Path("work/in/") + name));
            inputs << QStringLiteral("in/") + name;
        }
        const RunResult r = Run(args + QStringList{"-v", "-j1", "-d", "out"} + inputs);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, lines);
        if (all)
            for (const QString& input : inputs) {
                const QString name = QFileInfo(input).completeBaseName();
                QCOMPARE(ReadFile(Path("work/out/") + name + ".txt"), ReadFile(samples.filePath(name + ".expected.txt")));
            }
    }

    // What --save stores for the encoding, the classic form uses.
    void savedEncodingIsUsedByTheClassicForm() {
        WriteFile(Path("work/utf8.html"), "<p>caf\xC3\xA9 &eacute;</p>");
        QCOMPARE(RunClassic({"utf8.html", "before.txt"}).exitCode, 0);
        QCOMPARE(ReadFile(Path("work/before.txt")), QByteArray("caf\xC3\xA9 \xE9"));
        QCOMPARE(Run({"--encoding", "utf-8", "--save", "--print-options"}).exitCode, 0);
        QCOMPARE(RunClassic({"utf8.html", "after.txt"}).exitCode, 0);
        QCOMPARE(ReadFile(Path("work/after.txt")), QByteArray("caf\xC3\xA9 \xC3\xA9"));
        QSettings store(StorePath(), QSettings::IniFormat);
        QCOMPARE(store.value("Encoding").toString(), QStringLiteral("utf-8"));
    }

    // The output bytes for a page are those the classic form writes with
    // the same options.
    void sameBytesAsTheClassicForm_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("set");
        for (const char* page : {"bbc-1.html", "wikipedia-2.html", "lemonde-1.html", "style-tags-removal.html"})
            for (int set = 0; set < 3; ++set)
                QTest::newRow(qPrintable(QStringLiteral("%1 set %2").arg(QLatin1String(page)).arg(set)))
                    << QString::fromLatin1(page) << set;
    }
    void sameBytesAsTheClassicForm() {
        QFETCH(QString, page);
        QFETCH(int, set);
        QVERIFY(QFile::copy(QStringLiteral(TESSARK_TEST_DATA "/corpus/") + page, Path("work/in.html")));
        QStringList flags{"--none"};
        QByteArray stored = "[General]\n";
        for (const OptionInfo& info : kOptions) {
            const bool on = set == 0 || (set == 2 && static_cast<int>(info.option) % 3 != 0);
            if (on) flags << QStringLiteral("--") + FlagName(info);
            stored += QByteArray(info.name) + (on ? "=True\n" : "=False\n");
        }
        WriteFile(StorePath(), stored);
        const RunResult classic = RunClassic({"in.html", "classic.txt"});
        QCOMPARE(classic.exitCode, 0);
        QFile::remove(StorePath());  // the modern run takes its options from the flags alone
        const RunResult modern = Run(flags + QStringList{"-o", "modern.txt", "in.html"});
        QCOMPARE(modern.exitCode, 0);
        QVERIFY(ReadFile(Path("work/classic.txt")) == ReadFile(Path("work/modern.txt")));
    }

    // A store that cannot be written: --save says so and the run ends with
    // exit status 1 (the options are still printed).
    void saveThatFails() {
        WriteFile(Path("config/OrvaneTessark"), "a file where the folder should be");
        const RunResult r = Run({"--none", "--save", "--print-options"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("tessark: the options could not be saved to "), r.err.constData());
        QVERIFY2(r.out.contains("\nGenerateSpecialChars=False\n"), r.out.constData());
    }

    // Standard output that cannot take the text: the input fails, exit 1.
    void standardOutputFull() {
        if (!QFile::exists(QStringLiteral("/dev/full"))) QSKIP("no /dev/full here");
        QProcess p;
        p.setWorkingDirectory(Path("work"));
        p.setProcessEnvironment(Environment());
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(TESSARK_PROGRAM), {"--", "page.html", "two.htm"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(), QByteArray("tessark: page.html: RemoveHTML: Error 61: Disk full\n"
                                                      "tessark: two.htm: RemoveHTML: Error 61: Disk full\n"));
    }

    // A folder without pages is noted unless -q; the exit status stays 0.
    void quietLeavesNotesOut() {
        QDir().mkpath(Path("work/nothing"));
        RunResult r = Run({"-r", "-d", "out", "nothing"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray("tessark: nothing: no .html or .htm files under it\n"));
        r = Run({"-q", "-r", "-d", "out", "nothing"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
    }

    // A run of more than half a second shows the progress line when
    // standard error is a terminal, and erases it at the end; never on a
    // pipe, nor with -q. Standard input held open makes the run long.
    void progressLineOnlyOnATerminal_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("terminal") << true << false;
        QTest::newRow("terminal, -q") << true << true;
        QTest::newRow("pipe") << false << false;
    }
    void progressLineOnlyOnATerminal() {
        QFETCH(bool, terminal);
        QFETCH(bool, quiet);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString terminalPath = QString::fromLocal8Bit(ptsname(master));
        QProcess p;
        p.setWorkingDirectory(Path("work"));
        p.setProcessEnvironment(Environment());
        if (terminal) p.setStandardErrorFile(terminalPath);
        QStringList args{"-o", "out.txt"};
        if (quiet) args << "-q";
        p.start(QStringLiteral(TESSARK_PROGRAM), args << "-");
        QVERIFY(p.waitForStarted(60000));
        p.write(kPage);
        QThread::msleep(1500);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QByteArray shown = terminal ? QByteArray() : p.readAllStandardError();
        if (terminal) {
            fcntl(master, F_SETFL, O_NONBLOCK);
            char buffer[4096];
            for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
        }
        ::close(master);
        if (terminal && !quiet) {
            QVERIFY2(shown.startsWith("\r0/1 files, 0.0 MB read, 0.0 MB/s\x1b[K"), shown.constData());
            QVERIFY2(shown.endsWith("\r\x1b[K"), shown.constData());
        } else {
            QCOMPARE(shown, QByteArray());
        }
        QCOMPARE(ReadFile(Path("work/out.txt")), QByteArray("One&two three"));
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    QString StorePath() const { return Path("config/OrvaneTessark/OrvaneTessark.ini"); }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }

    RunResult Start(const QString& program, const QStringList& args, const QByteArray& input) {
        QProcess p;
        p.setWorkingDirectory(Path("work"));
        p.setProcessEnvironment(Environment());
        p.start(program, args);
        RunResult r;
        if (!p.waitForStarted(60000)) return r;
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    // The modern form, run in work/.
    RunResult Run(const QStringList& args, const QByteArray& input = {}) {
        return Start(QStringLiteral(TESSARK_PROGRAM), args, input);
    }

    // The classic form, from a copy of the program in work/ (its relative
    // paths are taken from the program's folder).
    RunResult RunClassic(const QStringList& args) {
        const QString copy = Path("work/tessark");
        if (!QFile::exists(copy)) {
            if (!QFile::copy(QStringLiteral(TESSARK_PROGRAM), copy)) return {};
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        return Start(copy, args, {});
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
