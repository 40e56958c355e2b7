// Pages converted through GNU parallel, as docs/performance.md shows it:
// `find pages -name '*.html' | parallel ... tessark -o {.}.txt {}`, on this
// machine and on two stand-in machines, each a folder that a stand-in for ssh
// runs its commands in, so that each page is sent there, converted there,
// its text brought back and the copies cleaned away. Every text must be what
// tessark writes when run directly with the same options, and a page that
// fails must fail alone, with its message and the exit status.
#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ProcessTestSupport.h"

using namespace tessark::test;

namespace {

// Runs the command it is given on "the machine" HOST, the folder
// $STAND_IN_REMOTE/HOST, and notes each command in $STAND_IN_REMOTE/HOST.log.
// GNU parallel calls it as ssh [OPTION]... HOST [--] COMMAND, rsync as ssh
// HOST COMMAND. Like sshd it sets SHELL, which the job runner that GNU
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
const QStringList kPages{"a", "b", "c", "d", "e", "sub/f", "sub/g", "sub/page two"};  // .html under pages/

// GNU parallel 20221122 quotes a returned name for the remote shell, and
// rsync 3.2.4 and later quote it again unless told not to: a page name with
// a space needs RSYNC_OLD_ARGS=1 (docs/performance.md says so).
const char kSent[] = R"(RSYNC_OLD_ARGS=1 parallel --ssh "$STAND_IN_SSH" --sshlogin 1/hostA,1/hostB --trc {.}.txt)";
const char kFound[] = "find pages -name '*.html'";
const struct Run {
    const char *name, *pages, *parallel;
    bool remote, missingPage;
} kRuns[] = {
    {"this machine as the login", kFound, "parallel --sshlogin 2/:", false, false},
    {"two machines, pages sent and texts returned", kFound, kSent, true, false},
    {"two machines sharing the folder", R"(find "$PWD/pages" -name '*.html')",
     R"(parallel --ssh "$STAND_IN_SSH" --sshlogin 1/hostA,1/hostB)", true, false},
    {"a missing page on another machine fails alone", kFound, kSent, true, true},
};

}  // namespace

class TestParallel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {  // the texts of eight real pages, converted directly
        corpus_ = CorpusPages().mid(0, 8);
        QCOMPARE(corpus_.size(), 8);
        for (const QString& page : corpus_) {
            texts_ << RunProcess(TESSARK_PROGRAM, kOptions + QStringList{"-q", "-o", "-", page}, config_.path(),
                                 TestEnvironment(config_.path())).out;
            QVERIFY(!texts_.last().isEmpty());
        }
    }

    // Each row: the command that lists the pages, the command up to tessark
    // as a shell reads it, whether the stand-in machines must have done work,
    // and whether a page that does not exist is in the list.
    void convert_data() { TableRows(kRuns); }
    void convert() {
        QFETCH(int, row);
        const QString pages = kRuns[row].pages, parallel = kRuns[row].parallel;
        const bool remote = kRuns[row].remote, missingPage = kRuns[row].missingPage;
        for (const char* tool : {"parallel", "rsync"})
            if (QStandardPaths::findExecutable(tool).isEmpty()) QSKIP(qPrintable(QString(tool) + " is not installed (scripts/deps.sh installs it)"));
        QTemporaryDir dir;
        const auto path = [&](const QString& name) { return dir.filePath(name); };
        for (const char* folder : {"bin", "pages/sub", "config", "home", "parallel-home", "remote"}) QVERIFY(QDir(dir.path()).mkpath(folder));
        QVERIFY(QFile::link(TESSARK_PROGRAM, path("bin/tessark")));  // "tessark" on the PATH, here and there
        QVERIFY(WriteFile(path("bin/stand-in-ssh"), kStandInSsh) && QFile::setPermissions(path("bin/stand-in-ssh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        for (qsizetype i = 0; i < kPages.size(); ++i) QVERIFY(QFile::copy(corpus_[i], path("pages/" + kPages[i] + ".html")));
        QProcessEnvironment env = TestEnvironment(path("config"));
        env.insert("PATH", path("bin") + ':' + env.value("PATH"));
        env.insert("HOME", path("home"));
        env.insert("PARALLEL_HOME", path("parallel-home"));
        env.insert("PARALLEL", "--will-cite");  // no notice to cite it
        env.insert("STAND_IN_SSH", path("bin/stand-in-ssh"));
        env.insert("STAND_IN_REMOTE", path("remote"));

        const QString list = missingPage ? QString("{ %1; echo pages/missing.html; }").arg(pages) : pages;
        const Finished r = RunProcess("bash", {"-c", list + " | " + parallel + " tessark -q " + kOptions.join(' ') + " -o {.}.txt {}"},
                                      dir.path(), env);
        // GNU parallel's exit status is the number of jobs that failed.
        QVERIFY2(r.exitCode == (missingPage ? 1 : 0), r.err.constData());
        QCOMPARE(r.err.contains("tessark: pages/missing.html: Input file is missing"), missingPage);
        QVERIFY2(r.err.count("tessark:") == (missingPage ? 1 : 0), r.err.constData());
        for (qsizetype i = 0; i < kPages.size(); ++i) QVERIFY2(ReadFile(path("pages/" + kPages[i] + ".txt")) == texts_[i], qPrintable(kPages[i]));
        QStringList written;  // nothing else beside the pages
        for (QDirIterator it(path("pages"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) written << it.next();
        QCOMPARE(written.size(), 2 * kPages.size());
        for (const QString machine : {"hostA", "hostB"}) {
            if (!remote) break;
            const QString log = ReadFile(path("remote/" + machine + ".log"));
            QVERIFY2(log.contains("GNU_Parallel_worker"), "no job ran on the machine");
            if (!parallel.contains("--trc")) continue;
            QVERIFY2(log.contains("rsync --server ") && log.contains("rsync --server --sender "), "no page went there or no text came back");
            QCOMPARE(QDir(path("remote/" + machine)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});  // cleaned away
        }
    }

private:
    QTemporaryDir config_;
    QStringList corpus_;
    QList<QByteArray> texts_;
};

QTEST_GUILESS_MAIN(TestParallel)
#include "test_parallel.moc"
