// Helpers for the tests that run programs or touch files: running a process
// to its end with a given environment and standard input, whole-file reads
// and writes (the one pair every test folder uses), the corpus pages, and Qt
// Test rows from a table. Used from the test's main thread only.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

namespace tessark::test {

struct Finished {
    int exitCode = -1;  // -1: did not start, crashed or ran past the time limit
    QByteArray out, err;
};

// Runs `program` with `args` in `folder`, `input` on its standard input, and
// waits up to `seconds` for it to end.
inline Finished RunProcess(const QString& program, const QStringList& args, const QString& folder,
                           const QProcessEnvironment& env, int seconds = 300, const QByteArray& input = {}) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(seconds * 1000) && p.exitStatus() == QProcess::NormalExit;
    if (p.state() != QProcess::NotRunning) p.kill(), p.waitForFinished();
    return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

// The whole file; "<missing>" when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Replaces the file with `data`; false, with a warning naming it, when it could not.
inline bool WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    const bool written = f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    if (!written) qWarning("cannot write %s", qPrintable(path));
    return written;
}

// The environment of a test run: the settings in `configFolder`, no display.
inline QProcessEnvironment TestEnvironment(const QString& configFolder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

// The corpus pages (tests/data/corpus), by name; `whole`: all of them, one
// after another.
inline QStringList CorpusPages() {
    const QDir corpus(QStringLiteral(TESSARK_TEST_DATA "/corpus"));
    QStringList paths;
    for (const QString& name : corpus.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) paths << corpus.filePath(name);
    return paths;
}
inline QByteArray WholeCorpus() {
    QByteArray whole;
    for (const QString& path : CorpusPages()) whole += ReadFile(path);
    return whole;
}

// One Qt Test row per entry of a table whose entries have a `name`: the
// column "row" holds its index (QFETCH(int, row), then rows[row]).
template <class Row, std::size_t N>
void TableRows(const Row (&rows)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i) QTest::newRow(rows[i].name) << static_cast<int>(i);
}

}  // namespace tessark::test
