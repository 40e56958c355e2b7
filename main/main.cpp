// tessark: converts an HTML page to plain text.
//
//   tessark                 opens the window.
//   tessark IN OUT          the classic form: no argument begins with "-";
//                           converts IN into OUT with the saved options.
//   tessark [OPTION]... [INPUT]...
//                           the modern form: any argument begins with "-"
//                           (an option, "-" for standard input, "--").
// This file only chooses; the forms live in app/ (classic) and cli/ (modern).
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "ModernCommandLine.h"
#include "basMain.h"

#ifdef TESSARK_HAS_WINDOW
#include <QApplication>

#include "frmMain.h"
#endif

int main(int argc, char** argv) {
    bool modern = false;
    for (int i = 1; i < argc; ++i) modern = modern || argv[i][0] == '-';
    if (modern) {
        QCoreApplication app(argc, argv);
        return tessark::cli::Run(QCoreApplication::arguments());
    }
    if (argc > 1) {
        // Batch mode needs no display: a core application is enough.
        QCoreApplication app(argc, argv);
        QStringList words;
        for (int i = 1; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
        tessark::HeadlessWindow window;
        tessark::basMain::Main(words, window);
        return 0;  // not reached: ShutDown ends the process
    }
#ifdef TESSARK_HAS_WINDOW
    QApplication app(argc, argv);
    tessark::frmMainHost window;
    tessark::basMain::Main({}, window);
    return app.exec();
#else
    std::fputs("usage: tessark INPUT OUTPUT, or tessark --help\n", stderr);
    return 2;
#endif
}
