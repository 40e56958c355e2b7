// ModernCommandLine: the modern form of the command line,
//
//   tessark [OPTION]... [INPUT]...
//
// parsed with QCommandLineParser (GNU conventions: options anywhere, "--"
// ends them, "-" alone is standard input). Relative paths are relative to
// the current folder. Inputs are converted on a thread pool (-j), each by
// ConvertOne with an option set of this run; text for standard output comes
// out in input order. The settings store is only read, unless --save.
//
// Exit status: 0 when every input was converted, 1 when any failed (one line
// "tessark: PATH: MESSAGE" on standard error for each), 2 for a usage error
// (one line and a hint to --help).
//
// Thread safety: Run is called once, from the main thread, with a
// QCoreApplication in place; it starts and joins its own worker threads.
#pragma once

#include <QStringList>

namespace tessark {
class FileSystem;
}

namespace tessark::cli {

inline constexpr int kExitConverted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Which standard streams the process was started without (">&-", "<&-").
// Probe before anything opens a file, which would take the free number.
struct StandardStreams {
    bool inputClosed = false;
    bool outputClosed = false;
    static StandardStreams Probe();
};

// `arguments` as QCoreApplication::arguments() gives them (the program's name
// first). Returns the exit status.
int Run(const QStringList& arguments, const StandardStreams& streams = StandardStreams::Probe());
// The same over the given disk, which serves every input and output (from
// several threads at once with -j); tests pass one that fails on command.
int Run(const QStringList& arguments, FileSystem& disk, const StandardStreams& streams = {});

// "tessark 1.0 Build 20"
QString VersionText();

// True when both paths name the same existing file (also through links).
bool SameFile(const QString& a, const QString& b);

}  // namespace tessark::cli
