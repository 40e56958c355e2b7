#include "SkinnedButton.h"

#include <QApplication>
#include <QColor>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <cmath>

#include "AnsiCodePage.h"
#include "BooleanText.h"

namespace tessark {

namespace {

constexpr int kCorner = 60;           // twips: the frame's four-pixel corner
constexpr int kImageWidth = 960;      // twips: the 64-pixel skin image
constexpr int kImageHeight = 375;     // twips: the 25-pixel skin image
constexpr int kHoverInterval = 100;   // ms

// The two face colours as the control keeps them.
const QString kFaceTop = QStringLiteral("&HFFFFFF");
const QString kFaceBottom = QStringLiteral("&HC6C5D7");

class SystemCursor final : public CursorProbe {
public:
    QPoint Pos() const override { return QCursor::pos(); }
    QWidget* WidgetAt(const QPoint& globalPos) const override {
        return QApplication::widgetAt(globalPos);
    }
};

SystemCursor gSystemCursor;
CursorProbe* gCursor = &gSystemCursor;

// Mouse button as the notifications carry it: 1 left, 2 right, 4 middle.
int ButtonCode(Qt::MouseButton button) { return static_cast<int>(button); }

// A colour text ("&HC6C5D7") to three 16-bit channels: the number written out
// again in hexadecimal, its digit pairs read as red, green and blue in that
// written order, each with "00" appended.
std::array<std::uint16_t, 3> ColourChannels(const QString& text) {
    bool ok = false;
    const qulonglong value = text.mid(2).toULongLong(&ok, 16);
    const QString hex = QString::number(ok ? value : 0, 16).toUpper();
    std::array<std::uint16_t, 3> channels{};
    for (int i = 0; i < 3; ++i) {
        const QString pair = hex.mid(2 * i, 2) + QStringLiteral("00");
        channels[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(pair.toUInt(nullptr, 16));
    }
    return channels;
}

int ToTwips(int pixels) { return pixels * SkinnedButton::kTwipsPerPixel; }
int ToPixels(int twips) {
    return static_cast<int>(std::floor(static_cast<double>(twips) / SkinnedButton::kTwipsPerPixel));
}

// Rounds halves to even, as the caption placement needs.
int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

const QImage& SkinImage(StateImage image) {
    static const std::array<QImage, 6> images = [] {
        std::array<QImage, 6> loaded;
        for (int i = 0; i < 6; ++i) {
            loaded[static_cast<std::size_t>(i)] =
                QImage(QStringLiteral(":/tessark/skins/%1.png")
                           .arg(QLatin1String(StateImageName(static_cast<StateImage>(i)))));
        }
        return loaded;
    }();
    return images[static_cast<std::size_t>(image)];
}

}  // namespace

const char* StateImageName(StateImage image) {
    switch (image) {
        case StateImage::Normal: return "Normal";
        case StateImage::HighLight: return "HighLight";
        case StateImage::Pressed: return "Pressed";
        case StateImage::Selected: return "Selected";
        case StateImage::HighLightSelect: return "HighLightSelect";
        case StateImage::Disable: return "Disable";
    }
    return "";
}

QColor ColourFromRef(std::uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

void SkinnedButton::SetCursorProbe(CursorProbe* probe) { gCursor = probe ? probe : &gSystemCursor; }

SkinnedButton::SkinnedButton(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Command"));
    setProperty("ControlIdentifier", QString::fromLatin1(kIdentifier));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab gives the focus; of the mouse buttons only a left press does
    // (mousePressEvent), so a right or middle press on a hovered button
    // leaves its look alone.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    TmrMouse.setParent(this);
    TmrMouse.setInterval(kHoverInterval);
    connect(&TmrMouse, &QTimer::timeout, this, &SkinnedButton::OnTimerTick);
    surfaceFont_ = AmbientFont();
    surface_ = QImage(size(), QImage::Format_RGB32);

    CaptionText = QStringLiteral("Command");
    SetEnabled(True);
}

SkinnedButton::~SkinnedButton() = default;

// ---- Properties -----------------------------------------------------------

QString SkinnedButton::Caption() const { return CaptionText; }

void SkinnedButton::SetCaption(const QString& New_Caption) {
    CaptionText = New_Caption;
    Notify("Caption");
    Redraw();
}

Boolean SkinnedButton::Enabled() {
    if (FirstRun == 0) {
        FirstRun = 1;
        EnabledValue = True;
    }
    return EnabledValue;
}

void SkinnedButton::SetEnabled(Boolean New_Enabled) {
    EnabledValue = New_Enabled;
    Notify("Enabled");
    Redraw();
}

QFont& SkinnedButton::Font() { return surfaceFont_; }

void SkinnedButton::SetFont(const QFont& New_Font) {
    surfaceFont_ = New_Font;
    Notify("Font");
    Redraw();
}

std::uint32_t SkinnedButton::FontColour() const { return textColour_; }

void SkinnedButton::SetFontColour(std::uint32_t New_FontColour) {
    textColour_ = New_FontColour;
    FontColourValue = textColour_;
    Notify("FontColour");
    Redraw();
}

std::uint8_t SkinnedButton::Visible() {
    if (backStyle_ == 0) return 0;
    Redraw();
    return 255;
}

void SkinnedButton::SetVisible(std::uint8_t New_Visible) {
    if (New_Visible != 0) {
        backStyle_ = 1;
        setAttribute(Qt::WA_OpaquePaintEvent, true);
        Redraw();
    } else {
        backStyle_ = 0;
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        update();  // the host now shows nothing of the button's face
    }
    Notify("Visible");
}

void SkinnedButton::Initialize() {
    ButtonState = ButtonStates::Normal;
    TmrMouse.setInterval(kHoverInterval);
    TmrMouse.start();
}

void SkinnedButton::Notify(const char* name) { Q_EMIT PropertyChanged(QString::fromLatin1(name)); }

QFont SkinnedButton::AmbientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

// ---- Property store ---------------------------------------------------------

void SkinnedButton::ReadProperties(const PropertyBag& bag) {
    // A stored value that is not a Boolean leaves EnabledValue as it was.
    if (const auto enabled = ReadBoolean(bag.ReadProperty(QStringLiteral("Enabled"), true)))
        EnabledValue = *enabled;
    CaptionText = bag.ReadProperty(QStringLiteral("Caption"), QStringLiteral("Command1")).toString();

    const QFont ambient = AmbientFont();
    const QVariant font = bag.ReadProperty(QStringLiteral("Font"), QVariant::fromValue(ambient));
    if (font.typeId() == QMetaType::QFont) {
        surfaceFont_ = font.value<QFont>();
    } else {
        QFont parsed;
        if (parsed.fromString(font.toString())) surfaceFont_ = parsed;
    }

    bool ok = false;
    const uint firstRun = bag.ReadProperty(QStringLiteral("FirstRun"), QStringLiteral("1")).toString().toUInt(&ok);
    if (ok && firstRun <= 255) FirstRun = static_cast<std::uint8_t>(firstRun);

    const qlonglong colour =
        bag.ReadProperty(QStringLiteral("FontColour"), QStringLiteral("0")).toString().toLongLong(&ok);
    if (ok) {
        textColour_ = static_cast<std::uint32_t>(colour);
        FontColourValue = textColour_;
    }

    // The background style is 0 or 1; any other stored text is not a style.
    const int visible = bag.ReadProperty(QStringLiteral("Visible"), QStringLiteral("1")).toString().toInt(&ok);
    if (ok && (visible == 0 || visible == 1)) {
        backStyle_ = visible;
        setAttribute(Qt::WA_OpaquePaintEvent, backStyle_ != 0);
    }
    Redraw();
}

void SkinnedButton::WriteProperties(PropertyBag& bag) {
    bag.WriteProperty(QStringLiteral("Enabled"), EnabledValue != 0, true);
    bag.WriteProperty(QStringLiteral("Caption"), CaptionText, QStringLiteral("Command"));
    bag.WriteProperty(QStringLiteral("FirstRun"), QString::number(FirstRun), QStringLiteral("1"));
    bag.WriteProperty(QStringLiteral("Font"), QVariant::fromValue(surfaceFont_),
                      QVariant::fromValue(AmbientFont()));
    bag.WriteProperty(QStringLiteral("FontColour"), QString::number(textColour_), QStringLiteral("0"));
    bag.WriteProperty(QStringLiteral("Visible"), QString::number(static_cast<std::int16_t>(backStyle_)),
                      QStringLiteral("1"));
    Redraw();
}

// ---- Painting -----------------------------------------------------------------

int SkinnedButton::ScaleWidth() const { return scaleMode_ == Pixels ? width() : ToTwips(width()); }
int SkinnedButton::ScaleHeight() const { return scaleMode_ == Pixels ? height() : ToTwips(height()); }

void SkinnedButton::SetAccessKeys(const QString& keys) {
    if (keys == accessKeys_) return;
    accessKeys_ = keys;
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    if (!accessKeys_.isEmpty()) {
        const auto key = static_cast<Qt::Key>(accessKeys_.at(0).toUpper().unicode());
        shortcutId_ = grabShortcut(QKeySequence(QKeyCombination(Qt::AltModifier, key)));
    }
}

void SkinnedButton::PaintState(StateImage image) {
    // 1. Caption colour and access key.
    if (EnabledValue == 0) {
        ButtonState = ButtonStates::Disabled;
        textColour_ = kDisabledCaptionColour;
        SetAccessKeys(QString());
    } else {
        const qsizetype amp = CaptionText.indexOf(QLatin1Char('&'));
        if (amp >= 0) SetAccessKeys(CaptionText.mid(amp + 1, 1));
        textColour_ = FontColourValue;
    }

    // 2. Gradient direction from the state.
    if (ButtonState == ButtonStates::Normal || ButtonState == ButtonStates::Selected) {
        GradientReversed = 0;
    } else if (ButtonState == ButtonStates::HighLight) {
        GradientReversed = True;
    }

    // 3. Frame geometry, twips: destination and source of the eight pieces.
    const int W = ToTwips(width());
    const int H = ToTwips(height());
    struct Piece {
        int dx, dy, dw, dh, sx, sy, sw, sh;
    };
    const int edgeW = kImageWidth - 2 * kCorner;   // 840
    const int edgeH = kImageHeight - 2 * kCorner;  // 255
    const int right = kImageWidth - kCorner;       // 900
    const int bottom = kImageHeight - kCorner;     // 315
    const std::array<Piece, 8> pieces{{
        {1, 1, kCorner, kCorner, 0, 0, kCorner, kCorner},                                   // top-left
        {kCorner, 1, W - 2 * kCorner, kCorner, kCorner, 1, edgeW, kCorner},                  // top
        {W - kCorner, 1, kCorner, kCorner, right, 1, kCorner, kCorner},                      // top-right
        {W - kCorner, kCorner, kCorner, H - 2 * kCorner, right, kCorner, kCorner, edgeH},    // right
        {W - kCorner, H - kCorner, kCorner, kCorner, right, bottom, kCorner, kCorner},       // bottom-right
        {kCorner, H - kCorner, W - 2 * kCorner, kCorner, kCorner, bottom, edgeW, kCorner},   // bottom
        {1, H - kCorner, kCorner, kCorner, 0, bottom, kCorner, kCorner},                     // bottom-left
        {1, kCorner, kCorner, H - 2 * kCorner, 1, kCorner, kCorner, edgeH},                  // left
    }};

    // 4. Clear.
    if (surface_.size() != size()) surface_ = QImage(size(), QImage::Format_RGB32);
    if (!surface_.isNull()) surface_.fill(palette().color(QPalette::Button));

    // 5. The face.
    FillGradient();

    // 6. The frame, copied from the skin (stretched where the sizes differ).
    const QImage& skin = SkinImage(image);
    if (!skin.isNull() && !surface_.isNull()) {
        QPainter painter(&surface_);
        for (const Piece& p : pieces) {
            const QRect target(ToPixels(p.dx), ToPixels(p.dy), ToPixels(p.dw), ToPixels(p.dh));
            const QRect source(ToPixels(p.sx), ToPixels(p.sy), ToPixels(p.sw), ToPixels(p.sh));
            if (target.width() <= 0 || target.height() <= 0) continue;
            painter.drawImage(target, skin, source);
        }
    }

    // 7. The caption.
    DrawCaption(surface_, CaptionText);

    // 8. Refresh.
    update();

    // 9, 10. The focus rectangle.
    for (Line* line : {&LeftLine, &TopLine, &RightLine, &BottomLine}) line->Visible = false;
    if (ButtonState == ButtonStates::Selected || ButtonState == ButtonStates::HighLightSelect) {
        for (Line* line : {&LeftLine, &TopLine, &RightLine, &BottomLine}) line->Visible = true;
        LeftLine = {true, kCorner, kCorner, kCorner, H - kCorner};
        TopLine = {true, kCorner, kCorner, W - kCorner, kCorner};
        RightLine = {true, W - 70, kCorner, W - 70, H - kCorner};
        BottomLine = {true, kCorner, H - 70, W - kCorner, H - 70};
    }
    Q_EMIT Painted(image);
}

void SkinnedButton::FillGradient() {
    // Vertex 0 takes the top colour, vertex 1 the bottom one; the rectangle
    // names vertex 1 as upper-left, and the shading runs from the upper
    // vertex's colour to the lower one's, so vertex 0's colour is on top.
    const auto top = ColourChannels(GradientReversed ? kFaceBottom : kFaceTop);
    const auto bottom = ColourChannels(GradientReversed ? kFaceTop : kFaceBottom);
    scaleMode_ = Pixels;
    GradientVertices[0] = {0, 0, top[0], top[1], top[2], 0};
    GradientVertices[1] = {ScaleWidth() - 1, ScaleHeight() - 1, bottom[0], bottom[1], bottom[2], 0};
    GradientRect = {1, 0};

    if (!surface_.isNull()) {
        const TriVertex& a = GradientVertices[GradientRect.UpperLeft];
        const TriVertex& b = GradientVertices[GradientRect.LowerRight];
        const TriVertex& upper = a.y <= b.y ? a : b;
        const TriVertex& lower = a.y <= b.y ? b : a;
        const int rows = surface_.height();
        const int span = std::max(1, lower.y - upper.y);
        for (int y = 0; y < rows; ++y) {
            const int t = std::min(y, span);
            const auto channel = [&](std::uint16_t from, std::uint16_t to) {
                const int value = from + (static_cast<int>(to) - from) * t / span;
                return value >> 8;
            };
            const QRgb colour = qRgb(channel(upper.Red, lower.Red), channel(upper.Green, lower.Green),
                                     channel(upper.Blue, lower.Blue));
            auto* line = reinterpret_cast<QRgb*>(surface_.scanLine(y));
            std::fill(line, line + surface_.width(), colour);
        }
    }
    scaleMode_ = Twips;
}

void SkinnedButton::DrawCaption(QImage& surface, const QString& text) {
    if (surface.isNull()) return;
    const int remembered = scaleMode_;
    scaleMode_ = Pixels;
    // The caption goes through the 8-bit code page: characters it cannot hold
    // show as its substitute.
    const std::u16string wide(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()));
    const std::u16string narrowed = DecodeAnsi(EncodeAnsi(wide));
    const QString shown = QString::fromUtf16(narrowed.data(), static_cast<qsizetype>(narrowed.size()));

    const int innerW = ScaleWidth();
    const int innerH = ScaleHeight();
    constexpr int flags = Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
    QPainter painter(&surface);
    painter.setFont(surfaceFont_);
    const QRect measureRect(QPoint(4, 0), QPoint(innerW - 4 - 1, innerH - 1));
    const int measured = painter.fontMetrics().boundingRect(measureRect, flags, shown).height();
    const int top = RoundHalfEven((innerH - measured) / 2.0);
    const QRect drawRect(4, top, innerW - 8, innerH - top);
    painter.setPen(ColourFromRef(textColour_));
    painter.drawText(drawRect, flags, shown);
    lastCaptionTop_ = top;
    scaleMode_ = remembered;
}

void SkinnedButton::Redraw() {
    if (EnabledValue == 0) {
        ButtonState = ButtonStates::Disabled;
        PaintState(StateImage::Disable);
    } else {
        if (ButtonState == ButtonStates::Disabled) ButtonState = ButtonStates::Normal;
        PaintState(StateImage::Normal);
    }
}

void SkinnedButton::RestoreFromHover() {
    if (ButtonState != ButtonStates::Disabled && EnabledValue == 0) {
        ButtonState = ButtonStates::Disabled;
        PaintState(StateImage::Disable);
    }
    if (ButtonState == ButtonStates::HighLight) {
        ButtonState = ButtonStates::Normal;
        PaintState(StateImage::Normal);
    }
    if (ButtonState == ButtonStates::HighLightSelect) {
        ButtonState = ButtonStates::Selected;
        PaintState(StateImage::Selected);
    }
}

QImage SkinnedButton::Rendered() const {
    QImage shown = surface_.copy();
    if (shown.isNull()) return shown;
    // One-pixel dotted lines that invert what lies beneath; like the
    // platform's line drawing, the end point itself is not drawn.
    for (const Line* line : {&LeftLine, &TopLine, &RightLine, &BottomLine}) {
        if (!line->Visible) continue;
        const int x1 = ToPixels(line->X1), y1 = ToPixels(line->Y1);
        const int x2 = ToPixels(line->X2), y2 = ToPixels(line->Y2);
        const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
        for (int i = 0; i < steps; i += 2) {
            const int x = x1 + (x2 - x1) * i / steps;
            const int y = y1 + (y2 - y1) * i / steps;
            if (x < 0 || y < 0 || x >= shown.width() || y >= shown.height()) continue;
            const QRgb p = shown.pixel(x, y);
            shown.setPixel(x, y, qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)));
        }
    }
    return shown;
}

// ---- Interaction --------------------------------------------------------------

void SkinnedButton::OnMouseMove() {
    if (EnabledValue == 0) return;
    if (ButtonState == ButtonStates::Normal) {
        ButtonState = ButtonStates::HighLight;
        PaintState(StateImage::HighLight);
    } else if (ButtonState == ButtonStates::Selected && MouseDownFlag == 0) {
        ButtonState = ButtonStates::HighLightSelect;
        PaintState(StateImage::HighLightSelect);
    }
}

void SkinnedButton::OnMouseDown(int button) {
    if (EnabledValue == 0) return;
    if (button == ButtonCode(Qt::LeftButton)) {
        MouseDownFlag = True;
        PaintState(StateImage::Pressed);
    }
}

void SkinnedButton::OnMouseUp(int button) {
    if (EnabledValue == 0) return;
    if (button == ButtonCode(Qt::LeftButton)) {
        MouseDownFlag = 0;
        if (ButtonState == ButtonStates::HighLight) {
            PaintState(StateImage::Normal);
        } else if (ButtonState == ButtonStates::HighLightSelect) {
            PaintState(StateImage::HighLightSelect);
        }
    }
    if (ButtonState != ButtonStates::Selected && EnabledValue != 0) Q_EMIT Click();
}

void SkinnedButton::OnGotFocus() {
    if (EnabledValue == 0) return;
    if (ButtonState == ButtonStates::HighLight) {
        ButtonState = ButtonStates::HighLightSelect;
        PaintState(StateImage::Pressed);
    } else {
        ButtonState = ButtonStates::Selected;
        PaintState(StateImage::Selected);
    }
}

void SkinnedButton::OnLostFocus() {
    if (EnabledValue == 0) return;
    if (ButtonState != ButtonStates::Normal) {
        ButtonState = ButtonStates::Normal;
        PaintState(StateImage::Normal);
    }
}

void SkinnedButton::OnAccessKeyPress(int /*keyCode*/) {
    if (EnabledValue == 0) return;
    ButtonState = ButtonStates::HighLight;
    OnGotFocus();
    OnMouseUp(ButtonCode(Qt::LeftButton));
}

void SkinnedButton::OnTimerTick() {
    const QPoint pos = gCursor->Pos();
    QWidget* under = gCursor->WidgetAt(pos);
    QWidget* container = parentWidget();
    if (under == container) {
        RestoreFromHover();
    } else if (under != this && under != container) {
        RestoreFromHover();
    }
}

// ---- Platform events ------------------------------------------------------------

bool SkinnedButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut) {
        const auto* shortcut = static_cast<QShortcutEvent*>(e);
        if (shortcut->shortcutId() == shortcutId_) {
            OnAccessKeyPress(shortcut->key().isEmpty() ? 0 : shortcut->key()[0].toCombined());
            return true;
        }
    }
    return QWidget::event(e);
}

void SkinnedButton::paintEvent(QPaintEvent*) {
    if (backStyle_ == 0) return;  // transparent: the host shows nothing of the face
    QPainter painter(this);
    painter.drawImage(0, 0, Rendered());
}

void SkinnedButton::resizeEvent(QResizeEvent*) {
    surface_ = QImage(size(), QImage::Format_RGB32);
    Redraw();
}

// A press at a point on the button is where the pointer is, moved or not.
void SkinnedButton::mousePressEvent(QMouseEvent* e) {
    if (rect().contains(e->position().toPoint())) OnMouseMove();
    if (e->button() == Qt::LeftButton && !hasFocus()) setFocus(Qt::MouseFocusReason);
    OnMouseDown(ButtonCode(e->button()));
}
void SkinnedButton::mouseMoveEvent(QMouseEvent*) { OnMouseMove(); }
void SkinnedButton::mouseReleaseEvent(QMouseEvent* e) { OnMouseUp(ButtonCode(e->button())); }
// The focus coming back with the window (a dialog closed) finds the pointer
// where it rested.
void SkinnedButton::focusInEvent(QFocusEvent*) {
    OnGotFocus();
    if (gCursor->WidgetAt(gCursor->Pos()) == this) OnMouseMove();
}
void SkinnedButton::focusOutEvent(QFocusEvent*) { OnLostFocus(); }

void SkinnedButton::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && !e->isAutoRepeat() &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        OnAccessKeyPress(key);
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace tessark
