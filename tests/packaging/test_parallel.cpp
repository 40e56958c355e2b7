// A collection of pages converted through GNU parallel, as the README shows
// it: `find pages -name '*.html' | parallel ... tessark -o {.}.txt {}`, on
// this machine and on two stand-in machines, each a folder that a stand-in
// for ssh runs its commands in, so that each page is sent there, converted
// there, its text brought back and the copies cleaned away. Every text must
// be what tessark writes when run directly with the same options, and a page
// that fails must fail alone, with its message and the exit status.
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ProcessTestSupport.h"

using namespace tessark::test;

namespace {

// Runs the command it is given on "the machine" HOST, which is the folder
// $STAND_IN_REMOTE/HOST, and notes each command in $STAND_IN_REMOTE/HOST.log.
// GNU parallel calls it as ssh [OPTION]... HOST [--] COMMAND, and rsync as
// ssh HOST COMMAND. Like sshd it sets SHELL, which the job runner that GNU
// parallel sends there reads: without it every job there "succeeds" without
// running (as it would here under a CI runner that leaves SHELL unset).
constexpr char kStandInSsh[] = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in -*) shift ;; *) break ;; esac; done
host=$1
shift
[ "$1" = "--" ] && shift
SHELL=/bin/sh
export SHELL
printf '%s\n' "$*" >>"$STAND_IN_REMOTE/$host.log"
mkdir -p "$STAND_IN_REMOTE/$host" && cd "$STAND_IN_REMOTE/$host" && exec sh -c "$*"
)";

// Options that differ from a new user's saved ones (all on), so that the
// texts show that they reached every job.
const QStringList kOptions{"--all", "--no-remove-all-crlf", "--no-generate-special-chars"};

}  // namespace

class TestParallel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        pages_.clear();
        QDir root(dir_->path());
        for (const char* folder : {"bin", "pages/sub", "config", "home", "parallel-home", "remote"})
            QVERIFY(root.mkpath(QString::fromLatin1(folder)));
        // The program as "tessark" on the PATH, here and on the stand-in machines.
        QVERIFY(QFile::link(QStringLiteral(TESSARK_PROGRAM), Path("bin/tessark")));
        QVERIFY(WriteFile(Path("bin/stand-in-ssh"), kStandInSsh));
        QVERIFY(QFile::setPermissions(Path("bin/stand-in-ssh"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        // Eight real pages, some in a sub-folder, one name with a space.
        QStringList corpus = QDir(QStringLiteral(TESSARK_TEST_DATA "/corpus"))
                                 .entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        QVERIFY(corpus.size() >= 8);
        const QStringList names{"a.html", "b.html", "c.html", "d.html", "e.html",
                                "sub/f.html", "sub/g.html", "sub/page two.html"};
        for (int i = 0; i < names.size(); ++i) {
            pages_ << QStringLiteral("pages/") + names[i];
            QVERIFY(QFile::copy(QStringLiteral(TESSARK_TEST_DATA "/corpus/") + corpus[i], Path(pages_.last())));
        }
    }

    void convert_data() {
        QTest::addColumn<QString>("pages");         // the command that lists the pages
        QTest::addColumn<QString>("parallel");      // the command up to tessark, as a shell reads it
        QTest::addColumn<QStringList>("machines");  // stand-in machines that must have done work
        QTest::addColumn<bool>("missingPage");      // a page that does not exist is in the list
        const QString relative = QStringLiteral("find pages -name '*.html'");
        const QString absolute = QStringLiteral("find \"$PWD/pages\" -name '*.html'");
        // GNU parallel 20221122 quotes a returned name for the remote shell,
        // and rsync 3.2.4 and later quote it again unless told not to: a
        // page name with a space needs RSYNC_OLD_ARGS=1 (the README says so).
        const QString sent = QStringLiteral(
            "RSYNC_OLD_ARGS=1 parallel --ssh \"$STAND_IN_SSH\" --sshlogin 1/hostA,1/hostB --trc {.}.txt");
        const QString shared = QStringLiteral("parallel --ssh \"$STAND_IN_SSH\" --sshlogin 1/hostA,1/hostB");
        const QStringList two{"hostA", "hostB"};
        QTest::newRow("this machine, two jobs") << relative << "parallel -j2" << QStringList{} << false;
        QTest::newRow("this machine as the login") << relative << "parallel --sshlogin 2/:" << QStringList{} << false;
        QTest::newRow("two machines, pages sent and texts returned") << relative << sent << two << false;
        QTest::newRow("two machines sharing the folder") << absolute << shared << two << false;
        QTest::newRow("a missing page fails alone") << relative << "parallel -j2" << QStringList{} << true;
        QTest::newRow("a missing page on another machine fails alone") << relative << sent << two << true;
    }
    void convert() {
        QFETCH(QString, pages);
        QFETCH(QString, parallel);
        QFETCH(QStringList, machines);
        QFETCH(bool, missingPage);
        if (QStandardPaths::findExecutable(QStringLiteral("parallel")).isEmpty())
            QSKIP("GNU parallel is not installed (scripts/deps.sh installs it)");
        if (!machines.isEmpty() && QStandardPaths::findExecutable(QStringLiteral("rsync")).isEmpty())
            QSKIP("rsync, which GNU parallel sends files with, is not installed (scripts/deps.sh installs it)");

        const QString list = missingPage ? QStringLiteral("{ %1; echo pages/missing.html; }").arg(pages) : pages;
        const QString command = list + QStringLiteral(" | ") + parallel + QStringLiteral(" tessark -q ") +
                                kOptions.join(u' ') + QStringLiteral(" -o {.}.txt {}");
        const Finished r = RunProcess(QStringLiteral("bash"), {"-c", command}, dir_->path(), Environment());
        QVERIFY2(r.finished, r.err.constData());
        // GNU parallel's exit status is the number of jobs that failed.
        QVERIFY2(r.exitCode == (missingPage ? 1 : 0), r.err.constData());
        if (missingPage) {
            QVERIFY2(r.err.contains("tessark: pages/missing.html: Input file is missing"), r.err.constData());
            QVERIFY(!QFile::exists(Path("pages/missing.txt")));
        } else {
            QVERIFY2(!r.err.contains("tessark:"), r.err.constData());
        }

        // Each text is exactly what the program writes when run directly.
        for (const QString& page : pages_) {
            const Finished direct = RunProcess(Path("bin/tessark"), kOptions + QStringList{"-q", "-o", "-", page},
                                               dir_->path(), Environment());
            QCOMPARE(direct.exitCode, 0);
            QVERIFY(!direct.out.isEmpty());
            const QString text = page.chopped(QStringLiteral(".html").size()) + QStringLiteral(".txt");
            QVERIFY2(ReadFile(Path(text)) == direct.out, qPrintable(text));
        }
        // Nothing else was written beside the pages.
        QStringList written;
        for (QDirIterator it(Path("pages"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            written << it.next();
        QCOMPARE(written.size(), 2 * pages_.size());

        for (const QString& machine : machines) {
            const QString log = QString::fromUtf8(ReadFile(Path("remote/" + machine + ".log")));
            QVERIFY2(log.contains(QStringLiteral("GNU_Parallel_worker")), "no job ran on the machine");
            if (!parallel.contains(QStringLiteral("--trc"))) continue;
            QVERIFY2(log.contains(QStringLiteral("rsync --server ")), "no page was sent to the machine");
            QVERIFY2(log.contains(QStringLiteral("rsync --server --sender ")), "no text came back from the machine");
            // The copies there were cleaned away.
            QCOMPARE(QDir(Path("remote/" + machine)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{});
        }
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = TestEnvironment(Path("config"));
        env.insert(QStringLiteral("PATH"), Path("bin") + u':' + env.value(QStringLiteral("PATH")));
        env.insert(QStringLiteral("HOME"), Path("home"));
        env.insert(QStringLiteral("PARALLEL_HOME"), Path("parallel-home"));
        env.insert(QStringLiteral("PARALLEL"), QStringLiteral("--will-cite"));  // no notice to cite it
        env.insert(QStringLiteral("STAND_IN_SSH"), Path("bin/stand-in-ssh"));
        env.insert(QStringLiteral("STAND_IN_REMOTE"), Path("remote"));
        return env;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList pages_;  // relative to the temporary folder
};

QTEST_GUILESS_MAIN(TestParallel)
#include "test_parallel.moc"
