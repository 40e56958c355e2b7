// The button's state machine and its painting: the transition table as
// event sequences, and pixels of painted buttons.
#include <QApplication>
#include <array>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "Command.h"

using namespace tessark;

Q_DECLARE_METATYPE(tessark::StateImage)

namespace tessark {
struct CommandTestAccess {
    static void SetState(Command& c, std::uint8_t s) { c.ButtonState = s; }
    static Boolean MouseDownFlag(const Command& c) { return c.MouseDownFlag; }
    static void SetMouseDownFlag(Command& c, Boolean v) { c.MouseDownFlag = v; }
    static void SetEnabledValue(Command& c, Boolean v) { c.EnabledValue = v; }
    static Boolean GradientReversed(const Command& c) { return c.GradientReversed; }
    static void SetGradientReversed(Command& c, Boolean v) { c.GradientReversed = v; }
    static void Paint(Command& c, StateImage image) { c.PaintState(image); }
    static void Tick(Command& c) { c.OnTimerTick(); }
    static void GotFocus(Command& c) { c.OnGotFocus(); }
    static void LostFocus(Command& c) { c.OnLostFocus(); }
    static void AccessKey(Command& c) { c.OnAccessKeyPress(0); }
    static int CaptionTop(const Command& c) { return c.lastCaptionTop_; }
    static int ScaleMode(const Command& c) { return c.scaleMode_; }
    static void SetScaleMode(Command& c, int mode) { c.scaleMode_ = mode; }
    static void FillGradient(Command& c) { c.FillGradient(); }
    static bool LinesVisible(const Command& c) { return c.LeftLine.Visible && c.BottomLine.Visible; }
};
}  // namespace tessark

namespace {

// Places the cursor for the hover poll: over `under`, whatever that is.
class FakeCursor final : public CursorProbe {
public:
    QPoint Pos() const override { return {}; }
    QWidget* WidgetAt(const QPoint&) const override { return under; }
    QWidget* under = nullptr;
};

QString Hex(QRgb c) { return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(); }

QRgb Rgb(const char* hex) { return QColor(QString::fromLatin1(hex)).rgb(); }

// The host of every test: a container with one button and one other widget.
struct Fixture {
    Fixture() : button(&container), other(&container) {
        container.resize(300, 120);
        button.setGeometry(10, 10, 141, 35);
        other.setGeometry(200, 10, 50, 50);
        Command::SetCursorProbe(&cursor);
    }
    ~Fixture() { Command::SetCursorProbe(nullptr); }
    QWidget container;
    Command button;
    QWidget other;
    FakeCursor cursor;
};

}  // namespace

class CommandTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transitions_data();
    void transitions();
    void realMouseEvents_data();
    void realMouseEvents();
    void tabGivesFocus();
    void keyboardDeliversAccessKey_data();
    void keyboardDeliversAccessKey();
    void altShortcutClicks();
    void initializeStartsPolling();
    void gradientRows_data();
    void gradientRows();
    void ringColours_data();
    void ringColours();
    void stretchedEdges();
    void focusLines_data();
    void focusLines();
    void captionPlacement_data();
    void captionPlacement();
    void accessKeys_data();
    void accessKeys();
    void disabledPaint();
    void gradientKeptInHighLightSelect_data();
    void gradientKeptInHighLightSelect();
    void captionWraps();
    void captionUnderlinesAccessKey();
    void captionSubstitutesUnmappable();
    void redrawKeepsFocusLook();
};

// Each row starts a button in a state and feeds it a sequence of
// notifications; then the state, the images painted in order and the clicks.
// Notifications: move, down/up with L R M, focus, blur, key, tick (cursor
// elsewhere), tickover (cursor on the button), tickhost (cursor on the
// container), disable (EnabledValue cleared behind the button's back).
void CommandTest::transitions_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("painted");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("mouseDown");
    using B = ButtonStates;
    QTest::newRow("hover onto idle") << +B::Normal << "move" << +B::HighLight << "HighLight" << 0 << false;
    QTest::newRow("hover then away") << +B::Normal << "move tick" << +B::Normal << "HighLight Normal" << 0 << false;
    QTest::newRow("move while hovered paints nothing") << +B::HighLight << "move" << +B::HighLight << "" << 0 << false;
    QTest::newRow("focused under cursor") << +B::Selected << "move tick" << +B::Selected
                                          << "HighLightSelect Selected" << 0 << false;
    QTest::newRow("typical click") << +B::Normal << "move focus downL upL" << +B::HighLightSelect
                                   << "HighLight Pressed Pressed HighLightSelect" << 1 << false;
    QTest::newRow("click then leave") << +B::Normal << "move focus downL upL tick" << +B::Selected
                                      << "HighLight Pressed Pressed HighLightSelect Selected" << 1 << false;
    QTest::newRow("press dragged off") << +B::Normal << "move focus downL tick upL" << +B::Selected
                                       << "HighLight Pressed Pressed Selected" << 0 << false;
    QTest::newRow("dragged off and back") << +B::Normal << "move focus downL tick move upL move" << +B::HighLightSelect
                                          << "HighLight Pressed Pressed Selected HighLightSelect" << 0 << false;
    QTest::newRow("release outside before a tick") << +B::Normal << "move focus downL upL" << +B::HighLightSelect
                                                   << "HighLight Pressed Pressed HighLightSelect" << 1 << false;
    QTest::newRow("press held") << +B::HighLight << "downL" << +B::HighLight << "Pressed" << 0 << true;
    QTest::newRow("left release on hovered") << +B::HighLight << "upL" << +B::HighLight << "Normal" << 1 << false;
    QTest::newRow("left release in Normal") << +B::Normal << "upL" << +B::Normal << "" << 1 << false;
    QTest::newRow("left release in Selected") << +B::Selected << "upL" << +B::Selected << "" << 0 << false;
    QTest::newRow("right release on hovered") << +B::HighLight << "downR upR" << +B::HighLight << "" << 1 << false;
    QTest::newRow("middle release on hovered") << +B::HighLight << "downM upM" << +B::HighLight << "" << 1 << false;
    QTest::newRow("right release in Selected") << +B::Selected << "upR" << +B::Selected << "" << 0 << false;
    QTest::newRow("right release keeps press") << +B::HighLight << "downL upR" << +B::HighLight << "Pressed" << 1 << true;
    QTest::newRow("keyboard focus while hovered") << +B::HighLight << "focus" << +B::HighLightSelect << "Pressed" << 0 << false;
    QTest::newRow("keyboard focus") << +B::Normal << "focus" << +B::Selected << "Selected" << 0 << false;
    QTest::newRow("focus lost under cursor") << +B::HighLightSelect << "blur move" << +B::HighLight
                                             << "Normal HighLight" << 0 << false;
    QTest::newRow("focus lost when Normal") << +B::Normal << "blur" << +B::Normal << "" << 0 << false;
    QTest::newRow("access key elsewhere") << +B::Normal << "key tick" << +B::Selected
                                          << "Pressed HighLightSelect Selected" << 1 << false;
    QTest::newRow("access key twice") << +B::Normal << "key key" << +B::HighLightSelect
                                      << "Pressed HighLightSelect Pressed HighLightSelect" << 2 << false;
    QTest::newRow("tick over the button") << +B::HighLight << "tickover" << +B::HighLight << "" << 0 << false;
    QTest::newRow("tick over the container") << +B::HighLight << "tickhost" << +B::Normal << "Normal" << 0 << false;
    QTest::newRow("idle ticks paint nothing") << +B::Normal << "tick tick tickhost" << +B::Normal << "" << 0 << false;
    QTest::newRow("disabled ignores everything") << +B::Normal << "disable move downL upL focus blur key" << +B::Normal
                                                 << "" << 0 << false;
    QTest::newRow("disabled then tick") << +B::HighLight << "disable tick" << +B::Disabled << "Disable" << 0 << false;
    QTest::newRow("disabled hover-select then tick") << +B::HighLightSelect << "disable tick" << +B::Disabled
                                                     << "Disable" << 0 << false;
}

void CommandTest::transitions() {
    QFETCH(int, start);
    QFETCH(QString, events);
    QFETCH(int, state);
    QFETCH(QString, painted);
    QFETCH(int, clicks);
    QFETCH(bool, mouseDown);

    Fixture f;
    Command& b = f.button;
    CommandTestAccess::SetState(b, static_cast<std::uint8_t>(start));
    QStringList images;
    connect(&b, &Command::Painted, [&](StateImage image) { images << QString::fromLatin1(StateImageName(image)); });
    QSignalSpy clickSpy(&b, &Command::Click);

    const auto mouse = [&](QEvent::Type type, QChar which) {
        const Qt::MouseButton button = which == 'L' ? Qt::LeftButton : which == 'R' ? Qt::RightButton : Qt::MiddleButton;
        QMouseEvent e(type, QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&b, &e);
    };
    for (const QString& ev : events.split(' ', Qt::SkipEmptyParts)) {
        if (ev == "move") {
            QMouseEvent e(QEvent::MouseMove, QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&b, &e);
        } else if (ev.startsWith("down")) {
            mouse(QEvent::MouseButtonPress, ev.back());
        } else if (ev.startsWith("up")) {
            mouse(QEvent::MouseButtonRelease, ev.back());
        } else if (ev == "focus") {
            CommandTestAccess::GotFocus(b);
        } else if (ev == "blur") {
            CommandTestAccess::LostFocus(b);
        } else if (ev == "key") {
            CommandTestAccess::AccessKey(b);
        } else if (ev == "tick") {
            f.cursor.under = &f.other;
            CommandTestAccess::Tick(b);
        } else if (ev == "tickover") {
            f.cursor.under = &b;
            CommandTestAccess::Tick(b);
        } else if (ev == "tickhost") {
            f.cursor.under = &f.container;
            CommandTestAccess::Tick(b);
        } else if (ev == "disable") {
            CommandTestAccess::SetEnabledValue(b, 0);
        } else {
            QFAIL(qPrintable("unknown event " + ev));
        }
    }
    QCOMPARE(int(b.State()), state);
    QCOMPARE(images.join(' '), painted);
    QCOMPARE(clickSpy.count(), clicks);
    QCOMPARE(CommandTestAccess::MouseDownFlag(b) != 0, mouseDown);
}

// The same through the platform's own mouse events (QTest), so the mapping of
// Qt's buttons onto the notifications is covered too. Only a left press gives
// the button the focus (GotFocus in HighLight paints Pressed) and paints
// Pressed itself; a right or middle press paints nothing and leaves the focus
// where it was, and its release clicks.
void CommandTest::realMouseEvents_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("pressedPaints");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("focused");
    QTest::newRow("left") << int(Qt::LeftButton) << 1 << 2 << int(ButtonStates::HighLightSelect) << true;
    QTest::newRow("right") << int(Qt::RightButton) << 1 << 0 << int(ButtonStates::HighLight) << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << 1 << 0 << int(ButtonStates::HighLight) << false;
}

void CommandTest::realMouseEvents() {
    QFETCH(int, button);
    QFETCH(int, clicks);
    QFETCH(int, pressedPaints);
    QFETCH(int, state);
    QFETCH(bool, focused);
    Fixture f;
    f.container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.container));
    // Start unfocused and away from the button, then move onto it (a new
    // position on every row, so the platform reports a move).
    f.other.setFocusPolicy(Qt::StrongFocus);
    f.other.setFocus();
    QTRY_COMPARE(int(f.button.State()), int(ButtonStates::Normal));
    QSignalSpy clickSpy(&f.button, &Command::Click);
    QSignalSpy paints(&f.button, &Command::Painted);
    const QPoint at(10 + button, 10);
    QTest::mouseMove(&f.button, at);
    QTRY_COMPARE(int(f.button.State()), int(ButtonStates::HighLight));
    QTest::mousePress(&f.button, Qt::MouseButton(button), Qt::NoModifier, at);
    if (!focused) QCOMPARE(paints.count(), 1);  // the HighLight of the move, nothing for the press
    QTest::mouseRelease(&f.button, Qt::MouseButton(button), Qt::NoModifier, at);
    QCOMPARE(clickSpy.count(), clicks);
    int pressed = 0;
    for (const auto& args : paints) pressed += args.at(0).value<StateImage>() == StateImage::Pressed ? 1 : 0;
    QCOMPARE(pressed, pressedPaints);
    QCOMPARE(int(f.button.State()), state);
    QCOMPARE(f.button.hasFocus(), focused);
    QCOMPARE(f.other.hasFocus(), !focused);
}

// Tab reaches the button (and Shift+Tab leaves it); from the keyboard the
// button takes the focus like any other control.
void CommandTest::tabGivesFocus() {
    Fixture f;
    f.other.setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(&f.other, &f.button);
    f.container.show();
    f.container.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.container));
    f.other.setFocus();
    QTRY_VERIFY(f.other.hasFocus());
    QSignalSpy paints(&f.button, &Command::Painted);
    QTest::keyClick(&f.other, Qt::Key_Tab);
    QTRY_VERIFY(f.button.hasFocus());
    QCOMPARE(int(f.button.State()), int(ButtonStates::Selected));
    QCOMPARE(paints.count(), 1);
    QCOMPARE(paints.at(0).at(0).value<StateImage>(), StateImage::Selected);
    QTest::keyClick(&f.button, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(f.other.hasFocus());
    QCOMPARE(int(f.button.State()), int(ButtonStates::Normal));
}

void CommandTest::keyboardDeliversAccessKey_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("clicks");
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier) << 1;
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 1;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
    QTest::newRow("ctrl+space") << int(Qt::Key_Space) << int(Qt::ControlModifier) << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
}

void CommandTest::keyboardDeliversAccessKey() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, clicks);
    Fixture f;
    QSignalSpy clickSpy(&f.button, &Command::Click);
    QTest::keyClick(&f.button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clickSpy.count(), clicks);
    if (clicks) QCOMPARE(int(f.button.State()), int(ButtonStates::HighLightSelect));
}

void CommandTest::altShortcutClicks() {
    Fixture f;
    f.button.SetCaption("&Remove HTML");
    QCOMPARE(f.button.AccessKeys(), QString("R"));
    f.container.show();
    f.container.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.container));
    QSignalSpy clickSpy(&f.button, &Command::Click);
    QTest::keyClick(&f.other, Qt::Key_R, Qt::AltModifier);
    QCOMPARE(clickSpy.count(), 1);
    // A disabled paint clears the access key: Alt+R does nothing then.
    f.button.SetEnabled(0);
    QTest::keyClick(&f.other, Qt::Key_R, Qt::AltModifier);
    QCOMPARE(clickSpy.count(), 1);
}

void CommandTest::initializeStartsPolling() {
    Fixture f;
    QVERIFY(!f.button.MouseTimer().isActive());
    f.button.SetEnabled(0);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Disabled));
    f.button.Initialize();
    QVERIFY(f.button.MouseTimer().isActive());
    QCOMPARE(f.button.MouseTimer().interval(), 100);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Normal));
    // The real timer's tick puts a disabled button back to Disabled.
    f.cursor.under = &f.other;
    QSignalSpy paints(&f.button, &Command::Painted);
    QTRY_COMPARE(int(f.button.State()), int(ButtonStates::Disabled));
    QCOMPARE(paints.count(), 1);
}

// Face pixels just inside the frame, at the middle column: white on top and
// #C6C5D7 at the bottom, or the reverse, and rows in between strictly between.
void CommandTest::gradientRows_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QRgb>("top");
    QTest::addColumn<QRgb>("bottom");
    QTest::newRow("Normal") << int(ButtonStates::Normal) << Rgb("#FFFFFF") << Rgb("#C6C5D7");
    QTest::newRow("HighLight") << int(ButtonStates::HighLight) << Rgb("#C6C5D7") << Rgb("#FFFFFF");
}

void CommandTest::gradientRows() {
    QFETCH(int, state);
    QFETCH(QRgb, top);
    QFETCH(QRgb, bottom);
    Fixture f;
    CommandTestAccess::SetState(f.button, static_cast<std::uint8_t>(state));
    CommandTestAccess::SetScaleMode(f.button, 3);
    CommandTestAccess::FillGradient(f.button);
    QCOMPARE(CommandTestAccess::ScaleMode(f.button), 1);  // twips afterwards, whatever it was

    CommandTestAccess::Paint(f.button, StateImage::Normal);
    const QImage& img = f.button.Surface();
    const int h = img.height();
    const int x = img.width() / 2;
    const auto expected = [&](int y, int channel) {
        const auto at = [&](QRgb c) { return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c); };
        return at(top) + (at(bottom) - at(top)) * double(y) / (h - 1);
    };
    for (int y : {4, 5, h / 2, h - 6, h - 5}) {
        const QRgb p = img.pixel(x, y);
        QVERIFY2(std::abs(qRed(p) - expected(y, 0)) <= 1.0 && std::abs(qGreen(p) - expected(y, 1)) <= 1.0 &&
                     std::abs(qBlue(p) - expected(y, 2)) <= 1.0,
                 qPrintable(QString("row %1: %2").arg(y).arg(Hex(p))));
        // One colour per row.
        QCOMPARE(img.pixel(5, y), p);
        QCOMPARE(img.pixel(img.width() - 6, y), p);
    }
}

// The frame rings at the middle of each edge, outermost first.
void CommandTest::ringColours_data() {
    QTest::addColumn<StateImage>("image");
    QTest::addColumn<QStringList>("topRings");
    QTest::addColumn<QStringList>("bottomRings");
    QTest::addColumn<QStringList>("leftRings");   // rings 0 and 1
    QTest::addColumn<QStringList>("rightRings");  // rings 0 and 1
    QTest::newRow("Normal") << StateImage::Normal << QStringList{"#E0DCC9", "#003C74", "#F3F3EE", "#F3F3EE"}
                            << QStringList{"#F8F7F0", "#003C74", "#D6D0C5", "#E2DFD6"}
                            << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"};
    QTest::newRow("HighLight") << StateImage::HighLight << QStringList{"#E0DCC9", "#003C74", "#FFF0CF", "#FDD889"}
                               << QStringList{"#F8F7F0", "#003C74", "#E59700", "#F8B330"}
                               << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"};
    QTest::newRow("Pressed") << StateImage::Pressed << QStringList{"#E0DCC9", "#003C74", "#D1CCC1", "#DCD8CF"}
                             << QStringList{"#F8F7F0", "#003C74", "#F2F1EE", "#EAE9E3"}
                             << QStringList{"#E2DECB", "#003C74"} << QStringList{"#F0EEE0", "#003C74"};
    QTest::newRow("Selected") << StateImage::Selected << QStringList{"#003C74", "#CEE7FF", "#CEE7FF", "#F3F3EE"}
                              << QStringList{"#003C74", "#6982EE", "#6982EE", "#ECEBE5"}
                              << QStringList{"#003C74"} << QStringList{"#003C74"};
    QTest::newRow("HighLightSelect") << StateImage::HighLightSelect
                                     << QStringList{"#003C74", "#FFF0CF", "#FFF0CF", "#F3F3EE"}
                                     << QStringList{"#003C74", "#E59700", "#E59700", "#F3F3EE"}
                                     << QStringList{"#003C74"} << QStringList{"#003C74"};
    QTest::newRow("Disable") << StateImage::Disable << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"}
                             << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"}
                             << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"}
                             << QStringList{"#ECE9D8", "#C9C7BA", "#F5F4EA", "#F5F4EA"};
}

void CommandTest::ringColours() {
    QFETCH(StateImage, image);
    QFETCH(QStringList, topRings);
    QFETCH(QStringList, bottomRings);
    QFETCH(QStringList, leftRings);
    QFETCH(QStringList, rightRings);
    Fixture f;
    f.button.SetCaption("");
    CommandTestAccess::Paint(f.button, image);
    const QImage& img = f.button.Surface();
    const int w = img.width(), h = img.height();
    for (int r = 0; r < topRings.size(); ++r) QCOMPARE(Hex(img.pixel(w / 2, r)), topRings[r]);
    for (int r = 0; r < bottomRings.size(); ++r) QCOMPARE(Hex(img.pixel(w / 2, h - 1 - r)), bottomRings[r]);
    for (int r = 0; r < leftRings.size(); ++r) QCOMPARE(Hex(img.pixel(r, h / 2)), leftRings[r]);
    for (int r = 0; r < rightRings.size(); ++r) QCOMPARE(Hex(img.pixel(w - 1 - r, h / 2)), rightRings[r]);
}

// A 139 x 35 button: the 56-pixel top edge covers 131 columns, the 17-pixel
// sides 27 rows, and the corners stay 4 x 4.
void CommandTest::stretchedEdges() {
    Fixture f;
    f.button.resize(139, 35);
    f.button.SetCaption("");
    const QImage skin(":/tessark/skins/Normal.png");
    QVERIFY(!skin.isNull());
    CommandTestAccess::Paint(f.button, StateImage::Normal);
    const QImage& img = f.button.Surface();
    QCOMPARE(img.size(), QSize(139, 35));
    for (int x = 4; x < 135; ++x) {
        QCOMPARE(Hex(img.pixel(x, 1)), QString("#003C74"));    // outline along the top
        QCOMPARE(Hex(img.pixel(x, 33)), QString("#003C74"));   // and the bottom
    }
    for (int y = 4; y < 31; ++y) {
        QCOMPARE(Hex(img.pixel(1, y)), QString("#003C74"));
        QCOMPARE(Hex(img.pixel(137, y)), QString("#003C74"));
    }
    // Corners are plain copies.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(img.pixel(x, y), skin.pixel(x, y));
            QCOMPARE(img.pixel(135 + x, 31 + y), skin.pixel(60 + x, 21 + y));
        }
    }
    // The side shade runs the whole stretched height: the ends of the edge
    // show the skin's first and last shade rows.
    QCOMPARE(img.pixel(2, 4), skin.pixel(2, 4));
    QCOMPARE(img.pixel(2, 30), skin.pixel(2, 20));
}

void CommandTest::focusLines_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("shown");
    QTest::newRow("Normal") << int(ButtonStates::Normal) << false;
    QTest::newRow("HighLight") << int(ButtonStates::HighLight) << false;
    QTest::newRow("Selected") << int(ButtonStates::Selected) << true;
    QTest::newRow("HighLightSelect") << int(ButtonStates::HighLightSelect) << true;
}

void CommandTest::focusLines() {
    QFETCH(int, state);
    QFETCH(bool, shown);
    Fixture f;
    f.button.resize(139, 35);
    f.button.SetCaption("");
    // Shown first, so that hiding is tested too.
    CommandTestAccess::SetState(f.button, ButtonStates::Selected);
    CommandTestAccess::Paint(f.button, StateImage::Selected);
    CommandTestAccess::SetState(f.button, static_cast<std::uint8_t>(state));
    CommandTestAccess::Paint(f.button, StateImage::Normal);
    const QImage& surface = f.button.Surface();
    const QImage shownImg = f.button.Rendered();
    const int w = surface.width(), h = surface.height();
    if (!shown) {
        QCOMPARE(shownImg, surface);
        return;
    }
    const auto inverted = [&](int x, int y) {
        const QRgb a = surface.pixel(x, y), b = shownImg.pixel(x, y);
        return qRed(a) + qRed(b) == 255 && qGreen(a) + qGreen(b) == 255 && qBlue(a) + qBlue(b) == 255;
    };
    // Dotted: every other pixel along each line, starting at its first. Where
    // two lines cross at a corner the pixel is inverted twice, so corners are
    // left out.
    for (int y = 6; y < h - 6; ++y) {
        QCOMPARE(inverted(4, y), (y - 4) % 2 == 0);
        QCOMPARE(inverted(w - 5, y), (y - 4) % 2 == 0);
    }
    for (int x = 6; x < w - 6; ++x) {
        QCOMPARE(inverted(x, 4), (x - 4) % 2 == 0);
        QCOMPARE(inverted(x, h - 5), (x - 4) % 2 == 0);
    }
    // Nothing else changes.
    QCOMPARE(shownImg.pixel(3, h / 2), surface.pixel(3, h / 2));
    QCOMPARE(shownImg.pixel(w / 2, h / 2), surface.pixel(w / 2, h / 2));
}

// A one-line caption whose font gives a 13-pixel line sits at row 11 on a
// 35-pixel button and at row 10 (10.5 to even) on a 34-pixel one; text pixels
// stay within the line.
void CommandTest::captionPlacement_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("top");
    QTest::newRow("35 high") << 35 << 11;
    QTest::newRow("34 high") << 34 << 10;
    QTest::newRow("36 high") << 36 << 12;  // 11.5 to even
    QTest::newRow("33 high") << 33 << 10;
}

void CommandTest::captionPlacement() {
    QFETCH(int, height);
    QFETCH(int, top);
    QFont font("DejaVu Sans");
    int size = 6;
    for (; size < 20; ++size) {
        font.setPixelSize(size);
        QImage probe(10, 10, QImage::Format_RGB32);
        QPainter p(&probe);
        p.setFont(font);
        if (p.fontMetrics().boundingRect(QRect(0, 0, 500, 100), Qt::TextWordWrap, "Remove HTML").height() == 13)
            break;
    }
    // Not a skip: without the font this test would check nothing.
    if (size == 20) QFAIL("no installed font gives a 13-pixel line: install fonts-dejavu-core (scripts/deps.sh)");
    Fixture f;
    f.button.resize(141, height);
    f.button.SetFont(font);
    f.button.SetCaption("Remove HTML");
    QCOMPARE(CommandTestAccess::CaptionTop(f.button), top);
    const QImage& img = f.button.Surface();
    int first = -1, last = -1;
    for (int y = 4; y < img.height() - 4; ++y) {
        for (int x = 5; x < img.width() - 5; ++x) {
            if (qRed(img.pixel(x, y)) < 128) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    }
    QVERIFY(first >= top);
    QVERIFY(last < top + 13);
}

void CommandTest::accessKeys_data() {
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("keys");
    QTest::newRow("letter") << QStringList{"&Remove"} << "R";
    QTest::newRow("first ampersand wins") << QStringList{"Re&mo&ve"} << "m";
    QTest::newRow("doubled ampersand") << QStringList{"&&Go"} << "&";
    QTest::newRow("ampersand last") << QStringList{"Go&"} << "";
    QTest::newRow("removed ampersand keeps key") << QStringList{"&Remove", "Remove"} << "R";
    QTest::newRow("none") << QStringList{"Remove"} << "";
}

void CommandTest::accessKeys() {
    QFETCH(QStringList, captions);
    QFETCH(QString, keys);
    Fixture f;
    for (const QString& caption : captions) f.button.SetCaption(caption);
    QCOMPARE(f.button.AccessKeys(), keys);
    f.button.SetEnabled(0);
    QCOMPARE(f.button.AccessKeys(), QString());
}

void CommandTest::disabledPaint() {
    Fixture f;
    f.button.SetFontColour(0x000000FF);
    // Hovered first: the disabled face keeps that paint's reversed gradient.
    CommandTestAccess::SetState(f.button, ButtonStates::HighLight);
    CommandTestAccess::Paint(f.button, StateImage::HighLight);
    QSignalSpy paints(&f.button, &Command::Painted);
    f.button.SetEnabled(0);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Disabled));
    QCOMPARE(paints.count(), 1);
    QCOMPARE(paints.at(0).at(0).value<StateImage>(), StateImage::Disable);
    QCOMPARE(f.button.FontColour(), Command::kDisabledCaptionColour);
    QVERIFY(CommandTestAccess::GradientReversed(f.button) != 0);
    const QImage& img = f.button.Surface();
    QVERIFY(qRed(img.pixel(img.width() / 2, img.height() - 5)) >= 0xF0);  // near white at the bottom
    QVERIFY(qRed(img.pixel(img.width() / 2, 4)) <= 0xD0);
    // Enabled again: the caption colour returns.
    f.button.SetEnabled(-1);
    QCOMPARE(f.button.FontColour(), 0x000000FFu);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Normal));
}

void CommandTest::redrawKeepsFocusLook() {
    Fixture f;
    CommandTestAccess::GotFocus(f.button);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Selected));
    QSignalSpy paints(&f.button, &Command::Painted);
    f.button.SetCaption("Select Input File");
    QCOMPARE(paints.count(), 1);
    QCOMPARE(paints.at(0).at(0).value<StateImage>(), StateImage::Normal);
    QCOMPARE(int(f.button.State()), int(ButtonStates::Selected));
    QVERIFY(CommandTestAccess::LinesVisible(f.button));
    // Reading Visible repaints too; any non-zero write reads back as 255.
    f.button.SetVisible(7);
    QCOMPARE(f.button.Visible(), std::uint8_t{255});
    QCOMPARE(paints.count(), 3);
}

// HighLightSelect and Disabled paint with the gradient direction of the
// paint before them; Normal and Selected clear it, HighLight sets it.
void CommandTest::gradientKeptInHighLightSelect_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("reversed");
    using B = ButtonStates;
    QTest::newRow("HighLight then HighLightSelect") << +B::HighLight << +B::HighLightSelect << true;
    QTest::newRow("Normal then HighLightSelect") << +B::Normal << +B::HighLightSelect << false;
    QTest::newRow("Selected then HighLightSelect") << +B::Selected << +B::HighLightSelect << false;
    QTest::newRow("HighLight then Normal") << +B::HighLight << +B::Normal << false;
    QTest::newRow("HighLight then Selected") << +B::HighLight << +B::Selected << false;
    QTest::newRow("Normal then HighLight") << +B::Normal << +B::HighLight << true;
}

void CommandTest::gradientKeptInHighLightSelect() {
    QFETCH(int, before);
    QFETCH(int, state);
    QFETCH(bool, reversed);
    Fixture f;
    f.button.SetCaption("");
    CommandTestAccess::SetState(f.button, static_cast<std::uint8_t>(before));
    CommandTestAccess::Paint(f.button, StateImage::Normal);
    CommandTestAccess::SetState(f.button, static_cast<std::uint8_t>(state));
    CommandTestAccess::Paint(f.button, StateImage::HighLightSelect);
    QCOMPARE(CommandTestAccess::GradientReversed(f.button) != 0, reversed);
    // And on the face: white at the bottom when reversed.
    const QImage& img = f.button.Surface();
    const int bottomRed = qRed(img.pixel(img.width() / 2, img.height() - 5));
    const int topRed = qRed(img.pixel(img.width() / 2, 4));
    QCOMPARE(bottomRed > topRed, reversed);
}

namespace {
// Rows of the face (inside the frame) that hold caption pixels: a dark pixel
// on a light face.
QList<int> InkRows(const QImage& img) {
    QList<int> rows;
    for (int y = 4; y < img.height() - 4; ++y)
        for (int x = 5; x < img.width() - 5; ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                rows << y;
                break;
            }
    return rows;
}

// Number of separate bands of rows that hold ink.
int Bands(const QList<int>& rows) {
    int bands = 0;
    for (int i = 0; i < rows.size(); ++i) bands += (i == 0 || rows[i] != rows[i - 1] + 1) ? 1 : 0;
    return bands;
}

QFont CaptionFont() {
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    return font;
}
}  // namespace

// A caption wider than the button less its 4-pixel margins breaks at a
// space into lines, and the block of lines is centred as a whole.
void CommandTest::captionWraps() {
    if (!QFontDatabase::hasFamily("DejaVu Sans")) QFAIL("DejaVu Sans is not installed: run scripts/deps.sh");
    Fixture f;
    f.button.resize(90, 60);
    f.button.SetFont(CaptionFont());
    f.button.SetCaption("Select Output File");
    const QList<int> rows = InkRows(f.button.Surface());
    QCOMPARE(Bands(rows), 2);
    // Centred: the space above the ink and below it differ by at most a
    // line's descent.
    const int above = rows.first() - 4, below = f.button.height() - 5 - rows.last();
    QVERIFY2(std::abs(above - below) <= 6, qPrintable(QString("%1 above, %2 below").arg(above).arg(below)));
    // The same caption on a wide button is one line.
    f.button.resize(200, 60);
    f.button.SetCaption("Select Output File");
    QCOMPARE(Bands(InkRows(f.button.Surface())), 1);
}

// "&" underlines the letter after it and is not drawn; "&&" draws one "&"
// and underlines nothing.
void CommandTest::captionUnderlinesAccessKey() {
    if (!QFontDatabase::hasFamily("DejaVu Sans")) QFAIL("DejaVu Sans is not installed: run scripts/deps.sh");
    Fixture f;
    f.button.resize(141, 35);
    f.button.SetFont(CaptionFont());
    const auto inkBelow = [&](const QString& caption, int row) {
        f.button.SetCaption(caption);
        const QImage& img = f.button.Surface();
        int left = img.width(), right = -1, textLeft = img.width(), textRight = -1;
        for (int y = 4; y < img.height() - 4; ++y)
            for (int x = 5; x < img.width() - 5; ++x) {
                if (qGray(img.pixel(x, y)) >= 128) continue;
                textLeft = std::min(textLeft, x);
                textRight = std::max(textRight, x);
                if (y > row) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        return std::array<int, 4>{left, right, textLeft, textRight};
    };
    f.button.SetCaption("Remove");
    const int baseline = InkRows(f.button.Surface()).last();
    // No descenders in "Remove": nothing below its last row of ink.
    QCOMPARE(inkBelow("Remove", baseline)[1], -1);
    // "&Remove": a line under the first letter only.
    const auto marked = inkBelow("&Remove", baseline);
    QVERIFY2(marked[1] >= 0, "no underline");
    QVERIFY(marked[0] <= marked[2] + 1);                            // starts at the text's left
    QVERIFY(marked[1] - marked[0] < (marked[3] - marked[2]) / 3);  // one letter wide
    QCOMPARE(f.button.AccessKeys(), QString("R"));
    // "&&Remove": "&Remove" shown, nothing underlined, wider than "Remove".
    const auto doubled = inkBelow("&&Remove", baseline);
    QCOMPARE(doubled[1], -1);
    QVERIFY(doubled[3] - doubled[2] > marked[3] - marked[2]);
}

// A character the 8-bit code page cannot hold is drawn as its substitute "?".
void CommandTest::captionSubstitutesUnmappable() {
    Fixture f;
    f.button.resize(141, 35);
    f.button.SetFont(CaptionFont());
    f.button.SetCaption(QString::fromUtf8("Go \u03A9\u4E2D"));
    const QImage unmappable = f.button.Surface().copy();
    f.button.SetCaption("Go ??");
    QCOMPARE(unmappable, f.button.Surface());
    // A character the code page holds is drawn as itself.
    f.button.SetCaption(QString::fromUtf8("Go \u00E9\u20AC"));
    const QImage mappable = f.button.Surface().copy();
    f.button.SetCaption("Go ??");
    QVERIFY(mappable != f.button.Surface());
}

QTEST_MAIN(CommandTest)
#include "test_Command.moc"
