// tessark: converts an HTML page to plain text.
//
//   tessark                 opens the window.
//   tessark IN OUT          the classic form: no argument begins with "-";
//                           converts IN into OUT with the saved options.
//   tessark [OPTION]... [INPUT]...
//                           the modern form: any argument begins with "-"
//                           (an option, "-" for standard input, "--").
//   tessark < PAGE          with no argument and a pipe or a file as standard
//                           input: a filter, as "tessark -" is.
// This file only chooses; the forms live in app/ (classic) and cli/ (modern),
// the window in the module tessark_window (ui/WindowEntry.cpp), which is
// loaded from the program's folder only when the window opens: the command
// line never loads the GUI libraries.
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#if defined(__unix__) || defined(__APPLE__)
#include <dlfcn.h>
#include <sys/stat.h>
#define TESSARK_POSIX 1
#else
#include <QLibrary>
#endif

#include "ModernCommandLine.h"
#include "Startup.h"

namespace {

// True when standard input brings data (a pipe, a file), not a terminal or a
// device such as /dev/null, which is how desktops start programs.
bool StandardInputIsData() {
#ifdef TESSARK_POSIX
    struct stat info {};
    return fstat(0, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISREG(info.st_mode) || S_ISSOCK(info.st_mode));
#else
    return false;
#endif
}

// False where the window certainly cannot open: an X11 or Wayland system
// with neither display named and no other platform chosen.
bool HasDisplay() {
#if defined(TESSARK_POSIX) && !defined(__APPLE__)
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

#ifdef TESSARK_WINDOW_MODULE
// Loads the window part from the program's folder and runs the window; a part
// that is missing or cannot load ends the program with status 2, with the
// loader's reason (dlopen's own: QLibrary would name the last file name it
// guessed instead).
int OpenWindow(int& argc, char** argv) {
    using Entry = int (*)(int*, char**);
    const QString path = tessark::startup::ProgramFolder() + QStringLiteral(TESSARK_WINDOW_MODULE);
#ifdef TESSARK_POSIX
    void* part = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = reinterpret_cast<Entry>(part ? dlsym(part, TESSARK_WINDOW_ENTRY) : nullptr);
    const QString reason = QString::fromLocal8Bit(entry ? "" : dlerror());
#else
    QLibrary part(path);
    const auto entry = reinterpret_cast<Entry>(part.resolve(TESSARK_WINDOW_ENTRY));
    const QString reason = part.errorString();
#endif
    if (entry == nullptr) {
        std::fprintf(stderr, "tessark: cannot open the window: %s\n", qPrintable(reason));
        return 2;
    }
    return entry(&argc, argv);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const tessark::cli::StandardStreams streams = tessark::cli::StandardStreams::Probe();
    bool modern = false;
    for (int i = 1; i < argc; ++i) modern = modern || argv[i][0] == '-';
    if (argc == 1 && StandardInputIsData()) modern = true;
    if (!modern && argc > 3) {
        // The classic form reads two arguments; more would lose pages.
        std::fprintf(stderr,
                     "tessark: the classic form converts one page: tessark INPUT OUTPUT (%d arguments given)\n"
                     "To convert several pages: tessark -d FOLDER PAGE...\n"
                     "Try 'tessark --help' for more information.\n",
                     argc - 1);
        return 2;
    }
    if (modern) {
        QCoreApplication app(argc, argv);
        return tessark::cli::Run(QCoreApplication::arguments(), streams);
    }
    if (argc > 1) {
        // Batch mode needs no display: a core application is enough.
        QCoreApplication app(argc, argv);
        QStringList words;
        for (int i = 1; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
        tessark::DiskFileSystem disk;
        return tessark::startup::RunBatch(words, disk);
    }
    if (!HasDisplay()) {
        std::fputs("tessark: no display to open the window on.\n"
                   "To convert from the command line: tessark INPUT OUTPUT, or tessark [OPTION]... [INPUT]...\n"
                   "Try 'tessark --help' for more information.\n",
                   stderr);
        return 2;
    }
#ifdef TESSARK_WINDOW_MODULE
    return OpenWindow(argc, argv);
#else
    std::fputs("usage: tessark INPUT OUTPUT, or tessark --help\n", stderr);
    return 2;
#endif
}
