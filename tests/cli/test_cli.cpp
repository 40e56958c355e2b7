// Both command lines end to end with the real program, run in a temporary
// folder (its current folder) with a settings folder of its own: the modern
// form (help, files and folders, standard streams, option flags, --save,
// encodings and -v, errors and exit status, the progress line) and the
// classic two-word form (paths from the program's folder, the saved options
// and encoding it uses and writes back); and the progress line's text.
#include <unistd.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "ModernCommandLine.h"
#include "Progress.h"

using namespace tessark;
using namespace tessark::test;

namespace {

const QByteArray kPage = "<html><script>x()</script><p>One&amp;two</p>\r\n\r\n<p>three</p>\t|{f}</html>";
const QStringList kClassic{"GenerateSpecialChars", "RemoveAllCRLF", "RemoveAllTags", "RemoveBlankLines",
                           "RemoveComments", "RemoveFunctions", "RemovePipe", "RemoveScripts",
                           "RemoveSpaces", "RemoveStyles", "RemoveTabs"};

QStringList Without(QStringList names, const QStringList& off) {
    for (const QString& name : off) names.removeOne(name);
    return names;
}

// What --print-options prints: one Key=value line per key, sorted;
// `readable`: "ReadableText Links AltText".
QByteArray Listing(const QStringList& on, const QByteArray& encoding = "auto", const QByteArray& readable = "False none True") {
    const QByteArrayList values = readable.split(' ');
    QByteArrayList lines{"Encoding=" + encoding + "\n", "ReadableText=" + values[0] + "\n", "Links=" + values[1] + "\n",
                         "AltText=" + values[2] + "\n"};
    for (const OptionInfo& info : kOptions)
        lines << QByteArray(info.name) + (on.contains(QLatin1String(info.name)) ? "=True\n" : "=False\n");
    std::sort(lines.begin(), lines.end());
    return lines.join();
}

// The store as the classic form writes it: the classic eleven, those in
// `off` False.
QByteArray Store(const QStringList& off = {}) {
    QByteArray store = "[General]\n";
    for (const QString& key : kClassic) store += key.toLatin1() + (off.contains(key) ? "=False\n" : "=True\n");
    return store;
}

// A run of over a second: the progress line shows after half a second.
const std::string slow = R"(python3 "$S/typed.py" --no-typing --columns 30 sh -c '(cat page.html; sleep 1.5) | $T )";
// The libraries a run loaded, from the dynamic loader's log ld.*.
const std::string logged = "LD_DEBUG=files LD_DEBUG_OUTPUT=ld ";
const std::string loaded = R"(; for m in Qt6Core Qt6Gui Qt6Widgets tessark_window qoffscreen libX11 libGL; do
                                grep -qs "file=[^ ]*$m" ld.* && echo $m; done; echo end)";
const struct ShellRow {
    const char* name;
    std::string command;
    int status;
    const char *out, *err;  // standard output begins with `out`; standard error holds `err` (empty: is empty)
} kShellRows[] = {
    {"hidden name", "cp page.html .draft.html; $T -q .draft.html", 0, "Example page", ""},
    {"process substitution", "$T -q <(cat page.html)", 0, "Example page", ""},
    {"named pipe", "mkfifo f; cat page.html >f & $T -q f", 0, "Example page", ""},
    {"named pipe, whole page", "mkfifo f; cat page.html >f & $T -q --encoding auto f", 0, "Example page", ""},
    {"/dev/null is empty", R"($T -q /dev/null; echo "[$?]")", 0, "[0]", ""},
    {"one end of file on a terminal, streamed",
     R"(python3 "$S/typed.py" $T -q -o out.txt - >/dev/null && cat out.txt)", 0, "typed", ""},
    {"one end of file on a terminal, whole page",
     R"(python3 "$S/typed.py" $T -q --encoding auto -o out.txt - >/dev/null && cat out.txt)", 0, "typed", ""},
    {"progress line cut to a narrow terminal, erased at the end",
     slow + R"(-o out.txt -' >shown; tr '\r' '\n' <shown | awk '/files/ {n++} length > 32 {n=-99} END {print (n > 1)}';
               tail -c 4 shown | od -An -c)",
     0, "1\n  \\r 033   [   K\n", ""},
    {"no progress line on the terminal of the text", slow + R"(-' | tr '\r' '\n' | grep -c files)", 1, "0", ""},
    {"no progress line with -q", slow + R"(-q -o out.txt -' | grep -c files)", 1, "0", ""},
    {"no progress line into a file", slow + R"(-o out.txt - 2>err.txt'; grep -c files err.txt)", 1, "0", ""},
    {"no argument, a pipe", "cat page.html | $T", 0, "Example page", ""},
    {"no argument, a file", "$T <page.html", 0, "Example page", ""},
    {"no argument, no display", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $T </dev/null", 2, "",
     "no display"},
    {"standard output full", "$T -- page.html page.html >/dev/full", 1, "",
     "tessark: page.html: RemoveHTML: Error 61: Disk full\ntessark: page.html: RemoveHTML: Error 61: Disk full\n"},
    {"--help, --version, --print-options to a full device",
     "for o in --help --version --print-options; do $T $o 2>&1 >/dev/full; echo $?; done | sort | uniq -c", 0,
     "      3 1\n      3 tessark: write error on standard output: No space left on device\n", ""},
    {"--version loads no GUI library", logged + "$T --version >/dev/null" + loaded, 0, "Qt6Core\nend\n", ""},
    {"the classic form loads no GUI library", logged + R"($T "$PWD/page.html" "$PWD/o.txt")" + loaded, 0,
     "Qt6Core\nend\n", ""},
#ifdef TESSARK_TEST_WINDOW
    {"the window loads its part beside the program",
     logged + R"(QT_QPA_PLATFORM=offscreen $T </dev/null 2>/dev/null & for i in $(seq 600); do
         grep -qs qoffscreen ld.* && break; kill -0 $! 2>/dev/null || break; sleep 0.1; done; kill $!; wait)" + loaded,
     0, "Qt6Core\nQt6Gui\nQt6Widgets\ntessark_window\nqoffscreen\n", ""},
    {"the window without its part", "cp $T t; QT_QPA_PLATFORM=offscreen ./t </dev/null", 2, "",
     "tessark: cannot open the window: "},
#endif
    {"three classic arguments write nothing",
     R"(cp page.html b.html; $T "$PWD/page.html" "$PWD/a.txt" "$PWD/b.html"; s=$?; cmp b.html page.html && [ ! -e a.txt ] && exit $s)",
     2, "", "tessark -d FOLDER PAGE"},
    {"-o onto the input through a link",
     "ln -s page.html l.html; $T -q -o l.html page.html; s=$?; grep -q '<' page.html && exit $s", 1, "",
     "tessark: page.html: input file is output file"},
    {"-d onto the input", "mkdir d; cp page.html d/x.txt; $T -q -d d d/x.txt; s=$?; grep -q '<' d/x.txt && exit $s",
     1, "", "d/x.txt: input file is output file"},
    {"output in a missing folder", "$T -q -o nodir/x.txt page.html", 1, "",
     "tessark: nodir/x.txt: cannot write: No such file or directory"},
    {"output is a folder", "mkdir d; $T -q -o d page.html", 1, "", "tessark: d: cannot write: Is a directory"},
    {"read-only folder, unprivileged", "mkdir ro; chmod 555 ro; $U $T -q -d ro page.html", 1, "",
     "tessark: ro/page.txt: cannot write: Permission denied"},
    {"a flag after a classic command", "$T page.html out.txt --readable", 1, "",
     "tessark: out.txt: Input file is missing (to write it, use -o)"},
    {"a line feed in a name", R"x($T -q "$(printf 'a\nb.html')")x", 1, "",
     "tessark: $'a\\nb.html': Input file is missing\n"},
    {"closed standard output", "$T -q page.html >&-", 1, "", "tessark: standard output is closed"},
    {"closed standard input", "$T -q - <&-", 1, "", "standard input is closed"},
    {"an option that cannot act", "$T --none --keep-links --generate-special-chars --decode-all-references page.html", 0, "",
     "tessark: --keep-links does nothing without --readable\n"
     "tessark: --generate-special-chars does nothing with --decode-all-references"},
    {"a classic option with readable text", "$T --readable --remove-tabs --decode-all-references page.html", 0, "",
     "tessark: --remove-tabs does nothing with readable text (--classic chooses the classic conversion)\n"
     "tessark: --decode-all-references does nothing with readable text"},
    {"--help", R"($T --help | head -1; $T --help | awk 'length > 80' | wc -l; $T --help | tr '\n' ' ' |
                   grep -o -e '--no-remove-tabs' -e 'tessark INPUT OUTPUT' -e 'opens the window')",
     0, "Usage: tessark [OPTION]... [INPUT]...\n0\n--no-remove-tabs\ntessark INPUT OUTPUT\nopens the window\n", ""},
    {"-r reports what it cannot read, unprivileged",
     R"x(mkdir -p s/locked; cp page.html s/a.html; cp page.html s/zero.html; cp page.html "s/$(printf 'n\377.html')";
        chmod 000 s/locked s/zero.html; chmod 777 s; $U $T -q -r -d out s; s=$?; ls out; exit $s)x",
     1, "a.txt\n",
     "tessark: s/locked: Permission denied\ntessark: s/n\xef\xbf\xbd.html: file name is not valid in the local "
     "encoding\ntessark: s/zero.html: Permission denied\n"},
    {"a name the local encoding cannot hold", R"x(cp page.html "$(printf 'n\377.html')"; $T -q "$(printf 'n\377.html')")x",
     1, "", "file name is not valid in the local encoding"},
    {"-r follows links to pages, not to folders",
     "mkdir -p s/sub; cp page.html s/a.html; ln -s ../s s/sub/loop; ln -s a.html s/b.html; $T -q -r -d out s; "
     "find out -type f | sort",
     0, "out/a.txt\nout/b.txt\n", ""},
    {"LF lines, each text ending with one",
     R"(printf '<p>a</p>\n<p>b</p>' >t.html; $T -q --none t.html - <t.html | tr '\n\r' NR)", 0,
     "<p>a</p>N<p>b</p>N<p>a</p>N<p>b</p>N", ""},
    {"LF lines, the whole page read",
     R"(printf '<p>a</p>\n<p>b</p>' >t.html; $T -q --none --encoding auto t.html | tr '\n\r' NR)", 0,
     "<p>a</p>N<p>b</p>N", ""},
    {"LF lines across the stream's blocks",
     R"x(yes '<p>line</p>' | head -c 9000000 >big.html; a=$($T -q --none --encoding windows-1252 big.html | md5sum);
        b=$($T -q --none --encoding auto big.html | md5sum); [ "$a" = "$b" ] && [ "$a" = "$(md5sum <big.html)" ] && echo same)x",
     0, "same\n", ""},
    {"--crlf writes the classic form's bytes",
     R"(printf '<p>a</p>\n<p>b</p>' >t.html; $T "$PWD/t.html" "$PWD/c.txt"; $T -q --crlf -o m.txt t.html; cmp c.txt m.txt && wc -c <m.txt)",
     0, "3\n", ""},
    {"-q after -v", "$T -v -q page.html >/dev/null", 0, "", ""},
    {"-v after -q", "$T -q -v page.html >/dev/null", 0, "", "tessark: page.html: UTF-8 (valid utf-8)"},
    // With nothing saved pages are read as auto and streamed: the
    // first megabyte decides (here it ends inside "é"), what follows
    // that the encoding does not define becomes U+FFFD, and the text
    // is UTF-8; the classic form keeps Windows-1252.
    {"nothing saved: a page in UTF-8 gives UTF-8",
     R"(printf '<meta charset="utf-8"><p>Caf\xc3\xa9 &eacute;</p>' >u.html; $T -q u.html)", 0,
     "Caf\xc3\xa9 \xc3\xa9\n", ""},
    {"nothing saved: a page in windows-1251 over a megabyte streams as it converts whole",
     R"x({ printf '<meta charset="windows-1251"><p>'; yes 'Привет &eacute; мир' | head -n 60000; } |
         iconv -t cp1251 >w.html; a=$($T -q w.html | md5sum); b=$($T -q --encoding auto --keep-alt-text w.html | md5sum);
         [ "$a" = "$b" ] && $T -q w.html | head -c 25)x",
     0, "Привет é мир П", ""},
    {"nothing saved: bad UTF-8 after the first megabyte",
     R"x({ printf '<b>'; yes '<p>é</p>' | head -n 110000; printf '<p>\xff bad'; } >u.html; $T -q -v u.html >o.txt;
         iconv -f utf-8 -t utf-8 o.txt >/dev/null && tr -d 'é ' <o.txt)x",
     0, "\xef\xbf\xbd" "bad\n", "u.html: UTF-8 (valid utf-8)"},
    {"the classic form keeps Windows-1252",
     R"(printf '<meta charset="utf-8"><p>&eacute;</p>' >c.html; $T "$PWD/c.html" "$PWD/c.txt"; cat c.txt)", 0, "\xe9", ""},
    // A large page through a pipe: text comes out while the input is
    // still being written, and it is the whole page's conversion.
    {"standard input streams",
     R"x(yes "$(printf '<p>Some <b>text</b> &amp; more&nbsp;here</p>\r\n<script>\nvar x = {a: 1};\n</script>\r')" | head -c 6000000 >big.html;
         { head -c 3000000 big.html; for i in $(seq 600); do [ -s s.txt ] && echo early >e.txt && break; sleep 0.1; done;
           tail -c +3000001 big.html; } | $T -q --all --crlf - >s.txt; cat e.txt; $T -q --all --crlf --encoding auto big.html | cmp - s.txt && echo same)x",
     0, "early\nsame\n", ""},
    // With several jobs, standard output still comes in input order:
    // the largest pages first, so that later ones finish first.
    {"-j4 keeps the input order", R"(f=$(ls -S "$SRC"/tests/data/corpus/*.html); $T -j1 -- $f >1.txt && $T -j4 -- $f >4.txt &&
                                   cmp 1.txt 4.txt && [ $(wc -c <1.txt) -gt 100000 ] && echo same)", 0, "same\n", ""},
    {"unique prefixes", "$T --quie --encod=utf-8 --reada page.html", 0, "Café & more\n", ""},
    {"ambiguous prefix", "$T --re page.html", 2, "", "option '--re' is ambiguous; possibilities: --recursive"},
    {"a value is not a prefix", "$T -q -o --quie page.html && cat -- --quie", 0, "Example page", ""},
};

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        const std::pair<const char*, QByteArray> files[] = {
            {"page.html", kPage}, {"two.htm", "<b>second</b> page"}, {"empty.html", ""}, {"old.txt", "old"},
            {"ro.txt", "kept"}, {"x/page.html", "<p>other</p>"},
            {"site/index.html", "<p>index</p>"}, {"site/a/one.HTM", "<p>one</p>"}, {"site/a/b/two.page.Html", "<p>two</p>"},
            {"site/a/notes.txt", "not a page"}, {"site/.hidden.html", "<p>hidden</p>"}, {"locked.html", kPage},
            {"utf8.html", "<p>caf\xC3\xA9 &eacute; &copy;</p>"}, {"nothing/.keep", ""}, {"folder/.keep", ""},
            {"ro.html", kPage}, {"done/ro.txt", "kept"},
            {"menu.html", "<nav><ul><li>Home</li><li><a href=\"/news\">News</a></li></ul></nav>"
                          "<p>&lt;div&gt; &amp;amp; caf&eacute;&rsquo;s<img alt=\"logo\"></p>"}};
        for (const auto& [name, content] : files) QVERIFY(QDir().mkpath(QFileInfo(Path(name)).path()) && WriteFile(Path(name), content));
        const QDir samples(QStringLiteral(TESSARK_TEST_DATA "/encodings"));
        QVERIFY(QDir().mkpath(Path("in")));
        for (const QString& name : samples.entryList({QStringLiteral("*.html")}))
            QVERIFY(QFile::copy(samples.filePath(name), Path("in/" + name)));
        for (const char* name : {"ro.txt", "done/ro.txt"}) QFile::setPermissions(Path(name), QFileDevice::ReadOwner);
        QFile::setPermissions(Path("locked.html"), QFileDevice::Permissions());
        if (QFile(Path("locked.html")).open(QIODevice::ReadOnly)) {  // root reads any file: a link to nowhere instead
            QFile::remove(Path("locked.html"));
            QVERIFY(QFile::link(Path("nowhere"), Path("locked.html")));
        }
    }

    // One run: the settings store before (a leading "!": a file where its
    // folder should be), the arguments (a leading "@classic": the classic
    // form), standard input,
    // then the exit status, standard output and error (a trailing "*": its
    // beginning), and checks of files ("name=content", "<missing>": none;
    // "store": the settings file) and of keys in the store ("Key:value",
    // "<none>": none). The modern form writes the store only for --save.
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
            row(name, {}, args, 2, {}, "tessark: " + line + "\nTry 'tessark --help' for more information.\n",
                {"out.txt=<missing>", "out=<missing>"});
        };
        const auto options = [&row](const char* name, const QByteArray& stored, const QStringList& args,
                                    const QStringList& on, const QByteArray& readable = "False none True") {
            row(name, stored, args + QStringList{"--print-options"}, 0, Listing(on, "auto", readable), {});
        };
        const auto encoding = [&row](const char* name, const QByteArray& stored, const QStringList& args,
                                     const QByteArray& shown, const QByteArray& saved, const QByteArray& err = {}) {
            row(name, stored, args + QStringList{"--print-options"}, 0, Listing(kClassic, shown), err, {"Encoding:" + saved});
        };
        const auto classic = [&row](const char* name, const QByteArray& stored, const QStringList& args, int exit,
                                    const QByteArray& err, const QByteArrayList& checks) {
            row(name, stored, QStringList{"@classic"} + args, exit, {}, err, checks + QByteArrayList{"RemoveScripts:True"});
        };
        row("version", {}, {"--version"}, 0, "tessark 1.0 Build 20\n", {});
        usage("unknown option", {"--bogus", "page.html"}, "Unknown option 'bogus'.");
        usage("-o, two inputs", {"-o", "out.txt", "page.html", "two.htm"},
              "-o writes one output, but there are 2 inputs (use -d for several)");
        usage("-j0", {"-j0", "-o", "out.txt", "page.html"}, "invalid number of jobs: '0'");
        usage("-j x", {"-j", "x", "-o", "out.txt", "page.html"}, "invalid number of jobs: 'x'");
        usage("-o and -d", {"-o", "out.txt", "-d", "out", "page.html"}, "-o and -d cannot be used together");
        usage("-d, standard input", {"-d", "out", "-"}, "-d needs named inputs: standard input has no name to write");
        usage("encoding ICU lacks", {"--encoding=iso-8859-16", "--save", "page.html"}, "unknown encoding: 'iso-8859-16'");
        usage("one output name twice", {"-d", "out", "page.html", "x/page.html"},
              "page.html and x/page.html would both write out/page.txt");
        row("relative paths", {}, {"-o", "out.txt", "page.html"}, 0, {}, {}, {"out.txt=One&two three\n"});
        for (const QStringList& args : {QStringList{"-"}, QStringList{"--all"}, QStringList{"-o", "-", "-"}, QStringList{"--", "-"}})
            row(qPrintable("standard input: " + args.join(' ')), {}, args, 0, "One&two three\n", {}, {}, kPage);
        row("empty standard input", {}, {"-"}, 0, {}, {});
        row("file to standard output", {}, {"-o", "-", "page.html"}, 0, "One&two three\n", {});
        row("several, like cat", {}, {"--", "page.html", "two.htm", "page.html"}, 0, "One&two three\nsecond page\nOne&two three\n", {});
        row("empty input", {}, {"-o", "old.txt", "empty.html"}, 0, {}, {}, {"old.txt="});
        row("read-only output", {}, {"-o", "ro.txt", "page.html"}, 1, {},
            "tessark: ro.txt: cannot write: Permission denied\n", {"ro.txt=kept"});
        row("folder tree", {}, {"-r", "-d", "out/text", "site", "page.html"}, 0, {}, {},
            {"out/text/index.txt=index\n", "out/text/a/one.txt=one\n", "out/text/a/b/two.page.txt=two\n",
             "out/text/page.txt=One&two three\n", "out/text/.hidden.txt=<missing>", "out/text/a/notes.txt=<missing>"});
        row("failures do not stop the others", {},
            {"-j2", "-d", "done", "page.html", "folder", "missing.html", "locked.html", "ro.html", "two.htm"}, 1, {},
            "tessark: folder: Is a folder (-r converts the pages under it)\ntessark: missing.html: Input file is missing\n"
            "tessark: locked.html: " +
                QByteArray(::geteuid() == 0 ? "Input file is missing\n" : "RemoveHTML: Error 70: Permission denied\n") +
                "tessark: done/ro.txt: cannot write: Permission denied\n",
            {"done/page.txt=One&two three\n", "done/two.txt=second page\n", "done/ro.txt=kept", "done/locked.txt=<missing>",
             "done/missing.txt=<missing>"});
        row("a folder without pages", {}, {"-r", "-d", "out", "nothing"}, 0, {}, "tessark: nothing: no .html or .htm files under it\n");
        row("-q", {}, {"-q", "-r", "-d", "out", "nothing"}, 0, {}, {});
        row("--all", {}, {"--all", "-o", "-", "menu.html"}, 0, "HomeNews &amp; caf\xC3\xA9&rsquo;s\n", {});
        usage("--links, a bad mode", {"--readable", "--links=Inline", "page.html"}, "invalid link mode: 'Inline' (none, inline or list)");
        usage("--width, negative", {"--readable", "--width", "-1", "page.html"}, "invalid width: '-1' (a number of columns, 0: no wrapping)");
        usage("--width, a word", {"--width=x", "page.html"}, "invalid width: 'x' (a number of columns, 0: no wrapping)");
        row("--readable", {}, {"--readable", "two.htm"}, 0, "second page\n", {});
        row("--readable, CR LF", {}, {"--readable", "--crlf", "two.htm"}, 0, "second page\r\n", {});
        row("--readable, windows-1252 in, UTF-8 out", {}, {"--readable", "--encoding=windows-1252"}, 0, "caf\xC3\xA9\n", {},
            {}, "<p>caf\xE9</p>");
        row("--readable, a folder", {}, {"--readable", "-r", "-d", "out", "site"}, 0, {}, {},
            {"out/index.txt=index\n", "out/a/one.txt=one\n", "out/a/b/two.page.txt=two\n"});
        row("readable text saved", "[General]\nBreakAtBlocks=True\n", {"-o", "-", "two.htm"}, 0, "second page\n", {});
        row("--save fails", "!", {"--none", "--save", "--print-options"}, 1, Listing({}), "tessark: the options could not be saved to *");
        row("--save", {}, {"--none", "--remove-scripts", "--remove-all-tags", "--save", "--print-options"}, 0,
            Listing({"RemoveScripts", "RemoveAllTags"}), {},
            {"RemoveScripts:True", "RemoveAllTags:True", "RemoveTabs:False", "ReadableText:False", "Links:none",
             "Encoding:<none>"});
        options("empty store", {}, {}, kClassic);
        options("saved ones", "[General]\nRemoveTabs=False\nRemovePipe=0\nRemoveAllTags=yes\n", {},
                Without(kClassic, {"RemoveTabs", "RemovePipe", "RemoveAllTags"}));
        options("--all over saved", "[General]\nRemoveTabs=False\nReadableText=True\nLinks=list\n", {"--all"}, kClassic,
                "False list True");
        options("a flag then --none", {}, {"--remove-tabs", "--none"}, {});
        options("later wins", {}, {"--no-remove-tabs", "--remove-tabs", "--no-remove-tabs"}, Without(kClassic, {"RemoveTabs"}));
        options("names", {}, {"--none", "--remove-all-crlf", "--generate-special-chars", "--decode-all-references"},
                {"RemoveAllCRLF", "GenerateSpecialChars", "DecodeAllReferences"});
        options("--readable keeps the options", "[General]\nRemovePipe=False\n", {"--readable", "--links", "list"},
                Without(kClassic, {"RemovePipe"}), "True list True");
        options("--readable then --none", {}, {"--readable", "--links=inline", "--no-alt-text", "--none"}, {},
                "False inline False");
        options("--classic, --alt-text", "[General]\nReadableText=True\nAltText=False\n", {"--alt-text", "--classic"},
                kClassic, "False none True");
        options("older spellings", {}, {"--break-at-blocks", "--keep-links", "--no-keep-alt-text"}, kClassic,
                "True inline False");
        options("older spellings off", "[General]\nReadableText=True\nLinks=list\n",
                {"--keep-alt-text", "--no-keep-links", "--no-break-at-blocks"}, kClassic, "False none True");
        options("saved older keys", "[General]\nKeepLinks=True\nBreakAtBlocks=1\nKeepAltText=False\nDecodeAllReferences=1\n",
                {}, kClassic + QStringList{"DecodeAllReferences"}, "True inline False");
        encoding("nothing saved", {}, {}, "auto", "<none>");
        encoding("--save leaves the default unsaved", {}, {"--save"}, "auto", "<none>");
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
        // -v: per input, the encoding it was read in and why; each sample
        // page under "auto" gives its expected text.
        QStringList samples;
        QByteArrayList texts;
        for (const QString& name : QDir(QStringLiteral(TESSARK_TEST_DATA "/encodings")).entryList({"*.html"}, QDir::Files, QDir::Name)) {
            samples << "in/" + name;
            texts << "out/" + QFileInfo(name).completeBaseName().toLatin1() + ".txt=" +
                         ReadFile(QStringLiteral(TESSARK_TEST_DATA "/encodings/") + QFileInfo(name).completeBaseName() + ".expected.txt");
        }
        row("-v, auto", {}, QStringList{"--encoding", "auto", "--crlf", "-v", "-j1", "-d", "out"} + samples, 0, {},
            "tessark: in/shift_jis-meta.html: Shift_JIS (meta)\ntessark: in/utf-16be-bom.html: UTF-16BE (bom)\n"
            "tessark: in/utf-16le-bom.html: UTF-16LE (bom)\ntessark: in/utf-8-bom.html: UTF-8 (bom)\n"
            "tessark: in/utf-8.html: UTF-8 (valid utf-8)\ntessark: in/windows-1251-meta.html: windows-1251 (meta)\n"
            "tessark: in/windows-1251-undeclared.html: windows-1251 (guess)\n"
            "tessark: in/windows-1252-as-iso-8859-1.html: windows-1252 (meta)\ntessark: in/wrong-declaration.html: UTF-8 (meta)\n",
            texts);
        row("-v, saved", "[General]\nEncoding=utf-8\n", {"-v", "-d", "out", "in/utf-8.html"}, 0, {},
            "tessark: in/utf-8.html: UTF-8 (saved)\n");
        row("-v, chosen", {}, {"--encoding", "cp1251", "-v", "-d", "out", "in/utf-8.html"}, 0, {},
            "tessark: in/utf-8.html: windows-1251 (chosen)\n");
        classic("classic", {}, {"page.html", "out.txt"}, 0, {}, {"out.txt=One&two three"});
        classic("classic, one word", {}, {"page.html"}, 1, "You have not selected the output file.\n", {});
        classic("classic, missing input", {}, {"nope.html", "out.txt"}, 1, "Input file is missing\n(looked for /*", {});
        classic("classic, missing folder", {}, {"page.html", "no/out.txt"}, 1, "RemoveHTML: Error 76: Path not found\n", {});
        classic("classic, saved options", "[General]\nRemoveAllTags=0\nRemoveScripts=1\nRemoveBlankLines=no\nZebra=stripes\n",
                {"page.html", "out.txt"}, 0, {},
                {"out.txt=<html><p>One&two</p> <p>three</p> </html>",
                 "store=" + Store({"RemoveAllTags", "RemoveBlankLines"}) + "Zebra=stripes\n"});
        classic("classic, saved readable text", "[General]\nBreakAtBlocks=True\n", {"two.htm", "out.txt"}, 0, {},
                {"out.txt=second page\n", "BreakAtBlocks:True", "ReadableText:<none>"});
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
        const QString storePath = stored.startsWith('!') ? Path("config/OrvaneTessark") : StorePath();
        if (!stored.isEmpty()) QVERIFY(QDir().mkpath(QFileInfo(storePath).path()) && WriteFile(storePath, stored));
        const bool classic = args.first() == "@classic";
        const Finished r = classic ? RunClassic(args.mid(1)) : Run(args, input);
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
            if (check.mid(equals + 1) == "<missing>") QVERIFY2(!QFileInfo::exists(name), qPrintable(name));
            else QCOMPARE(ReadFile(name), check.mid(equals + 1));
        }
    }

    // The program in a shell, as a filter meets it: pipes, hidden names and
    // devices as inputs, a terminal, a full or closed standard stream, an
    // output that is one of the inputs, prefixes of long options, links and
    // unreadable files under -r, streaming and the order of several jobs. Each row is a bash command run in a fresh
    // folder holding page.html, with $T the program, $S this folder of the
    // sources and $U the prefix that drops root's privileges.
    void shell_data() { TableRows(kShellRows); }
    void shell() {
        QFETCH(int, row);
        const ShellRow& r = kShellRows[row];
        QTemporaryDir folder;
        QVERIFY(WriteFile(folder.filePath("page.html"),
                          "<html><head><title>Example page</title></head><body><p>Caf&eacute; &amp; more</p></body></html>"));
        QProcessEnvironment env = TestEnvironment(folder.filePath("config"));
        env.insert("T", TESSARK_PROGRAM);
        env.insert("S", TESSARK_SOURCE_DIR "/tests/cli");
        env.insert("SRC", TESSARK_SOURCE_DIR);
        // Where permissions matter the program runs as an unprivileged user: root may write anywhere.
        if (geteuid() == 0 && QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777)))
            env.insert("U", "setpriv --reuid=65534 --regid=65534 --clear-groups");
        const Finished run = RunProcess("bash", {"-c", QString::fromStdString(r.command)}, folder.path(), env, 120);
        QVERIFY2(run.exitCode == r.status, qPrintable(QStringLiteral("status %1: %2").arg(run.exitCode).arg(QString::fromLocal8Bit(run.err))));
        QVERIFY2(run.out.startsWith(r.out), run.out.left(200).constData());
        QVERIFY2(*r.err ? run.err.contains(r.err) : run.err.isEmpty(), run.err.constData());
    }

    // Every example of use that README.md, docs/, readme.txt and the manual page show
    // runs and succeeds, in a folder holding the pages it names, with the
    // program first on PATH (and copied where the classic form's relative
    // paths lead), a local page in place of a network fetch. The parallel
    // example needs other machines: tests/packaging/test_parallel runs it.
    void examples() {
        QStringList commands;
        const QRegularExpression indented(R"(^ {4}((?:build/bin/)?tessark [^[].*|curl .*\| tessark.*)$)",
                                          QRegularExpression::MultilineOption);
        QStringList files{TESSARK_SOURCE_DIR "/README.md", TESSARK_SOURCE_DIR "/readme.txt"};
        for (const QFileInfo& doc : QDir(TESSARK_SOURCE_DIR "/docs").entryInfoList({"*.md"})) files << doc.filePath();
        for (const QString& file : files)
            for (const auto& m : indented.globalMatch(QString(ReadFile(file))))
                commands << m.captured(1).section(QRegularExpression(R"(\s{3,})"), 0, 0);  // readme.txt's remarks
        const QString page = QString(ReadFile(TESSARK_SOURCE_DIR "/man/tessark.1")).replace(R"(\-)", "-");
        for (const auto& m : QRegularExpression(R"(\n\.EX\n(.*?)\n\.EE)", QRegularExpression::DotMatchesEverythingOption)
                                 .globalMatch(page))
            commands << m.captured(1).replace(R"(\(aq)", "'").replace(R"(\e)", "\\");
        QVERIFY(commands.size() >= 20);
        for (const char* name : {"bin", "build/bin", "pages/a", "saved", "config"}) QVERIFY(QDir().mkpath(Path(name)));
        for (const char* name : {"bin/tessark", "build/bin/tessark"}) {
            QVERIFY(QFile::copy(TESSARK_PROGRAM, Path(name)));
            QFile::setPermissions(Path(name), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        for (const char* name : {"a.html", "bin/page.html", "build/bin/IN.html", "pages/a/b.html", "saved/c.html"})
            WriteFile(Path(name), kPage);
        // A crawl and a stream of records holding the page.
        const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + kPage;
        WriteFile(Path("crawl.warc"), "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: http://a/\r\nContent-Length: " +
                                          QByteArray::number(response.size()) + "\r\n\r\n" + response + "\r\n\r\n");
        WriteFile(Path("pages.jsonl"), R"({"body":"<p>One&amp;two</p>\r\n<p>three</p>"})" "\n");
        QCOMPARE(Run({"-c", "gzip crawl.warc pages.jsonl"}, {}, "bash").exitCode, 0);
        for (const QString& command : commands) {
            if (command.contains("--sshlogin")) continue;
            QString shell = command;
            shell.replace(QRegularExpression(R"(curl -s \S+)"), "cat page.html").replace("| less", "| cat")
                .replace("/home/me/", Path("bin/"));
            const Finished r = Run({"-c", "PATH=\"$PWD/bin:$PATH\"; " + shell}, {}, "bash");
            QVERIFY2(r.exitCode == 0, qPrintable(command + ": " + r.err));
        }
    }

    // The progress line's text: the time left from the bytes when their
    // total is known, else from the files.
    void progressText() {
        const struct {
            int done, total;
            qint64 bytesRead, totalBytes;
            double elapsed;
            const char* line;
        } rows[] = {{0, 120, 0, 0, 0.6, "0/120 files, 0.0 MB read, 0.0 MB/s"},
                    {37, 120, 12'300'000, 36'900'000, 2.0, "37/120 files, 12.3 MB read, 6.2 MB/s, 0:04 left"},
                    {10, 40, 5'000'000, 0, 1.5, "10/40 files, 5.0 MB read, 3.3 MB/s, 0:05 left"},
                    {1, 100, 1'000'000, 100'000'000, 1.0, "1/100 files, 1.0 MB read, 1.0 MB/s, 1:39 left"},
                    {1, 5000, 1'000'000, 5'000'000'000, 1.0, "1/5000 files, 1.0 MB read, 1.0 MB/s, 1:23:19 left"},
                    {5, 5, 2'000'000, 2'000'000, 0.8, "5/5 files, 2.0 MB read, 2.5 MB/s, 0:00 left"}};
        for (const auto& r : rows)
            QCOMPARE(cli::FormatProgress(r.done, r.total, r.bytesRead, r.totalBytes, r.elapsed), QString::fromLatin1(r.line));
    }

private:
    QString Path(const QString& name) const { return name.isEmpty() ? dir_->path() : dir_->filePath(name); }
    QString StorePath() const { return Path("config/OrvaneTessark/OrvaneTessark.ini"); }
    // `program` (the modern form) run to its end in `folder` (the current
    // folder), with the settings under config/ and `input` on standard input.
    Finished Run(const QStringList& args, const QByteArray& input = {}, const QString& program = TESSARK_PROGRAM,
                 const QString& folder = {}) {
        return RunProcess(program, args, folder.isEmpty() ? Path("") : folder, TestEnvironment(Path("config")), 120, input);
    }
    // The classic form, from a copy of the program beside the pages, run
    // from elsewhere: its relative paths are taken from the program's folder.
    Finished RunClassic(const QStringList& args) {
        if (!QFile::exists(Path("tessark")) && !QFile::copy(QStringLiteral(TESSARK_PROGRAM), Path("tessark"))) return {};
        QFile::setPermissions(Path("tessark"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return Run(args, {}, Path("tessark"), QDir::tempPath());
    }

    std::unique_ptr<QTemporaryDir> dir_;  // the current folder, with the settings under config/
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
