// SkinnedButton (formerly Command): the owner-drawn push button of the main window (identifier
// "Tessark.Command").
//
// The button draws everything itself into a retained image, its surface:
// every state change repaints the whole surface (PaintState) - a two-colour
// vertical gradient, a four-pixel frame cut from one of six skin images, the
// centred caption - and paintEvent only shows that image with the dotted
// focus rectangle inverted over it. Lengths on the surface are twips, 15 per
// pixel.
//
// Interaction is a small state machine (ButtonState) driven by seven
// notifications: MouseDown, MouseMove, MouseUp, GotFocus, LostFocus,
// AccessKeyPress and the 100 ms hover poll of TmrMouse. Click is raised on
// the release of any mouse button unless the state is Selected (a press that
// was dragged off the button), and by the access key; it is not the
// platform's idea of a click. The access key is Alt with the letter after the
// first "&" of the caption; Space and Enter on the focused button count as an
// access-key press too, so every button works without a mouse. The focus
// comes only from Tab and a left press: a right or middle press neither
// focuses the button nor paints a press (its release still clicks).
//
// The button also learns where a resting pointer is, which X does not tell
// it: when the window under a still pointer changes (a dialog closing over
// it), X sends no move, and the button would stay Selected and let the next
// press and release go without a Click. So it asks CursorProbe when it gains
// the focus, and takes a press at a point on it for the move it missed; then
// it runs MouseMove (after GotFocus; before MouseDown): Normal -> HighLight,
// Selected -> HighLightSelect unless a press is held, as the original
// platform's move would have. A press and release over the button therefore
// always click it.
//
// The cursor position and the widget under it come through CursorProbe, so
// that tests can place the cursor.
//
// Failures: every property, the method and every handler go on with their
// next step when one fails (a missing skin, an unreadable stored value);
// nothing is reported and no error leaves the control.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "Boolean.h"
#include "PropertyBag.h"

namespace tessark {

// Values of SkinnedButton's ButtonState.
struct ButtonStates {
    enum : std::uint8_t {
        Disabled = 0,         // not enabled
        Normal = 1,           // neither focus nor cursor
        HighLight = 2,        // cursor over the button, no focus
        Selected = 3,         // focus, cursor elsewhere (or a press dragged off)
        HighLightSelect = 4,  // focus and cursor over the button
    };
};

// The six skin images.
enum class StateImage { Normal, HighLight, Pressed, Selected, HighLightSelect, Disable };
const char* StateImageName(StateImage image);

// Where the cursor is and which widget is under it. The default asks QCursor
// and QApplication::widgetAt.
class CursorProbe {
public:
    virtual ~CursorProbe() = default;
    virtual QPoint Pos() const = 0;
    virtual QWidget* WidgetAt(const QPoint& globalPos) const = 0;
};

class SkinnedButton : public QWidget {
    Q_OBJECT

public:
    // The control's identifier, also set as its "ControlIdentifier" property
    // so that hosts can find their buttons without knowing the class.
    static constexpr const char* kIdentifier = "Tessark.Command";
    static constexpr int kTwipsPerPixel = 15;
    static constexpr std::uint32_t kDisabledCaptionColour = 12632256;  // #C0C0C0

    // Creation: caption "Command", then Enabled written with true.
    explicit SkinnedButton(QWidget* parent = nullptr);
    ~SkinnedButton() override;

    // Properties. Every writer notifies the host (PropertyChanged) and
    // repaints in the resting look (Redraw).
    QString Caption() const;
    void SetCaption(const QString& New_Caption);
    // The first read on a fresh object (FirstRun 0) forces the value true.
    Boolean Enabled();
    void SetEnabled(Boolean New_Enabled);
    // The surface font itself: changes through the reference act on the
    // button's font at once (seen at the next paint).
    QFont& Font();
    void SetFont(const QFont& New_Font);
    // Colours are 0x00BBGGRR. The reader returns the surface's current text
    // colour, which is the disabled grey while the button is painted disabled.
    std::uint32_t FontColour() const;
    void SetFontColour(std::uint32_t New_FontColour);
    // 0 when the background is transparent; otherwise 255, after a repaint.
    std::uint8_t Visible();
    // Non-zero: opaque background and a repaint; 0: transparent, no repaint.
    void SetVisible(std::uint8_t New_Visible);

    // Puts the button into Normal and starts hover polling (100 ms). Does not
    // repaint.
    Q_INVOKABLE void Initialize();

    // Design settings through the host's property store, in the fixed order
    // Enabled, Caption, Font, FirstRun, FontColour, Visible (reading) and
    // Enabled, Caption, FirstRun, Font, FontColour, Visible (writing); both
    // end with a repaint. Caption defaults to "Command1" when reading and to
    // "Command" when writing.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag);

    // What the host may look at.
    std::uint8_t State() const { return ButtonState; }
    const QImage& Surface() const { return surface_; }
    // The surface as shown: with the focus lines inverted over it.
    QImage Rendered() const;
    QString AccessKeys() const { return accessKeys_; }
    const QTimer& MouseTimer() const { return TmrMouse; }

    // Process-wide; nullptr restores the default. Not owned.
    static void SetCursorProbe(CursorProbe* probe);

Q_SIGNALS:
    void Click();
    // The host's change notification: `name` is the property's name.
    void PropertyChanged(const QString& name);
    // Emitted at the end of every PaintState with the image it painted.
    void Painted(tessark::StateImage image);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend struct CommandTestAccess;

    // A gradient vertex as the shading step takes it: position in pixels,
    // 16-bit channels with the 8-bit value in the high byte.
    struct TriVertex {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::uint16_t Red = 0;
        std::uint16_t Green = 0;
        std::uint16_t Blue = 0;
        std::uint16_t Alpha = 0;
    };
    struct GradientRectangle {
        std::uint32_t UpperLeft = 0;
        std::uint32_t LowerRight = 0;
    };
    // One focus line: end points in twips.
    struct Line {
        bool Visible = false;
        int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    };
    enum ScaleModes : int { Twips = 1, Pixels = 3 };

    // Notifications (the platform's events end up here).
    void OnMouseDown(int button);
    void OnMouseMove();
    void OnMouseUp(int button);
    void OnGotFocus();
    void OnLostFocus();
    void OnAccessKeyPress(int keyCode);
    void OnTimerTick();

    // Painting.
    void PaintState(StateImage image);
    void Redraw();
    void RestoreFromHover();
    void FillGradient();
    void DrawCaption(QImage& surface, const QString& text);
    void SetAccessKeys(const QString& keys);
    QFont AmbientFont() const;
    int ScaleWidth() const;
    int ScaleHeight() const;
    void Notify(const char* name);

    // Fields, in the control's declaration order.
    std::uint8_t FirstRun = 0;
    Boolean EnabledValue = 0;
    Boolean MouseDownFlag = 0;
    QString CaptionText;
    std::uint8_t ButtonState = ButtonStates::Disabled;
    std::uint32_t FontColourValue = 0;
    GradientRectangle GradientRect;
    std::array<TriVertex, 2> GradientVertices{};
    Boolean GradientReversed = 0;

    // Design-time elements.
    QTimer TmrMouse;
    Line LeftLine, TopLine, RightLine, BottomLine;

    // The surface and its attributes.
    QImage surface_;
    QFont surfaceFont_;
    std::uint32_t textColour_ = 0;
    int backStyle_ = 1;  // 0 transparent, 1 opaque
    int scaleMode_ = Twips;
    QString accessKeys_;
    int shortcutId_ = 0;
    int lastCaptionTop_ = 0;  // pixels; where the last caption was drawn
};

// 0x00BBGGRR to QColor.
QColor ColourFromRef(std::uint32_t colour);

}  // namespace tessark
