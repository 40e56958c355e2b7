// command-demo: the five buttons of the main window's right-hand column, at
// their sizes, on the window's blue.
//
//   command-demo            live buttons: hover, press, Tab, Space; each Click
//                           prints the button's caption
//   command-demo --states   one button in each state (Normal, HighLight,
//                           HighLightSelect, Selected, Disabled), frozen: hover
//                           polling is not started, so the looks stay
#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextStream>
#include <QWidget>
#include <cstdio>
#include <vector>

#include "SkinnedButton.h"
#include "DesignFont.h"

namespace {

struct Design {
    const char* caption;
    int left, top, width, height;  // twips, as on the main window
};

constexpr Design kButtons[] = {
    {"Select Input File", 4590, 120, 2115, 525},
    {"Select Output File", 4590, 720, 2115, 525},
    {"Remove HTML", 4590, 1440, 2115, 765},
    {"Readme.txt", 4620, 2400, 2085, 495},
    {"Visit Website", 4620, 2970, 2085, 525},
};

constexpr int kTwips = tessark::SkinnedButton::kTwipsPerPixel;
constexpr int kColumnLeft = 4590 - 150;  // the column, moved to the demo's left edge

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool frozen = app.arguments().contains(QStringLiteral("--states"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Command buttons"));
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(102, 175, 230));
    window.setPalette(palette);
    window.setFixedSize((6810 - kColumnLeft) / kTwips - 4, 3930 / kTwips);

    std::vector<tessark::SkinnedButton*> buttons;
    for (const Design& d : kButtons) {
        auto* button = new tessark::SkinnedButton(&window);
        button->setGeometry((d.left - kColumnLeft) / kTwips, d.top / kTwips, d.width / kTwips, d.height / kTwips);
        tessark::MemoryPropertyBag design({{QStringLiteral("Caption"), QString::fromLatin1(d.caption)},
                                           {QStringLiteral("Font"),
                                            tessark::DesignFont(QStringLiteral("MS Sans Serif"), 8.25).toString()}});
        button->ReadProperties(design);
        QObject::connect(button, &tessark::SkinnedButton::Click, [button] {
            QTextStream(stdout) << "Click: " << button->Caption() << Qt::endl;
        });
        buttons.push_back(button);
    }

    window.show();
    // Showing delivers the first resize, which repaints every button in its
    // resting look; the states are set after that.
    QCoreApplication::processEvents();
    if (frozen) {
        // HighLight: the cursor came over it.
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), buttons[1]->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(buttons[1], &move);
        // HighLightSelect: pressed with the keyboard.
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(buttons[2], &space);
        // Selected: it has the focus.
        buttons[3]->setFocus();
        QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(buttons[3], &focusIn);
        // Disabled.
        buttons[4]->SetEnabled(0);
    } else {
        for (tessark::SkinnedButton* button : buttons) button->Initialize();
    }
    return app.exec();
}
