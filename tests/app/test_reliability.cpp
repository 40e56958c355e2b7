// The real program under stress, in batch mode: killed with SIGKILL at random
// moments while it converts a large page onto an existing output (afterwards
// the output is the complete old or the complete new file, and nothing else
// is left beside it); large pages of a known result, of NUL bytes and after
// an unclosed "<script"; binary files as input (converted, or refused with
// one line; never a crash). The fast tier runs a few kills on 40 MB and
// pages of a few MB; the nightly tier 20 kills on 200 MB and pages of 160 MB
// (TESSARK_RELIABILITY_BIG_MB sets the first page's size).
//
// The program is TESSARK_PROGRAM (this build's) unless the environment names
// another in TESSARK_RELIABILITY_PROGRAM (scripts/fuzz-nightly.sh).
#include <signal.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "AppTestSupport.h"
#include "Tier.h"

using namespace tessark::test;

namespace {

QString Program() {
    const QString chosen = qEnvironmentVariable("TESSARK_RELIABILITY_PROGRAM");
    return chosen.isEmpty() ? QStringLiteral(TESSARK_PROGRAM) : chosen;
}

// Writes `head`, then `unit` until the file holds `bytes` bytes or more, in
// pieces of about 8 MB; returns how many units.
qint64 WriteRepeated(const QString& path, const QByteArray& head, const QByteArray& unit, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size()) return -1;
    const qint64 perPiece = std::max<qint64>(1, std::min<qint64>(8 << 20, bytes) / unit.size());
    const QByteArray piece = unit.repeated(perPiece);
    qint64 units = 0;
    for (; f.size() < bytes; units += perPiece)
        if (f.write(piece) != piece.size()) return -1;
    return units;
}

// True when the file is `head`, then `unit` `count` times, less its last
// `trim` bytes; compared piece by piece.
bool IsRepeated(const QString& path, const QByteArray& head, const QByteArray& unit, qint64 count, qint64 trim) {
    QFile f(path);
    const qint64 size = head.size() + unit.size() * count - trim;
    if (!f.open(QIODevice::ReadOnly) || f.size() != size || f.read(head.size()) != head) return false;
    const QByteArray piece = unit.repeated(std::max<qint64>(1, (8 << 20) / unit.size()));
    for (qint64 at = head.size(); at < size;) {
        const QByteArray got = f.read(std::min<qint64>(piece.size(), size - at));
        if (got.isEmpty() || got != piece.left(got.size())) return false;
        at += got.size();
    }
    return true;
}

// A large page of `head`, then `unit` repeated; its text `headOut`, then
// `unitOut` repeated, less `trim` bytes; megabytes in the fast and nightly
// tiers (TESSARK_RELIABILITY_BIG_MB sets the first's).
const struct BigPage {
    const char* name;
    QByteArray head, unit, headOut, unitOut;
    int trim;
    qint64 fast, nightly;
} kBigPages[] = {
    {"units", {}, "<p>word &amp; more</p>\n<script>x</script>\n", {}, "word & more ", 1, 6, 160},
    {"NUL bytes", {}, QByteArray(1, '\0'), {}, QByteArray(1, '\0'), 0, 2, 48},
    {"unclosed <script", "intro <script", "prose <b>and</b> more &amp; prose\n", "intro and more & prose prose ",
     "and more & prose prose ", 7, 3, 100},
};

}  // namespace

class TestReliability : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        config_ = std::make_unique<QTemporaryDir>();  // no settings: the classic options on
        QVERIFY(QFileInfo(Program()).isExecutable());
    }

    // SIGKILL before, during and after the write of the output, half the
    // moments in the last third of a run. The old output is another text,
    // so that each outcome is told apart; the seed is printed.
    void killedMidConversion() {
        QVERIFY(WriteRepeated(Path("page.html"), {}, WholeCorpus(), (Nightly() ? 200 : 40) << 20) > 0);
        const QByteArray old = QByteArray("the old output, kept whole\r\n").repeated(1000);
        WriteFile(Path("out.txt"), old);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Start(Path("page.html"), -1).exitCode(), 0);
        const qint64 runMs = clock.elapsed();
        const QByteArray fresh = ReadFile(Path("out.txt"));
        QVERIFY(fresh.size() > 1000 && fresh != old);
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("kill moments from seed %u, one run takes %lld ms", seed, runMs);
        QRandomGenerator random(seed);
        for (int i = 0; i < (Nightly() ? 20 : 4); ++i) {
            WriteFile(Path("out.txt"), old);
            const qint64 from = i % 2 ? runMs * 2 / 3 : 0;
            const qint64 at = from + qint64(random.bounded(quint32(runMs * 11 / 10 - from + 1)));
            Start(Path("page.html"), at);
            const QByteArray now = ReadFile(Path("out.txt"));
            QVERIFY2(now == old || now == fresh, qPrintable(QString("killed at %1 ms: %2 bytes").arg(at).arg(now.size())));
            // The commit links the finished text under a temporary name and
            // renames it over the output, and no system call does both: a
            // kill between the two leaves the complete new text beside the
            // old output. Anything else left is a fault.
            QStringList left = FilesIn(dir_->path());
            for (const QString& name : FilesIn(dir_->path()))
                if (QRegularExpression(R"(^out\.txt\.\w{6}$)").match(name).hasMatch() && now == old &&
                    ReadFile(Path(name)) == fresh && QFile::remove(Path(name)))
                    left.removeOne(name);
            QCOMPARE(left.join(' '), QStringLiteral("out.txt page.html"));
        }
    }

    // Large pages whose result is known: `head` and `unit` repeated give
    // `headOut` and `unitOut` repeated (less the head's units), less `trim`.
    void bigPage_data() { TableRows(kBigPages); }
    void bigPage() {
        QFETCH(int, row);
        const BigPage& r = kBigPages[row];
        const qint64 big = qEnvironmentVariableIntValue("TESSARK_RELIABILITY_BIG_MB");
        const qint64 units = WriteRepeated(Path("big.html"), r.head, r.unit, (row == 0 && big > 0 ? big : Nightly() ? r.nightly : r.fast) << 20);
        QVERIFY(units > 0);
        QCOMPARE(Start(Path("big.html"), -1).exitStatus(), QProcess::NormalExit);
        QFile::remove(Path("big.html"));
        QVERIFY(IsRepeated(Path("out.txt"), r.headOut, r.unitOut, r.head.isEmpty() ? units : units - 1, r.trim));
    }

    // Binary files: the program itself, an image, random bytes. Converted
    // (exit status 0, an output written) or refused with one line (1).
    void binaryInputs() {
        QByteArray bytes(4 << 20, '\0');
        QRandomGenerator(20261207).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        WriteFile(Path("random.bin"), bytes);
        for (const QString& input : {Program(), QStringLiteral(TESSARK_SOURCE_DIR "/ui/images/icon.png"), Path("random.bin")}) {
            QVERIFY2(QFileInfo(input).isFile(), qPrintable(input));
            WriteFile(Path("out.txt"), "old");
            QProcess& p = Start(input, -1);
            const QByteArray err = p.readAllStandardError();
            QVERIFY2(p.exitStatus() == QProcess::NormalExit && (p.exitCode() == 0) == err.isEmpty(), qPrintable(input));
            QCOMPARE(ReadFile(Path("out.txt")) == "old", p.exitCode() == 1);
            if (p.exitCode() != 0) QVERIFY(p.exitCode() == 1 && err.endsWith('\n') && err.count('\n') == 1);
        }
    }

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }

    // Runs the program on `input` to out.txt; with killAfterMs >= 0 it is
    // killed with SIGKILL that long after it started, if still running.
    QProcess& Start(const QString& input, qint64 killAfterMs) {
        process_ = std::make_unique<QProcess>();
        process_->setProcessEnvironment(TestEnvironment(config_->path()));
        process_->start(Program(), {input, Path("out.txt")});
        if (process_->waitForStarted(30000) && killAfterMs >= 0 && !process_->waitForFinished(int(killAfterMs)))
            ::kill(pid_t(process_->processId()), SIGKILL);
        process_->waitForFinished(-1);
        return *process_;
    }

    std::unique_ptr<QTemporaryDir> dir_, config_;
    std::unique_ptr<QProcess> process_;
};

QTEST_GUILESS_MAIN(TestReliability)
#include "test_reliability.moc"
