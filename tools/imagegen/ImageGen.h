// Image generator for the program's artwork: the six button skins, the tiled
// window background and the window icon. Every function is a pure function of
// its arguments: the same call always yields the same pixels, so the committed
// images can be regenerated and checked byte for byte.
#pragma once

#include <QImage>
#include <QRgb>

#include <array>
#include <vector>

namespace tessark::imagegen {

// Width and height of a skin image in pixels. Only the outer four pixels
// (the four rings of the frame) ever reach the screen.
inline constexpr int kSkinWidth = 64;
inline constexpr int kSkinHeight = 25;
inline constexpr int kRings = 4;

// A ring colour along a left or right edge: `from` at the first side row
// (row 4), `to` at the last (row 20), linear in between. Equal ends give a
// flat colour.
struct Shade {
    QRgb from;
    QRgb to;
};

// The colours of one skin, ring 0 being the outermost pixel.
struct SkinSpec {
    const char* name;  // file name without ".png"
    int outlineRing;   // the ring that carries the dark outline; rounding bends it
    std::array<QRgb, kRings> top;
    std::array<QRgb, kRings> bottom;
    std::array<Shade, kRings> left;
    std::array<Shade, kRings> right;
    // Colours behind the rounded corners, outside the outline (top, bottom,
    // left, right): the face the button stands on.
    std::array<QRgb, 4> outer;
};

// The six skins in the order Normal, HighLight, Pressed, Selected,
// HighLightSelect, Disable.
const std::vector<SkinSpec>& Skins();

// Draws one skin: 64 x 25 pixels, QImage::Format_RGB888. Straight edge pixels
// carry exactly the ring colours; the corners are rounded with antialiasing;
// the never-shown centre is filled with the ring-3 colour of the top edge.
QImage RenderSkin(const SkinSpec& skin);

// The window background: 789 x 461 pixels, Format_RGB888, a pattern of softly
// bevelled blue tiles.
inline constexpr int kBackgroundWidth = 789;
inline constexpr int kBackgroundHeight = 461;
QImage RenderBackground();

// The window icon: 32 x 32 pixels, Format_ARGB32 with a transparent surround.
inline constexpr int kIconSize = 32;
QImage RenderIcon();

}  // namespace tessark::imagegen
