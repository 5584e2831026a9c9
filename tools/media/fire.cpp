// The flames: a heat field per cell (a few swaying tongues roughened by
// noise) mapped through a fire palette. The pictures are drawn additively,
// so alpha scales the light a flame adds and the background stays black.

#include <cmath>
#include <numbers>

#include "tools/media/gradient.h"
#include "tools/media/noise.h"
#include "tools/media/paint.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

constexpr int kCells = 10, kCellW = 50, kCellH = 100;

struct Tongue {
    float x;      // base centre, cell pixels
    float width;  // half width at the base
    float height; // tip height above the bottom
    float sway;   // sideways bend at the tip
    float phase;
};

// Heat of one tongue at a point: 1 in its core, 0 outside.
float TongueHeat(const Tongue& t, float x, float up) {
    const float v = up / t.height;
    if (v < 0 || v > 1) return 0;
    const float bend = t.sway * v * v + 2.0f * v * std::sin(t.phase + v * 5);
    const float half = t.width * std::pow(1 - v, 0.75f) * (0.75f + 0.25f * std::sqrt(v + 0.05f));
    if (half <= 0) return 0;
    const float across = std::fabs(x - t.x - bend) / half;
    return Clamp01(1 - across * across) * (1 - v * v);
}

float Heat(int cell, float x, float y) {
    const std::uint32_t seed = 101 + std::uint32_t(cell) * 31;
    const float up = kCellH - y;
    float heat = 0;
    for (int i = 0; i < 3; ++i) {
        const float r0 = LatticeHash(cell, i, 7), r1 = LatticeHash(cell, i, 8);
        const float r2 = LatticeHash(cell, i, 9);
        const Tongue t{25 + (i - 1) * (5 + 4 * r0), i == 1 ? 12.0f : 8.0f + 3 * r1,
                       i == 1 ? 78 + 18 * r2 : 45 + 30 * r1, (r2 - 0.5f) * 18,
                       r0 * 2 * std::numbers::pi_v<float>};
        heat = std::max(heat, TongueHeat(t, x, up));
    }
    // Licks of turbulence rising through the flame.
    const float n = FractalNoise(x * 0.09f, (y + cell * 23.0f) * 0.06f, 4, seed);
    heat *= 0.55f + 0.9f * n;
    // Keep the cell's sides dark so neighbouring flames show no seam.
    heat *= SmoothStep(0, 6, x) * SmoothStep(0, 6, kCellW - x);
    return Clamp01(heat);
}

} // namespace

core::Ref<draw2d::TPixmap> PaintFire() {
    core::Ref<draw2d::TPixmap> pix = NewCanvas(kCells * kCellW, kCellH);
    Painter p(pix);
    const Ramp palette{{0, Rgb(90, 0, 0)},
                       {0.3f, Rgb(200, 30, 0)},
                       {0.55f, Rgb(255, 110, 10)},
                       {0.8f, Rgb(255, 190, 50)},
                       {1, Rgb(255, 245, 170)}};
    for (int cell = 0; cell < kCells; ++cell) {
        for (int y = 0; y < kCellH; ++y) {
            for (int x = 0; x < kCellW; ++x) {
                const float h = Heat(cell, x + 0.5f, y + 0.5f);
                Color c = palette.At(h);
                c.a = 0.42f * SmoothStep(0.05f, 0.8f, h);
                p.Set(cell * kCellW + x, y, c);
            }
        }
    }
    return pix;
}

} // namespace media
