// The program as a filter meets it in a shell: hidden names, pipes and
// devices as inputs, no argument with a pipe, a full standard output, an
// output that is one of the inputs, more than two classic arguments, -q/-v
// and prefixes of long options. Each row is a bash command run in a fresh
// folder holding page.html, with $T the program.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

#include "ProcessTestSupport.h"

using namespace tessark::test;

class FilterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shell_data();
    void shell();
};

void FilterTest::shell_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");  // standard output begins with it
    QTest::addColumn<QByteArray>("err");  // standard error holds it; empty: is empty

    const QByteArray text = "Example page";
    QTest::newRow("hidden name") << "cp page.html .draft.html; $T -q .draft.html" << 0 << text << QByteArray();
    QTest::newRow("process substitution") << "$T -q <(cat page.html)" << 0 << text << QByteArray();
    QTest::newRow("/dev/stdin") << "cat page.html | $T -q /dev/stdin" << 0 << text << QByteArray();
    QTest::newRow("named pipe") << "mkfifo f; cat page.html >f & $T -q f" << 0 << text << QByteArray();
    QTest::newRow("named pipe, whole page") << "mkfifo f; cat page.html >f & $T -q --encoding auto f" << 0 << text
                                            << QByteArray();
    QTest::newRow("/dev/null is empty") << "$T -q /dev/null; echo \"[$?]\"" << 0 << QByteArray("[0]") << QByteArray();
    for (const char* encoding : {"windows-1252", "utf-8", "auto"})
        QTest::newRow(qPrintable(QStringLiteral("one end of file on a terminal, %1").arg(QLatin1String(encoding))))
            << QStringLiteral("python3 \"$S/typed.py\" $T -q --encoding %1 -o out.txt - >/dev/null && cat out.txt").arg(QLatin1String(encoding))
            << 0 << QByteArray("typed") << QByteArray();
    // A conversion of over a second: the progress line shows after half a second.
    const QString slow = QStringLiteral("python3 \"$S/typed.py\" --no-typing --columns 30 sh -c '(cat page.html; sleep 1.5) "
                                        "| $T %1' >shown; tr '\\r' '\\n' <shown | ");
    QTest::newRow("progress line cut to a narrow terminal")
        << slow.arg(QLatin1String("-o out.txt -")) + "awk '/files/ {seen=1} length > 32 {bad=1} END {print seen && !bad}'"
        << 0 << QByteArray("1") << QByteArray();
    QTest::newRow("no progress line on the terminal of the text")
        << slow.arg(QLatin1String("-")) + "grep -c files" << 1 << QByteArray("0") << QByteArray();
    QTest::newRow("missing is still missing") << "$T -q none.html" << 1 << QByteArray()
                                              << QByteArray("tessark: none.html: Input file is missing");
    QTest::newRow("no argument, a pipe") << "cat page.html | $T" << 0 << text << QByteArray();
    QTest::newRow("no argument, a file") << "$T <page.html" << 0 << text << QByteArray();
    QTest::newRow("no argument, no display") << "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $T </dev/null" << 2
                                             << QByteArray() << QByteArray("no display");
    QTest::newRow("--help to a full device") << "$T --help >/dev/full" << 1 << QByteArray()
                                             << QByteArray("write error on standard output: No space left");
    QTest::newRow("--version to a full device") << "$T --version >/dev/full" << 1 << QByteArray()
                                                << QByteArray("No space left");
    QTest::newRow("--print-options to a full device") << "$T --print-options >/dev/full" << 1 << QByteArray()
                                                      << QByteArray("No space left");
    QTest::newRow("three classic arguments write nothing")
        << "cp page.html b.html; $T \"$PWD/page.html\" \"$PWD/a.txt\" \"$PWD/b.html\"; s=$?; cmp -s b.html page.html "
           "&& [ ! -e a.txt ] && exit $s"
        << 2 << QByteArray() << QByteArray("tessark -d FOLDER PAGE");
    QTest::newRow("-o onto the input") << "$T -q -o page.html page.html; s=$?; grep -q '<' page.html && exit $s" << 1
                                       << QByteArray() << QByteArray("tessark: page.html: input file is output file");
    QTest::newRow("-o onto the input through a link")
        << "ln -s page.html l.html; $T -q -o l.html page.html; s=$?; grep -q '<' page.html && exit $s" << 1
        << QByteArray() << QByteArray("input file is output file");
    QTest::newRow("-d onto the input") << "mkdir d; cp page.html d/x.txt; $T -q -d d d/x.txt; s=$?; "
                                          "grep -q '<' d/x.txt && exit $s"
                                       << 1 << QByteArray() << QByteArray("d/x.txt: input file is output file");
    QTest::newRow("output in a missing folder") << "$T -q -o nodir/x.txt page.html" << 1 << QByteArray()
                                                << QByteArray("tessark: nodir/x.txt: cannot write: No such file or directory");
    QTest::newRow("output is a folder") << "mkdir d; $T -q -o d page.html" << 1 << QByteArray()
                                        << QByteArray("tessark: d: cannot write: Is a directory");
    QTest::newRow("read-only output") << "touch ro.txt; chmod 444 ro.txt; $T -q -o ro.txt page.html" << 1 << QByteArray()
                                      << QByteArray("tessark: ro.txt: cannot write: Permission denied");
    QTest::newRow("read-only folder, unprivileged") << "mkdir ro; chmod 555 ro; $U $T -q -d ro page.html" << 1
                                                    << QByteArray()
                                                    << QByteArray("tessark: ro/page.txt: cannot write: Permission denied");
    QTest::newRow("classic: where the input was looked for") << "$T none.html out.txt" << 1 << QByteArray()
                                                             << QByteArray("Input file is missing\n(looked for /");
    QTest::newRow("a flag after a classic command") << "$T page.html out.txt --readable" << 1 << QByteArray()
                                                    << QByteArray("tessark: out.txt: Input file is missing (to write it, use -o)");
    QTest::newRow("a line feed in a name") << "$T -q \"$(printf 'a\\nb.html')\"" << 1 << QByteArray()
                                           << QByteArray("tessark: $'a\\nb.html': Input file is missing\n");
    QTest::newRow("closed standard output") << "$T -q page.html >&-" << 1 << QByteArray()
                                            << QByteArray("tessark: standard output is closed");
    QTest::newRow("closed standard input") << "$T -q - <&-" << 1 << QByteArray() << QByteArray("standard input is closed");
    QTest::newRow("an option that cannot act") << "$T --none --keep-links page.html" << 0 << QByteArray()
                                               << QByteArray("tessark: --keep-links does nothing without --remove-all-tags");
    QTest::newRow("--help fits 80 columns") << "$T --help | awk 'length > 80' | wc -l" << 0 << QByteArray("0\n")
                                            << QByteArray();
    QTest::newRow("--help names the --no- forms and the other forms")
        << "$T --help | tr '\\n' ' ' | grep -o -e '--no-remove-tabs' -e 'tessark INPUT OUTPUT' -e 'opens the window' | sort"
        << 0 << QByteArray("--no-remove-tabs\nopens the window\ntessark INPUT OUTPUT\n") << QByteArray();
    QTest::newRow("completion of -rd offers folders")
        << "mkdir dir; bash -c 'source \"$SRC/completion/tessark\"; COMP_WORDS=(tessark -rd \"\"); COMP_CWORD=2; "
           "_tessark; echo \"${COMPREPLY[*]}\"'"
        << 0 << QByteArray("dir\n") << QByteArray();
    QTest::newRow("-r reports what it cannot read, unprivileged")
        << "mkdir -p s/locked; cp page.html s/a.html; cp page.html s/zero.html; cp page.html \"s/$(printf 'n\\377.html')\"; "
           "chmod 000 s/locked s/zero.html; chmod 777 s; $U $T -q -r -d out s; s=$?; ls out; exit $s"
        << 1 << QByteArray("a.txt\n")
        << QByteArray("tessark: s/locked: Permission denied\ntessark: s/n\xef\xbf\xbd.html: file name is not valid in "
                      "the local encoding\ntessark: s/zero.html: Permission denied\n");
    QTest::newRow("-r follows links to pages, not to folders")
        << "mkdir -p s/sub; cp page.html s/a.html; ln -s ../s s/sub/loop; ln -s a.html s/b.html; $T -q -r -d out s; "
           "find out -type f | sort"
        << 0 << QByteArray("out/a.txt\nout/b.txt\n") << QByteArray();
    QTest::newRow("LF lines, each text ending with one")
        << "printf '<p>a</p>\\n<p>b</p>' >t.html; $T -q --none t.html - <t.html | tr '\\n\\r' NR" << 0
        << QByteArray("<p>a</p>N<p>b</p>N<p>a</p>N<p>b</p>N") << QByteArray();
    QTest::newRow("LF lines, the whole page read") << "printf '<p>a</p>\\n<p>b</p>' >t.html; "
                                                      "$T -q --none --encoding auto t.html | tr '\\n\\r' NR"
                                                   << 0 << QByteArray("<p>a</p>N<p>b</p>N") << QByteArray();
    QTest::newRow("LF lines across the stream's blocks")
        << "yes '<p>line</p>' | head -c 9000000 >big.html; a=$($T -q --none --encoding windows-1252 big.html "
           "| md5sum); b=$($T -q --none --encoding auto big.html | md5sum); c=$(tr -d '\\r' <big.html | md5sum); "
           "[ \"$a\" = \"$b\" ] && [ \"$a\" = \"$c\" ] && echo same"
        << 0 << QByteArray("same\n") << QByteArray();
    QTest::newRow("--crlf writes the classic form's bytes")
        << "printf '<p>a</p>\\n<p>b</p>' >t.html; $T \"$PWD/t.html\" \"$PWD/c.txt\"; $T -q --crlf -o m.txt t.html; "
           "cmp c.txt m.txt && wc -c <m.txt"
        << 0 << QByteArray("3\n") << QByteArray();
    QTest::newRow("-q after -v") << "$T -v -q page.html >/dev/null" << 0 << QByteArray() << QByteArray();
    QTest::newRow("-v after -q") << "$T -q -v page.html >/dev/null" << 0 << QByteArray()
                                 << QByteArray("tessark: page.html: UTF-8 (valid utf-8)");
    // With nothing saved pages are read as auto and streamed: the first
    // megabyte decides (here it ends inside "é"), what follows that the
    // encoding does not define becomes U+FFFD, and the text is UTF-8.
    QTest::newRow("nothing saved: a page in UTF-8 gives UTF-8")
        << "printf '<meta charset=\"utf-8\"><p>Caf\xc3\xa9 &eacute;</p>' >u.html; $T -q u.html" << 0
        << QByteArray("Caf\xc3\xa9 \xc3\xa9\n") << QByteArray();
    QTest::newRow("nothing saved: a page in windows-1251 over a megabyte streams as it converts whole")
        << "{ printf '<meta charset=\"windows-1251\"><p>'; yes 'Привет &eacute; мир' | head -n 60000; } | "
           "iconv -t cp1251 >w.html; a=$($T -q w.html | md5sum); b=$($T -q --encoding auto --keep-alt-text w.html "
           "| md5sum); [ \"$a\" = \"$b\" ] && $T -q w.html | head -c 25"
        << 0 << QByteArray("Привет é мир П") << QByteArray();
    QTest::newRow("nothing saved: bad UTF-8 after the first megabyte")
        << "{ printf '<b>'; yes '<p>é</p>' | head -n 110000; printf '<p>\\xff bad'; } >u.html; $T -q -v u.html "
           ">o.txt; iconv -f utf-8 -t utf-8 o.txt >/dev/null && tr -d 'é ' <o.txt"
        << 0 << QByteArray("\xef\xbf\xbd" "bad\n") << QByteArray("u.html: UTF-8 (valid utf-8)");
    QTest::newRow("the classic form keeps Windows-1252")
        << "printf '<meta charset=\"utf-8\"><p>&eacute;</p>' >c.html; $T \"$PWD/c.html\" \"$PWD/c.txt\"; cat c.txt"
        << 0 << QByteArray("\xe9") << QByteArray();
    QTest::newRow("unique prefixes") << "$T --quie --encod=utf-8 --reada page.html" << 0 << text << QByteArray();
    QTest::newRow("ambiguous prefix") << "$T --re page.html" << 2 << QByteArray()
                                      << QByteArray("option '--re' is ambiguous; possibilities: --recursive");
    QTest::newRow("a value is not a prefix") << "$T -q -o --quie page.html && cat -- --quie" << 0 << text
                                             << QByteArray();
}

void FilterTest::shell() {
    QFETCH(QString, command);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir folder;
    QVERIFY(WriteFile(folder.filePath(QStringLiteral("page.html")),
                      "<html><head><title>Example page</title></head><body><p>Caf&eacute; &amp; more</p></body></html>"));
    QProcessEnvironment env = TestEnvironment(folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("T"), QStringLiteral(TESSARK_PROGRAM));
    env.insert(QStringLiteral("S"), QStringLiteral(TESSARK_SOURCE_DIR "/tests/cli"));
    env.insert(QStringLiteral("SRC"), QStringLiteral(TESSARK_SOURCE_DIR));
    // Where permissions matter the program runs as an unprivileged user: root
    // may write anywhere.
    if (geteuid() == 0) {
        QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7777));
        env.insert(QStringLiteral("U"), QStringLiteral("setpriv --reuid=65534 --regid=65534 --clear-groups"));
    }
    const Finished run = RunProcess(QStringLiteral("bash"), {QStringLiteral("-c"), command}, folder.path(), env, 60);
    QVERIFY2(run.finished, qPrintable(command));
    QVERIFY2(run.exitCode == status, qPrintable(QStringLiteral("status %1: %2").arg(run.exitCode).arg(QString::fromLocal8Bit(run.err))));
    QVERIFY2(run.out.startsWith(out), run.out.left(200).constData());
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), run.err.constData());
}

QTEST_GUILESS_MAIN(FilterTest)
#include "test_filter.moc"
