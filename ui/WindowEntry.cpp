// WindowEntry: the window part's one entry point. The window (this file,
// tessark_ui, tessark_controls and QtWidgets) is built as a module beside the
// program, which loads it only when the window opens, so that the command
// line never loads the GUI libraries. The entry's name and the module's file
// name come from ui/CMakeLists.txt, which gives the same ones to main/.
//
// Thread safety: call from the process's main thread, with no
// QCoreApplication alive; it builds the QApplication and runs its event loop.
#include <QApplication>
#include <QtGlobal>

#include "Startup.h"
#include "MainWindow.h"

// Opens the window and runs it until it closes (its unload handler saves the
// options); returns the exit status.
// argc must outlive the call: QApplication keeps a reference to it.
extern "C" Q_DECL_EXPORT int TESSARK_WINDOW_ENTRY(int* argc, char** argv) {
    QApplication app(*argc, argv);
    tessark::DesktopWindowHost window;
    tessark::startup::Main(window);
    return app.exec();
}
