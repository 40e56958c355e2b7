// Helpers for the tests of what ships beside the program: running a process
// to its end with a given environment, and whole-file reads and writes.
// Used from the test's main thread only.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace tessark::test {

struct Finished {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool finished = false;  // false: did not start or ran past the time limit
};

// Runs `program` with `args` in `folder` and waits up to `seconds` for it to end.
inline Finished RunProcess(const QString& program, const QStringList& args, const QString& folder,
                           const QProcessEnvironment& env, int seconds = 300) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessEnvironment(env);
    p.start(program, args);
    Finished result;
    result.finished = p.waitForFinished(seconds * 1000);
    if (!result.finished) {
        p.kill();
        p.waitForFinished();
    }
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    return result;
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

inline bool WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The environment of a test run: the settings in `configFolder`, no display.
inline QProcessEnvironment TestEnvironment(const QString& configFolder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

}  // namespace tessark::test
