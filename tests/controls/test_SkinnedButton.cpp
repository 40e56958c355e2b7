// The button: its state machine as one table (a start state and a sequence of
// notifications or real mouse and key events -> state, images painted,
// clicks, focus), with every surface painted on the way checked against the
// committed skins; its caption; its design settings through the property store.
#include <QApplication>
#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "FakeCursor.h"
#include "SkinnedButton.h"
#include "PropertyBag.h"

using namespace tessark;
using tessark::test::FakeCursor;

namespace tessark {
struct CommandTestAccess {
    static void SetState(SkinnedButton& c, int s) { c.ButtonState = static_cast<std::uint8_t>(s); }
    static void Paint(SkinnedButton& c, StateImage image) { c.PaintState(image); }
    static void Notify(SkinnedButton& c, const QString& what, int mouseButton) {
        if (what == "move") c.OnMouseMove();
        if (what == "down") c.OnMouseDown(mouseButton);
        if (what == "up") c.OnMouseUp(mouseButton);
        if (what == "focus") c.OnGotFocus();
        if (what == "blur") c.OnLostFocus();
        if (what == "key") c.OnAccessKeyPress(0);
        if (what.startsWith("tick")) c.OnTimerTick();
        if (what == "disable") c.EnabledValue = 0;  // behind the button's back: no repaint
    }
};
}  // namespace tessark

namespace {

const QStringList kStates{"Disabled", "Normal", "HighLight", "Selected", "HighLightSelect"};
int StateOf(const char* name) { return static_cast<int>(kStates.indexOf(QString::fromLatin1(name))); }

struct Fixture {
    Fixture() : button(&container), other(&container) {
        container.resize(300, 120);
        button.setGeometry(10, 10, 141, 35);
        other.setGeometry(200, 10, 50, 50);
        other.setFocusPolicy(Qt::StrongFocus);
        SkinnedButton::SetCursorProbe(&cursor);
    }
    ~Fixture() { SkinnedButton::SetCursorProbe(nullptr); }
    QWidget container;
    SkinnedButton button;
    QWidget other;
    FakeCursor cursor;
};

// Lower case: the button's notifications called directly (down/up with L R
// M; tick: cursor elsewhere, tickover: on the button, tickhost: on the
// container; disable: EnabledValue cleared behind the button's back).
// Capitalised and k:<keys>: real events through the platform, keys to the
// focused widget. off: Enabled written false; caption: Caption written;
// init: Initialize; wait: 300 ms of the real hover poll; Rest: from then on
// the cursor rests on the button, no event telling it.
struct Step {
    const char *start, *events, *state, *painted;
    int clicks;
};
const Step kSteps[] = {
    {"Normal", "move tick", "Normal", "HighLight Normal", 0},
    {"HighLight", "move", "HighLight", "", 0},
    {"Selected", "move tick", "Selected", "HighLightSelect Selected", 0},
    {"Normal", "move focus downL upL tick", "Selected", "HighLight Pressed Pressed HighLightSelect Selected", 1},
    {"Normal", "move focus downL tick upL", "Selected", "HighLight Pressed Pressed Selected", 0},  // dragged off
    {"Normal", "move focus downL tick move upL move", "HighLightSelect", "HighLight Pressed Pressed Selected HighLightSelect", 0},
    {"HighLight", "upL", "HighLight", "Normal", 1},
    {"Normal", "upL", "Normal", "", 1},
    {"HighLight", "downR upR downM upM", "HighLight", "", 2},
    {"HighLight", "downL upR", "HighLight", "Pressed", 1},
    {"Selected", "downL upR move", "Selected", "Pressed", 0},  // a right release keeps the press
    {"Selected", "downL upL move", "HighLightSelect", "Pressed HighLightSelect", 0},
    {"HighLight", "focus", "HighLightSelect", "Pressed", 0},
    {"HighLightSelect", "blur move", "HighLight", "Normal HighLight", 0},
    {"Normal", "blur", "Normal", "", 0},
    {"Normal", "key key tick", "Selected", "Pressed HighLightSelect Pressed HighLightSelect Selected", 2},
    {"HighLight", "tickover", "HighLight", "", 0},
    {"HighLight", "tickhost", "Normal", "Normal", 0},
    {"Normal", "tick tick tickhost", "Normal", "", 0},
    {"Normal", "disable move downL upL focus blur key", "Normal", "", 0},
    {"HighLightSelect", "disable tick", "Disabled", "Disable", 0},
    {"Selected", "caption", "Selected", "Normal", 0},  // a property write repaints the resting look
    {"Normal", "disable init wait", "Disabled", "Disable", 0},
    {"Normal", "Move ClickL", "HighLightSelect", "HighLight Pressed Pressed HighLightSelect", 1},
    {"Normal", "Move ClickR ClickM", "HighLight", "HighLight", 2},  // no focus, no paint
    {"Normal", "k:Tab k:Shift+Backtab", "Normal", "Selected Normal", 0},
    {"Normal", "k:Tab k:Space k:Return k:Num+Enter", "HighLightSelect",
     "Selected Pressed HighLightSelect Pressed HighLightSelect Pressed HighLightSelect", 3},
    {"Normal", "k:Tab k:Ctrl+Space k:A", "Selected", "Selected", 0},
    {"Normal", "k:Alt+R", "HighLightSelect", "Pressed HighLightSelect", 1},
    {"Normal", "off k:Alt+R", "Disabled", "Disable", 0},
    {"Normal", "Rest k:Tab", "HighLightSelect", "Selected HighLightSelect", 0},  // the focus back over a still pointer
    {"Normal", "k:Tab ClickL", "HighLightSelect", "Selected HighLightSelect Pressed HighLightSelect", 1},  // a press without a move
};

QString Hex(QRgb c) { return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(); }

// What is wrong with the surface as `image` paints it: the frame is that skin
// (corners copied, edges stretched, the sides' shading ending on the skin's
// first and last rows), the face a vertical gradient from #FFFFFF to #C6C5D7
// (reversed: the other way round; checked beside the caption), and with
// `lines` a dotted focus rectangle is inverted over it as shown.
QStringList Surface(const SkinnedButton& b, StateImage image, bool reversed, bool lines) {
    const QImage& img = b.Surface();
    const QImage skin(QString(":/tessark/skins/%1.png").arg(StateImageName(image)));
    const int w = img.width(), h = img.height();
    const QColor top(reversed ? 0xC6C5D7u : 0xFFFFFFu), bottom(reversed ? 0xFFFFFFu : 0xC6C5D7u);
    QStringList wrong;
    QImage shown = img.copy();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            const bool sideX = x < 4 || x >= w - 4, sideY = y < 4 || y >= h - 4;
            const int sx = x < 4 ? x : x >= w - 4 ? x - w + 64 : 32;
            const int sy = y < 4 ? y : y >= h - 4 ? y - h + 25 : y == 4 ? 4 : y == h - 5 ? 20 : 12;
            const double t = double(y) / (h - 1);
            const auto near = [&](int v, int a, int c) { return std::abs(v - (a + (c - a) * t)) <= 1.0; };
            if ((sideY || (sideX && (sy != 12 || x == 0 || x == w - 1))) && p != skin.pixel(sx, sy))
                wrong << QString("frame (%1, %2) %3").arg(x).arg(y).arg(Hex(p));
            if (!sideX && !sideY && (x < 8 || x >= w - 8) &&
                !(near(qRed(p), top.red(), bottom.red()) && near(qGreen(p), top.green(), bottom.green()) && near(qBlue(p), top.blue(), bottom.blue())))
                wrong << QString("face (%1, %2) %3").arg(x).arg(y).arg(Hex(p));
            const int hits = int((x == 4 || x == w - 5) && y >= 4 && y < h - 4 && (y - 4) % 2 == 0) +
                             int((y == 4 || y == h - 5) && x >= 4 && x < w - 4 && (x - 4) % 2 == 0);
            if (lines && hits % 2) shown.setPixel(x, y, qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)));
        }
    }
    if (b.Rendered() != shown) wrong << "focus lines";
    return wrong.mid(0, 3);
}

// The bounding box of the caption's ink (dark pixels on the face) from row `from` down.
QRect Ink(const QImage& img, int from = 4) {
    QRect box;
    for (int y = from; y < img.height() - 4; ++y)
        for (int x = 5; x < img.width() - 5; ++x)
            if (qGray(img.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

MemoryPropertyBag Bag(const QString& pairs) {  // "Key=text;Key=text"
    QMap<QString, QString> values;
    for (const QString& pair : pairs.split(u';', Qt::SkipEmptyParts)) values.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    return MemoryPropertyBag(values);
}

}  // namespace

class CommandTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void states_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kSteps)); ++i)
            QTest::newRow(qPrintable(QString(kSteps[i].start) + ": " + kSteps[i].events)) << i;
    }
    void states() {
        QFETCH(int, row);
        const Step& s = kSteps[row];
        Fixture f;
        SkinnedButton& b = f.button;
        const QSize sizes[] = {{141, 35}, {139, 35}, {64, 25}, {141, 36}};  // as designed, stretched and not
        b.resize(sizes[row % 4]);
        b.SetCaption("&R");
        f.container.show();
        f.container.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.container));
        f.other.setFocus();
        QTRY_VERIFY(f.other.hasFocus());
        CommandTestAccess::SetState(b, StateOf(s.start));
        QStringList painted, wrong;
        bool reversed = false;  // HighLight turns the face over, Normal and Selected back; the rest keep it
        connect(&b, &SkinnedButton::Painted, &b, [&](StateImage image) {
            const int state = b.State();
            reversed = state == ButtonStates::HighLight || (reversed && state != ButtonStates::Normal && state != ButtonStates::Selected);
            painted << StateImageName(image);
            wrong << Surface(b, image, reversed, state == ButtonStates::Selected || state == ButtonStates::HighLightSelect);
        });
        QSignalSpy clicks(&b, &SkinnedButton::Click);
        static int moves = 0;  // a new position every time, so that the platform reports a move
        for (QWidget* rest = &f.other; const QString& ev : QString(s.events).split(u' ')) {
            const Qt::MouseButton mouse = ev.endsWith(u'L') ? Qt::LeftButton : ev.endsWith(u'R') ? Qt::RightButton : Qt::MiddleButton;
            const QKeyCombination key = QKeySequence::fromString(ev.mid(2))[0];
            f.cursor.under = ev == "tickover" ? static_cast<QWidget*>(&b) : ev == "tickhost" ? &f.container : (rest = ev == "Rest" ? &b : rest);
            if (ev.startsWith("k:")) QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
            else if (ev == "Move") QTest::mouseMove(&b, QPoint(10 + moves++ % 50, 10));
            else if (ev.startsWith("Click")) QTest::mouseClick(&b, mouse, Qt::NoModifier, QPoint(10, 10));
            else if (ev == "off") b.SetEnabled(0);
            else if (ev == "caption") b.SetCaption("&R");
            else if (ev == "init") b.Initialize();
            else if (ev == "wait") QTest::qWait(300);
            else CommandTestAccess::Notify(b, ev.chopped(ev.startsWith("down") || ev.startsWith("up") ? 1 : 0), int(mouse));
        }
        QCOMPARE(kStates.value(b.State()), QString(s.state));
        QCOMPARE(painted.join(u' '), QString(s.painted));
        QCOMPARE(int(clicks.count()), s.clicks);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
        const QString events(s.events);  // a left click or Tab gives the focus, Shift+Backtab takes it away
        QCOMPARE(b.hasFocus(), events.contains("ClickL") || (events.contains("k:Tab") && !events.contains("Backtab")));
    }

    // Wrapping (centred as a block), the access key's underline, the code
    // page, the access key.
    void caption() {
        if (!QFontDatabase::hasFamily("DejaVu Sans")) QFAIL("DejaVu Sans is not installed: run scripts/deps.sh");
        Fixture f;
        QFont font("DejaVu Sans");
        font.setPixelSize(12);
        f.button.SetFont(font);
        const auto inkOf = [&](const QString& caption, int from = 4) {
            f.button.SetCaption(caption);
            return Ink(f.button.Surface(), from);
        };
        f.button.resize(200, 60);
        const QRect oneLine = inkOf("Select Output File");
        f.button.resize(90, 60);  // two lines, centred as a block
        const QRect wrapped = inkOf("Select Output File");
        QVERIFY(wrapped.height() > oneLine.height() * 3 / 2 && wrapped.height() < oneLine.height() * 5 / 2);
        QVERIFY(std::abs((wrapped.top() - 4) - (55 - wrapped.bottom())) <= 6);
        f.button.resize(141, 35);
        const QRect text = inkOf("Remove");
        const QRect underline = inkOf("&Remove", text.bottom() + 1);
        QVERIFY2(!underline.isNull(), "no underline");
        QVERIFY(underline.left() <= text.left() + 1 && underline.width() < text.width() / 3);
        QVERIFY(inkOf("&&Remove", text.bottom() + 1).isNull());
        QVERIFY(inkOf("&&Remove").width() > text.width());
        const auto surface = [&](const QString& caption) {
            f.button.SetCaption(caption);
            return f.button.Surface().copy();
        };
        QCOMPARE(surface(QString::fromUtf8("Go \u03A9\u4E2D")), surface("Go ??"));  // beyond the code page
        QVERIFY(surface(QString::fromUtf8("Go \u00E9\u20AC")) != surface("Go ??"));
        const std::pair<const char*, const char*> keys[] = {
            {"&Remove", "R"}, {"Re&mo&ve", "m"}, {"&&Go", "&"}, {"Remove", "&"}, {"Go&", ""}, {"&Go", "G"}};
        for (const auto& [caption, key] : keys) {
            f.button.SetCaption(caption);
            QCOMPARE(f.button.AccessKeys(), QString(key));
        }
        f.button.SetEnabled(0);
        QCOMPARE(f.button.AccessKeys(), QString());
    }

    // A stored text that is no Boolean leaves Enabled alone (which texts are
    // Booleans is test_settings'); Visible takes only 0 and 1. Saved again,
    // each is one of its two texts.
    void storedSettings() {
        const std::tuple<const char*, int, int> rows[] = {  // stored, before, after (1: enabled, 2: opaque)
            {"", 0, 3}, {"Enabled=-1", 2, 3}, {"Enabled=fALSE", 3, 2}, {"Enabled=yes", 3, 3}, {"Enabled=", 2, 2},
            {"Visible=0", 3, 1}, {"Visible=1", 1, 3}, {"Visible=2", 3, 3}, {"Visible=2", 1, 1}, {"Visible=-1", 1, 1},
            {"Visible=x", 3, 3}};
        for (const auto& [stored, before, after] : rows) {
            SkinnedButton b;
            b.SetEnabled(before & 1 ? -1 : 0);
            b.SetVisible(before & 2 ? 1 : 0);
            b.ReadProperties(Bag(stored));
            MemoryPropertyBag again;
            b.WriteProperties(again);
            QCOMPARE(QString("%1 %2 %3").arg((b.State() != ButtonStates::Disabled) + 2 * (b.Visible() != 0)).arg(again.Text("Enabled"), again.Text("Visible")),
                     QString("%1 %2 %3").arg(after).arg(after & 1 ? "" : "False", after & 2 ? "" : "0"));
        }
    }

    void propertyStore() {
        // An empty store gives the defaults (the host's font) and is no change.
        QWidget host;
        host.setFont(QFont("DejaVu Serif", 13));
        SkinnedButton b(&host);
        b.SetFontColour(0x123456);
        QSignalSpy changes(&b, &SkinnedButton::PropertyChanged);
        b.ReadProperties(MemoryPropertyBag());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(b.Font(), host.font());
        // Stored: only what differs from the defaults, the caption's being "Command1" to read, "Command" to save.
        const auto saved = [](SkinnedButton& c) {
            MemoryPropertyBag bag;
            c.WriteProperties(bag);
            return bag.Values();
        };
        QCOMPARE(saved(b), (QMap<QString, QString>{{"Caption", "Command1"}}));
        b.SetCaption("Command");
        QCOMPARE(saved(b), (QMap<QString, QString>{}));
        QFont font("DejaVu Sans", 9);
        font.setItalic(true);
        b.SetFont(font);
        b.SetFontColour(0x00FF8000);
        b.SetVisible(0);
        b.SetCaption("");
        const QMap<QString, QString> all{{"Caption", ""}, {"Font", font.toString()}, {"FontColour", "16744448"}, {"Visible", "0"}};
        QCOMPARE(saved(b), all);
        // Read back the same; unreadable texts leave their settings alone (FirstRun too: no forced Enabled).
        SkinnedButton loaded(&host);
        loaded.ReadProperties(MemoryPropertyBag(all));
        QCOMPARE(saved(loaded), all);
        loaded.ReadProperties(Bag("FontColour=blue;FirstRun=many;Font=;Visible=x;Caption="));
        QCOMPARE(saved(loaded), all);
        loaded.SetEnabled(0);
        QCOMPARE(loaded.Enabled(), Boolean{0});
        // The first read of Enabled on a fresh button forces it true; a stored FirstRun 0 does again.
        SkinnedButton fresh;
        fresh.SetEnabled(0);
        QCOMPARE(fresh.Enabled(), Boolean{-1});
        fresh.ReadProperties(Bag("FirstRun=0;Enabled=False"));
        QCOMPARE(fresh.Enabled(), Boolean{-1});
        // A disabled button paints and stores its caption grey; loaded and enabled, the grey stays.
        fresh.SetFontColour(0x0000FF);
        fresh.SetEnabled(0);
        QCOMPARE(fresh.FontColour(), SkinnedButton::kDisabledCaptionColour);
        loaded.ReadProperties(MemoryPropertyBag(saved(fresh)));
        fresh.SetEnabled(-1);
        loaded.SetEnabled(-1);
        QCOMPARE(fresh.FontColour(), 0x0000FFu);
        QCOMPARE(loaded.FontColour(), SkinnedButton::kDisabledCaptionColour);
    }
};

QTEST_MAIN(CommandTest)
#include "test_SkinnedButton.moc"
