// The physics library's logo: springy strands knotted between blobs, over
// the word "tangle".

#include <cmath>
#include <numbers>

#include "tools/media/effects.h"
#include "tools/media/glyphs.h"
#include "tools/media/gradient.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

// A wavy strand from one point to another: a few sine wiggles across the
// straight line, like a spring under tension.
Strokes Spring(float ax, float ay, float bx, float by, float amplitude, int waves, float radius) {
    std::vector<float> xy;
    const float dx = bx - ax, dy = by - ay, len = std::hypot(dx, dy);
    const float nx = -dy / len, ny = dx / len;
    constexpr int steps = 40;
    for (int i = 0; i <= steps; ++i) {
        const float t = float(i) / steps;
        const float off = amplitude * std::sin(t * waves * std::numbers::pi_v<float>) *
                          std::sin(t * std::numbers::pi_v<float>);
        xy.push_back(ax + dx * t + nx * off);
        xy.push_back(ay + dy * t + ny * off);
    }
    Strokes s;
    s.AddPolyline(xy, radius);
    return s;
}

} // namespace

core::Ref<draw2d::TPixmap> PaintLogo() {
    constexpr int W = 160, H = 100;
    core::Ref<draw2d::TPixmap> pix = NewCanvas(W, H);
    Painter p(pix);
    const Emboss look{3.5f, -0.6f, -0.8f, 0.6f, 0.4f};
    const Color ink = Rgb(25, 20, 45);

    // Blobs of the knot and the strands between them, back to front, each
    // outlined so the crossings read as over and under.
    const float nodes[][2] = {{22, 32}, {60, 11}, {100, 36}, {138, 14}};
    const int links[][2] = {{0, 2}, {1, 3}, {0, 1}, {1, 2}, {2, 3}};
    const Color colors[] = {Rgb(255, 150, 40), Rgb(80, 200, 230), Rgb(190, 110, 235),
                            Rgb(120, 220, 110), Rgb(240, 90, 110)};
    for (std::size_t i = 0; i < std::size(links); ++i) {
        const auto& a = nodes[links[i][0]];
        const auto& b = nodes[links[i][1]];
        const Strokes spring = Spring(a[0], a[1], b[0], b[1], 5, 3 + int(i % 3) * 2, 2.6f);
        OutlineBehind(p, spring, 1.8f, ink);
        FillEmbossed(p, spring, Solid{colors[i]}, Emboss{2.2f, -0.6f, -0.8f, 0.5f, 0.4f});
    }
    for (const auto& n : nodes) {
        const Circle blob{n[0], n[1], 7.5f};
        OutlineBehind(p, blob, 2, ink);
        FillEmbossed(
            p, blob,
            RadialGradient{
                n[0] - 2.5f, n[1] - 3, 10, 10, {{0, Rgb(255, 255, 255)}, {1, Rgb(150, 160, 190)}}},
            look);
    }

    const TextStyle style{36, 0.13f, 0.1f};
    const float baseline = 80;
    const Strokes word =
        TextStrokes("tangle", (W - TextWidth("tangle", style)) * 0.5f, baseline, style);
    DropShadow(p, word, 1.5f, 2.5f, 3, Rgb(0, 0, 0, 0.5f));
    OutlineBehind(p, word, 2.5f, ink);
    FillEmbossed(p, word,
                 LinearGradient{0,
                                baseline - style.capHeight,
                                0,
                                baseline,
                                {{0, Rgb(255, 235, 150)}, {1, Rgb(245, 140, 40)}}},
                 look);
    p.BleedEdges();
    return pix;
}

} // namespace media
