// tessark: converts an HTML page to plain text.
//
//   tessark IN OUT   converts IN into OUT with the saved options; no window.
//   tessark          opens the window.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "basMain.h"

#ifdef TESSARK_HAS_WINDOW
#include <QApplication>

#include "frmMain.h"
#endif

int main(int argc, char** argv) {
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
    std::fputs("usage: tessark INPUT OUTPUT\n", stderr);
    return 2;
#endif
}
