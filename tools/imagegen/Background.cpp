// The window background: square tiles in blues around the window colour
// RGB(102, 175, 230), each with a soft bevel (light upper-left, dark
// lower-right) and a faint sheen, separated by thin darker joints, under a
// gentle diagonal light from the upper left.
#include "ImageGen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tessark::imagegen {
namespace {

constexpr int kTile = 28;     // tile pitch in pixels, joint included
constexpr int kBevel = 4;     // width of the soft bevel
constexpr int kBaseR = 102, kBaseG = 175, kBaseB = 230;

// A fixed integer hash of a tile's position, for the per-tile tint; it makes
// the pattern irregular while keeping every run identical.
std::uint32_t TileHash(int tx, int ty) {
    std::uint32_t h = std::uint32_t(tx) * 0x9E3779B1u ^ std::uint32_t(ty) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

uchar Channel(double v) { return uchar(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

QImage RenderBackground() {
    QImage image(kBackgroundWidth, kBackgroundHeight, QImage::Format_RGB888);
    constexpr double inner = kTile - 1;  // tile face without the joint
    for (int y = 0; y < kBackgroundHeight; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kBackgroundWidth; ++x) {
            const int lx = x % kTile, ly = y % kTile;
            // Overall light: a little brighter towards the upper left.
            const double diagonal = double(x) / kBackgroundWidth + double(y) / kBackgroundHeight;
            double light = 10.0 * (1.0 - diagonal);
            double r = kBaseR, g = kBaseG, b = kBaseB;
            if (lx == kTile - 1 || ly == kTile - 1) {
                // Joint between tiles.
                r = 64; g = 128; b = 192;
                light *= 0.5;
            } else {
                const std::uint32_t h = TileHash(x / kTile, y / kTile);
                light += double(int(h % 5u) - 2) * 5.0;  // per-tile tint: -10..+10
                // Bevel: the nearest face edge decides light or shade, fading inwards.
                const double u = lx + 0.5, v = ly + 0.5;
                const double toLeft = u, toTop = v, toRight = inner - u, toBottom = inner - v;
                const double nearLit = std::min(toLeft, toTop);
                const double nearDark = std::min(toRight, toBottom);
                if (nearLit <= nearDark && nearLit < kBevel)
                    light += 34.0 * (1.0 - nearLit / kBevel);
                else if (nearDark < kBevel)
                    light -= 30.0 * (1.0 - nearDark / kBevel);
                // Sheen across the face, brightest along its upper-left diagonal.
                const double across = (u + v) / (2.0 * inner);
                light += 8.0 * std::exp(-std::pow((across - 0.3) / 0.18, 2.0));
            }
            line[3 * x + 0] = Channel(r + light * 0.9);
            line[3 * x + 1] = Channel(g + light);
            line[3 * x + 2] = Channel(b + light * 0.6);
        }
    }
    return image;
}

}  // namespace tessark::imagegen
