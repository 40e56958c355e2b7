// The manual page and the bash completion against the program: the options
// that `tessark --help` lists, with every --no- form the program accepts, are
// exactly those of the page's OPTIONS and of the completion's word list; the
// page renders without a warning and names the version the program prints;
// the completion completes what it should.
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ProcessTestSupport.h"

using namespace tessark::test;

namespace {

const QString kManPage = QStringLiteral(TESSARK_SOURCE_DIR "/man/tessark.1");
const QString kCompletion = QStringLiteral(TESSARK_SOURCE_DIR "/completion/tessark");

// The option names ("-o", "--no-remove-tabs") in the first group of each
// match of `pattern` (one per line) in `text`, sorted.
QStringList Options(const QString& text, const QString& pattern) {
    static const QRegularExpression name(QStringLiteral("(?<![\\w-])(--?[A-Za-z0-9?][A-Za-z0-9-]*)"));
    QSet<QString> names;
    for (const auto& m : QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text))
        for (const auto& n : name.globalMatch(m.captured(1))) names.insert(n.captured(1));
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted;
}

}  // namespace

class TestDocumentation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const auto run = [&](const QStringList& args) {
            return RunProcess(TESSARK_PROGRAM, args, config_.path(), TestEnvironment(config_.path()));
        };
        const Finished help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        // The first column of each option line of the help (the --no- forms
        // are left out there, as its text says: one counts when accepted).
        program_ = Options(QString(help.out).section("\nOptions:\n", 1).section("\n\n", 0, 0), R"(^  (-\S.*?)(?:\s{2,}|$))");
        for (const QString& name : QStringList(program_)) {
            const QString negated = "--no-" + name.mid(2);
            if (name.startsWith("--") && !program_.contains(negated) && run({negated, "--print-options"}).exitCode == 0)
                program_ << negated;
        }
        program_.sort();
        version_ = QString(run({"--version"}).out).trimmed();
        // troff as it reads: "\-" is "-", "\%" and font changes vanish; the
        // options are the tags (the line after each .TP, less its macro).
        page_ = QString(ReadFile(kManPage)).remove(QRegularExpression(R"(\\f[BIRP]|\\%)")).replace(R"(\-)", "-");
        man_ = Options(page_.section("\n.SH OPTIONS\n", 1).section("\n.SH ", 0, 0), R"(^\.TP\n\S+ (.*)$)");
        completion_ = Options(ReadFile(kCompletion), "_tessark_options='([^']*)'");
    }

    void optionsAgree() {
        for (const char* core : {"-o", "--output-dir", "--recursive", "--jobs", "--all", "--none", "--remove-all-crlf",
                                 "--no-remove-all-crlf", "--save", "--help", "--version"})  // the parsers find them at all
            QVERIFY2(program_.contains(core) && man_.contains(core) && completion_.contains(core), core);
        QCOMPARE(man_, program_);
        QCOMPARE(completion_, program_);
    }

    void manPage() {
        // --version prints "tessark 1.0 Build 20"; the page's footer reads "Tessark 1.0 Build 20".
        QVERIFY2(version_.startsWith("tessark "), qPrintable(version_));
        QVERIFY(page_.section("\n.TH ", 1).section('\n', 0, 0).contains('"' + version_.replace(0, 1, "T") + '"'));
        const QString groff = QStandardPaths::findExecutable("groff");
        if (groff.isEmpty()) QSKIP("groff is not installed (scripts/deps.sh installs groff-base)");
        const Finished r = RunProcess(groff, {"-ww", "-man", "-Tutf8", "-z", kManPage}, config_.path(), TestEnvironment(config_.path()));
        QCOMPARE(QString(r.err), QString());
        QCOMPARE(r.exitCode, 0);
    }

    void completion_data() {
        QTest::addColumn<QStringList>("words");  // the command line, the last word being completed
        QTest::addColumn<QStringList>("offered");
        const QStringList pagesAndFolders{"-x.html", "B.HTM", "a.html", "my dir", "site"};
        QTest::newRow("option name") << QStringList{"--output-d"} << QStringList{"--output-dir"};
        QTest::newRow("negated options") << QStringList{"--no-remove-a"} << QStringList{"--no-remove-all-crlf", "--no-remove-all-tags"};
        QTest::newRow("-d: folders only") << QStringList{"-d", ""} << QStringList{"my dir", "site"};
        QTest::newRow("-rd: folders only") << QStringList{"-rd", ""} << QStringList{"my dir", "site"};
        QTest::newRow("--output-dir=, split at the =") << QStringList{"--output-dir", "=", "s"} << QStringList{"site"};
        QTest::newRow("--output-dir=, one word") << QStringList{"--output-dir=s"} << QStringList{"site"};
        QTest::newRow("-o: files") << QStringList{"-o", "n"} << QStringList{"notes.txt"};
        QTest::newRow("input: files and folders") << QStringList{"a.html", ""} << pagesAndFolders + QStringList{"notes.txt"};
        QTest::newRow("-r: pages and folders") << QStringList{"-r", ""} << pagesAndFolders;
        QTest::newRow("-qr: pages and folders") << QStringList{"-qr", ""} << pagesAndFolders;
        QTest::newRow("-vr: pages and folders") << QStringList{"-vr", ""} << pagesAndFolders;
        QTest::newRow("--recursive after the input") << QStringList{"site", "--recursive", ""} << pagesAndFolders;
        QTest::newRow("after --, a dash begins a file") << QStringList{"--", "-"} << QStringList{"-x.html"};
        QTest::newRow("-j: a count, no file") << QStringList{"-j", "n"} << QStringList{};
        QTest::newRow("--encoding: names, no file") << QStringList{"--encoding", "ut"} << QStringList{"utf-16be", "utf-16le", "utf-8"};
        QTest::newRow("--encoding=, one word") << QStringList{"--encoding=a"} << QStringList{"auto"};
    }
    void completion() {
        QFETCH(QStringList, words);
        QFETCH(QStringList, offered);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("site/sub") && QDir(dir.path()).mkpath("my dir"));
        for (const char* name : {"a.html", "B.HTM", "notes.txt", "-x.html", "site/x.html"}) QVERIFY(WriteFile(dir.filePath(name), "x"));
        // Complete as bash does: COMP_WORDS and COMP_CWORD set, the function called.
        const QString script = R"(source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tessark; printf '%s\n' "${COMPREPLY[@]}")";
        const Finished r = RunProcess("bash", QStringList{"-c", script, "bash", kCompletion, "tessark"} + words, dir.path(),
                                      TestEnvironment(config_.path()));
        QCOMPARE(QString(r.err), QString());
        QCOMPARE(r.exitCode, 0);
        QStringList got = QString(r.out).split('\n', Qt::SkipEmptyParts);
        got.sort();
        offered.sort();
        QCOMPARE(got, offered);
    }

private:
    QTemporaryDir config_;
    QStringList program_, man_, completion_;  // the options each names
    QString version_, page_;
};

QTEST_GUILESS_MAIN(TestDocumentation)
#include "test_documentation.moc"
