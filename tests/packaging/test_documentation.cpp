// The manual page and the bash completion against the program: every option
// that `tessark --help` lists, and every --no- form that the program accepts,
// is in both, and neither names an option the program lacks; the page renders without a warning and names the version
// the program prints; the completion completes what it should.
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "ProcessTestSupport.h"

using namespace tessark::test;

namespace {

const QString kManPage = QStringLiteral(TESSARK_SOURCE_DIR "/man/tessark.1");
const QString kCompletion = QStringLiteral(TESSARK_SOURCE_DIR "/completion/tessark");

// "-o", "--output", "--no-remove-tabs": the option names in a piece of text.
QSet<QString> OptionNames(const QString& text) {
    static const QRegularExpression name(QStringLiteral("(?<![\\w-])(--?[A-Za-z0-9?][A-Za-z0-9-]*)"));
    QSet<QString> names;
    for (const auto& m : name.globalMatch(text)) names.insert(m.captured(1));
    return names;
}

// The options of QCommandLineParser's help text: the first column of each
// line under "Options:", up to the gap before its description.
QSet<QString> HelpOptions(const QString& help) {
    static const QRegularExpression column(QStringLiteral("^\\s+(-\\S.*?)(?:\\s{2,}|$)"));
    QSet<QString> names;
    bool inOptions = false;
    for (const QString& line : help.split(u'\n')) {
        if (!line.startsWith(u' ')) {
            inOptions = line.startsWith(QStringLiteral("Options:"));
            continue;
        }
        const auto m = column.match(line);
        if (inOptions && m.hasMatch()) names += OptionNames(m.captured(1));
    }
    return names;
}

// troff text as it reads: "\-" is "-", "\%" and font changes vanish.
QString Unescape(QString troff) {
    static const QRegularExpression font(QStringLiteral("\\\\f[BIRP]"));
    troff.replace(font, QString());
    troff.replace(QStringLiteral("\\%"), QString());
    troff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    return troff;
}

// The options of the manual page: the tags (the line after each ".TP") of
// its OPTIONS section.
QSet<QString> ManOptions(const QString& page) {
    QSet<QString> names;
    bool inOptions = false;
    bool tagNext = false;
    for (const QString& line : page.split(u'\n')) {
        if (line.startsWith(QStringLiteral(".SH"))) {
            inOptions = line.trimmed() == QStringLiteral(".SH OPTIONS");
            continue;
        }
        if (!inOptions) continue;
        if (tagNext) {
            // The tag's macro (".BR") is no option; only what follows it.
            names += OptionNames(Unescape(line.section(u' ', 1)));
            tagNext = false;
        }
        tagNext = line.trimmed() == QStringLiteral(".TP");
    }
    return names;
}

// The options the completion offers: its word list _tessark_options='...'.
QSet<QString> CompletionOptions(const QString& script) {
    static const QRegularExpression list(QStringLiteral("_tessark_options='([^']*)'"));
    const auto m = list.match(script);
    return m.hasMatch() ? OptionNames(m.captured(1)) : QSet<QString>();
}

QStringList Sorted(const QSet<QString>& set) {
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

}  // namespace

class TestDocumentation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const Finished help = RunProcess(QStringLiteral(TESSARK_PROGRAM), {QStringLiteral("--help")},
                                         config_.path(), TestEnvironment(config_.path()));
        QVERIFY(help.finished);
        QCOMPARE(help.exitCode, 0);
        help_ = HelpOptions(QString::fromUtf8(help.out));
        // The --no- forms are left out of the help's list (its text says so):
        // a form counts when the program accepts it.
        for (const QString& name : QSet<QString>(help_)) {
            const QString negated = QStringLiteral("--no-") + name.mid(2);
            if (!name.startsWith(QStringLiteral("--")) || help_.contains(negated)) continue;
            const Finished r = RunProcess(QStringLiteral(TESSARK_PROGRAM), {negated, QStringLiteral("--print-options")},
                                          config_.path(), TestEnvironment(config_.path()));
            if (r.exitCode == 0) accepted_ += negated;
        }
        const Finished version = RunProcess(QStringLiteral(TESSARK_PROGRAM), {QStringLiteral("--version")},
                                            config_.path(), TestEnvironment(config_.path()));
        QCOMPARE(version.exitCode, 0);
        version_ = QString::fromUtf8(version.out).trimmed();
        man_ = ManOptions(QString::fromUtf8(ReadFile(kManPage)));
        completion_ = CompletionOptions(QString::fromUtf8(ReadFile(kCompletion)));
    }

    // The parsers find the options at all (else every row below would pass).
    void everySourceListsTheCoreOptions_data() {
        QTest::addColumn<QString>("option");
        for (const char* name : {"--output", "--output-dir", "--recursive", "--jobs", "--all", "--none",
                                 "--remove-all-crlf", "--no-remove-all-crlf", "--save", "--help", "--version"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everySourceListsTheCoreOptions() {
        QFETCH(QString, option);
        QVERIFY2(help_.contains(option) || accepted_.contains(option), qPrintable(Sorted(help_ + accepted_).join(u' ')));
        QVERIFY2(man_.contains(option), qPrintable(Sorted(man_).join(u' ')));
        QVERIFY2(completion_.contains(option), qPrintable(Sorted(completion_).join(u' ')));
    }

    // One row per option named anywhere: --help, the page and the completion
    // all name it.
    void optionsAgree_data() {
        QTest::addColumn<QString>("option");
        for (const QString& name : Sorted(help_ + accepted_ + man_ + completion_))
            QTest::newRow(qPrintable(name)) << name;
    }
    void optionsAgree() {
        QFETCH(QString, option);
        QVERIFY2(help_.contains(option) || accepted_.contains(option),
                 "named by the manual page or the completion, but the program does not know it");
        QVERIFY2(man_.contains(option), "missing from the OPTIONS of man/tessark.1");
        QVERIFY2(completion_.contains(option), "missing from _tessark_options in completion/tessark");
    }

    void manPageNamesTheProgramsVersion() {
        // --version prints "tessark 1.0 Build 20"; the page's footer reads "Tessark 1.0 Build 20".
        QVERIFY2(version_.startsWith(QStringLiteral("tessark ")), qPrintable(version_));
        QString footer = version_;
        footer[0] = footer[0].toUpper();
        const QString page = QString::fromUtf8(ReadFile(kManPage));
        const QString header = page.section(QStringLiteral("\n.TH "), 1).section(u'\n', 0, 0);
        QVERIFY2(header.contains(u'"' + footer + u'"'), qPrintable(header));
    }

    void manPageRendersWithoutWarnings() {
        const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
        if (groff.isEmpty()) QSKIP("groff is not installed (scripts/deps.sh installs groff-base)");
        const Finished r = RunProcess(groff, {"-ww", "-man", "-Tutf8", "-z", kManPage}, config_.path(),
                                      TestEnvironment(config_.path()));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.err), QString());
    }

    void completion_data() {
        QTest::addColumn<QStringList>("words");  // the command line, the last word being completed
        QTest::addColumn<QStringList>("offered");
        const QStringList everything{"-x.html", "B.HTM", "a.html", "my dir", "notes.txt", "site"};
        const QStringList pagesAndFolders{"-x.html", "B.HTM", "a.html", "my dir", "site"};
        QTest::newRow("option name") << QStringList{"tessark", "--output-d"} << QStringList{"--output-dir"};
        QTest::newRow("negated options") << QStringList{"tessark", "--no-remove-a"}
                                         << QStringList{"--no-remove-all-crlf", "--no-remove-all-tags"};
        QTest::newRow("-d: folders only") << QStringList{"tessark", "-d", ""} << QStringList{"my dir", "site"};
        QTest::newRow("--output-dir=, split at the =") << QStringList{"tessark", "--output-dir", "=", "s"}
                                                       << QStringList{"site"};
        QTest::newRow("--output-dir=, one word") << QStringList{"tessark", "--output-dir=s"} << QStringList{"site"};
        QTest::newRow("-o: files") << QStringList{"tessark", "-o", "n"} << QStringList{"notes.txt"};
        QTest::newRow("input: files and folders") << QStringList{"tessark", "a.html", ""} << everything;
        QTest::newRow("-r: pages and folders") << QStringList{"tessark", "-r", ""} << pagesAndFolders;
        QTest::newRow("-qr: pages and folders") << QStringList{"tessark", "-qr", ""} << pagesAndFolders;
        QTest::newRow("--recursive after the input") << QStringList{"tessark", "site", "--recursive", ""}
                                                     << pagesAndFolders;
        QTest::newRow("after --, a dash begins a file") << QStringList{"tessark", "--", "-"}
                                                        << QStringList{"-x.html"};
        QTest::newRow("-j: a count, no file") << QStringList{"tessark", "-j", "n"} << QStringList{};
        QTest::newRow("--encoding: names, no file") << QStringList{"tessark", "--encoding", "ut"}
                                                    << QStringList{"utf-8", "utf-16le", "utf-16be"};
        QTest::newRow("--encoding=, one word") << QStringList{"tessark", "--encoding=a"} << QStringList{"auto"};
        QTest::newRow("-vr: pages and folders") << QStringList{"tessark", "-vr", ""} << pagesAndFolders;
    }
    void completion() {
        QFETCH(QStringList, words);
        QFETCH(QStringList, offered);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("site/sub")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("my dir")));
        for (const char* name : {"a.html", "B.HTM", "notes.txt", "-x.html", "site/x.html"})
            QVERIFY(WriteFile(dir.filePath(QString::fromLatin1(name)), "<p>x</p>"));
        // Complete as bash does: COMP_WORDS and COMP_CWORD set, the function called.
        const QString script = QStringLiteral(
            "source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _tessark; "
            "printf '%s\\n' \"${COMPREPLY[@]}\"");
        const Finished r = RunProcess(QStringLiteral("bash"),
                                      QStringList{"-c", script, "bash", kCompletion} + words, dir.path(),
                                      TestEnvironment(config_.path()));
        QCOMPARE(QString::fromUtf8(r.err), QString());
        QCOMPARE(r.exitCode, 0);
        QStringList got = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
        got.sort();
        offered.sort();
        QCOMPARE(got, offered);
    }

private:
    QTemporaryDir config_;
    QSet<QString> help_;      // listed by --help
    QSet<QString> accepted_;  // --no- forms that the program accepts without listing them
    QSet<QString> man_, completion_;
    QString version_;
};

QTEST_GUILESS_MAIN(TestDocumentation)
#include "test_documentation.moc"
