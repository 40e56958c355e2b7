// The six button skins: their colour table and the renderer that turns a
// table row into a 64 x 25 picture with rounded corners.
#include "ImageGen.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessark::imagegen {
namespace {

constexpr Shade Flat(QRgb c) { return Shade{c, c}; }

// The face colours around a button; the focused skins, whose outline lies on
// the very edge, show them behind their rounded corners.
constexpr std::array<QRgb, 4> kFace{0xE0DCC9, 0xF8F7F0, 0xE2DECB, 0xF0EEE0};

// A near-white that the resting skin's inner rings start from.
constexpr QRgb kNearWhite = 0xFDFDFB;

constexpr QRgb kOutline = 0x003C74;

const std::vector<SkinSpec> kSkins{
    {"Normal", 1,
     {0xE0DCC9, kOutline, 0xF3F3EE, 0xF3F3EE},
     {0xF8F7F0, kOutline, 0xD6D0C5, 0xE2DFD6},
     {Flat(0xE2DECB), Flat(kOutline), Shade{kNearWhite, 0xECEBE6}, Shade{kNearWhite, 0xECEBE6}},
     {Flat(0xF0EEE0), Flat(kOutline), Shade{kNearWhite, 0xE0DDD4}, Shade{kNearWhite, 0xE0DDD4}},
     kFace},
    {"HighLight", 1,
     {0xE0DCC9, kOutline, 0xFFF0CF, 0xFDD889},
     {0xF8F7F0, kOutline, 0xE59700, 0xF8B330},
     {Flat(0xE2DECB), Flat(kOutline), Shade{0xFEDF9A, 0xF9B435}, Shade{0xFCD279, 0xF8B535}},
     {Flat(0xF0EEE0), Flat(kOutline), Shade{0xFEDF9A, 0xF9B435}, Shade{0xFCD279, 0xF8B535}},
     kFace},
    {"Pressed", 1,
     {0xE0DCC9, kOutline, 0xD1CCC1, 0xDCD8CF},
     {0xF8F7F0, kOutline, 0xF2F1EE, 0xEAE9E3},
     {Flat(0xE2DECB), Flat(kOutline), Flat(0xD8D4CB), Flat(0xDDDAD1)},
     {Flat(0xF0EEE0), Flat(kOutline), Flat(0xE5E4DD), Flat(0xE4E3DC)},
     kFace},
    {"Selected", 0,
     {kOutline, 0xCEE7FF, 0xCEE7FF, 0xF3F3EE},
     {kOutline, 0x6982EE, 0x6982EE, 0xECEBE5},
     {Flat(kOutline), Shade{0xB7D0F4, 0x8BADE4}, Shade{0xB7D0F4, 0x8BADE4}, Flat(0xF3F3EE)},
     {Flat(kOutline), Shade{0xB7D0F4, 0x8BADE4}, Shade{0xB7D0F4, 0x8BADE4}, Flat(0xF3F3EE)},
     kFace},
    {"HighLightSelect", 0,
     {kOutline, 0xFFF0CF, 0xFFF0CF, 0xF3F3EE},
     {kOutline, 0xE59700, 0xE59700, 0xF3F3EE},
     {Flat(kOutline), Shade{0xFEDD95, 0xF9B83B}, Shade{0xFEDD95, 0xF9B83B}, Flat(0xF3F3EE)},
     {Flat(kOutline), Shade{0xFEDD95, 0xF9B83B}, Shade{0xFEDD95, 0xF9B83B}, Flat(0xF3F3EE)},
     kFace},
    {"Disable", 1,
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},
     {0xECE9D8, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},
     {Flat(0xECE9D8), Flat(0xC9C7BA), Flat(0xF5F4EA), Flat(0xF5F4EA)},
     {Flat(0xECE9D8), Flat(0xC9C7BA), Flat(0xF5F4EA), Flat(0xF5F4EA)},
     {0xECE9D8, 0xECE9D8, 0xECE9D8, 0xECE9D8}},
};

// A colour with double channels, so that blends and averages round once.
struct Colour {
    double r = 0, g = 0, b = 0;
};

Colour FromRgb(QRgb c) {
    return Colour{double(qRed(c)), double(qGreen(c)), double(qBlue(c))};
}

Colour Mix(const Colour& a, const Colour& b, double t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

enum Side { kTop = 0, kBottom = 1, kLeft = 2, kRight = 3 };

// The side rows that the left and right shades run over: pixel rows 4..20.
// Rows above take the first colour, rows below the last.
constexpr int kShadeStart = 4;
constexpr int kShadeEnd = kSkinHeight - 5;

// Radius of the rounded corner at the outer edge of the picture. The arc's
// centre lies 2.6 pixels in from both edges, so the whole bend stays inside
// the 4 x 4 corner square; the outline bends on a radius of about two pixels,
// its diagonal corner pixel comes out as a half-and-half blend with the ring
// outside it, and the very corner pixel keeps the colour outside the outline.
constexpr double kCornerRadius = 2.6;

// Colour of `ring` (-1: outside the rounded shape) on `side` in pixel row
// `row`. The shade goes by whole rows, so that every row of a side is one
// flat colour and its two end rows carry the end colours exactly.
Colour RingColour(const SkinSpec& skin, Side side, int ring, int row) {
    if (ring < 0) return FromRgb(skin.outer[side]);
    const auto r = static_cast<std::size_t>(ring);
    switch (side) {
    case kTop: return FromRgb(skin.top[r]);
    case kBottom: return FromRgb(skin.bottom[r]);
    case kLeft:
    case kRight: {
        const Shade& s = (side == kLeft ? skin.left : skin.right)[r];
        const double t = std::clamp(double(row - kShadeStart) / (kShadeEnd - kShadeStart), 0.0, 1.0);
        return Mix(FromRgb(s.from), FromRgb(s.to), t);
    }
    }
    return {};
}

int RingOf(double depth) {
    if (depth < 0) return -1;
    return std::min(int(std::floor(depth)), kRings);  // kRings: the centre
}

// Colour at one point (x, y) of the picture, in pixel units, lying in pixel
// row `row`.
Colour Sample(const SkinSpec& skin, double x, double y, int row) {
    const double w = kSkinWidth, h = kSkinHeight;
    const bool nearLeft = x < kCornerRadius, nearRight = x > w - kCornerRadius;
    const bool nearTop = y < kCornerRadius, nearBottom = y > h - kCornerRadius;
    if ((nearLeft || nearRight) && (nearTop || nearBottom)) {
        // Inside a corner bend: depth is measured from the arc, and the
        // colour turns from the side's to the edge's with the angle.
        const double cx = nearLeft ? kCornerRadius : w - kCornerRadius;
        const double cy = nearTop ? kCornerRadius : h - kCornerRadius;
        const double dx = std::abs(x - cx), dy = std::abs(y - cy);
        const int ring = RingOf(kCornerRadius - std::hypot(dx, dy));
        const double towardsEdge = std::atan2(dy, dx) / (std::numbers::pi / 2);
        const Side side = nearLeft ? kLeft : kRight;
        const Side edge = nearTop ? kTop : kBottom;
        if (ring >= kRings) return FromRgb(skin.top[kRings - 1]);
        return Mix(RingColour(skin, side, ring, row), RingColour(skin, edge, ring, row), towardsEdge);
    }
    const std::array<double, 4> depth{y, h - y, x, w - x};
    const auto nearest = std::min_element(depth.begin(), depth.end());
    const int ring = RingOf(*nearest);
    if (ring >= kRings) return FromRgb(skin.top[kRings - 1]);
    return RingColour(skin, Side(nearest - depth.begin()), ring, row);
}

// Samples per pixel along each axis for the antialiased corners.
constexpr int kSubsamples = 16;

}  // namespace

const std::vector<SkinSpec>& Skins() { return kSkins; }

QImage RenderSkin(const SkinSpec& skin) {
    QImage image(kSkinWidth, kSkinHeight, QImage::Format_RGB888);
    for (int py = 0; py < kSkinHeight; ++py) {
        uchar* line = image.scanLine(py);
        for (int px = 0; px < kSkinWidth; ++px) {
            Colour sum;
            for (int j = 0; j < kSubsamples; ++j) {
                for (int i = 0; i < kSubsamples; ++i) {
                    const Colour c = Sample(skin, px + (i + 0.5) / kSubsamples,
                                            py + (j + 0.5) / kSubsamples, py);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            constexpr double n = kSubsamples * kSubsamples;
            line[3 * px + 0] = uchar(std::lround(sum.r / n));
            line[3 * px + 1] = uchar(std::lround(sum.g / n));
            line[3 * px + 2] = uchar(std::lround(sum.b / n));
        }
    }
    return image;
}

}  // namespace tessark::imagegen
