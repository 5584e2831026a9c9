// A standing wooden barrel: bulging staves with grain, shaded as a
// cylinder, two pairs of iron hoops and a dark outline.

#include <cmath>
#include <numbers>

#include "core/error.h"
#include "tools/media/effects.h"
#include "tools/media/noise.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

// Half width of the barrel at height fraction t (0 top, 1 bottom): widest
// in the middle, as staves bend.
float HalfWidth(float maxHalf, float t) {
    return maxHalf * (0.84f + 0.16f * std::sin(std::numbers::pi_v<float> * t));
}

} // namespace

core::Ref<draw2d::TPixmap> PaintBarrel(int width, int height) {
    if (width < 12 || height < 12) throw core::RuntimeError("Barrel picture too small");
    core::Ref<draw2d::TPixmap> pix = NewCanvas(width, height);
    Painter p(pix);
    const float margin = 2.5f, cx = width * 0.5f, maxHalf = cx - margin;
    const float top = margin, bottom = height - margin, tall = bottom - top;

    std::vector<float> xy;
    constexpr int steps = 24;
    for (int i = 0; i <= steps; ++i) { // right side, top to bottom
        const float t = float(i) / steps;
        xy.push_back(cx + HalfWidth(maxHalf, t));
        xy.push_back(top + t * tall);
    }
    for (int i = steps; i >= 0; --i) { // left side, bottom to top
        const float t = float(i) / steps;
        xy.push_back(cx - HalfWidth(maxHalf, t));
        xy.push_back(top + t * tall);
    }
    const Polygon body(xy);

    const int staves = std::max(3, int(std::lround(width / 9.0f)));
    const Color wood = Rgb(178, 112, 56), seam = Rgb(70, 38, 18);
    const auto staveWood = [&](float x, float y) {
        const float t = (y - top) / tall;
        const float s = std::clamp((x - cx) / HalfWidth(maxHalf, t), -1.0f, 1.0f);
        // Staves are equal arcs of the cylinder, so they narrow at its sides.
        const float arc = std::asin(s) / std::numbers::pi_v<float> + 0.5f; // 0...1
        const float pos = arc * staves;
        const int stave = std::min(staves - 1, int(pos));
        const float edge = std::min(pos - stave, stave + 1 - pos);
        Color c = Shade(wood, 0.88f + 0.24f * LatticeHash(stave, 0, 17));
        const float grain = FractalNoise(pos * 3, y / 14, 3, 40u + stave);
        c = Shade(c, 0.86f + 0.28f * grain);
        c = Mix(seam, c, SmoothStep(0.0f, 0.12f, edge * (1 + std::fabs(s))));
        // Cylinder light: brightest left of centre, dark at both sides.
        const float lit = 1 - (s + 0.3f) * (s + 0.3f) / 1.7f;
        return Shade(c, 0.45f + 0.75f * lit);
    };
    OutlineBehind(p, body, 1.8f, Rgb(45, 25, 12));
    FillEmbossed(p, body, staveWood, Emboss{3, -0.6f, -0.8f, 0.2f, 0.3f});

    // Iron hoops, following the bulge; shaded like the wood.
    const float hoopH = std::max(2.5f, tall * 0.055f);
    for (float at : {0.12f, 0.26f, 0.74f, 0.88f}) {
        const float y = top + at * tall;
        const RoundRect band{cx - maxHalf - 2, y - hoopH * 0.5f, 2 * maxHalf + 4, hoopH, 1};
        p.Fill(
            Both<RoundRect, Polygon>{band, body},
            [&](float x, float py) {
                const float s = (x - cx) / maxHalf;
                const float lit = 1 - (s + 0.3f) * (s + 0.3f) / 1.7f;
                const float v = (py - band.y) / hoopH; // top edge catches light
                const Color iron = Mix(Rgb(170, 170, 180), Rgb(60, 60, 70), v);
                return Shade(iron, 0.5f + 0.7f * lit);
            },
            Blend::Atop);
        p.Stroke(Both<RoundRect, Polygon>{band, body}, 1.0f, Solid{Rgb(30, 28, 30, 0.8f)},
                 Blend::Atop);
    }
    p.BleedEdges();
    return pix;
}

} // namespace media
