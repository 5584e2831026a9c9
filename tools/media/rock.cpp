// Rocks: stone texture from layered noise, a rounded rim lit from the top
// left, a few cracks and a dark outline, inside any polygon.

#include <cmath>

#include "core/error.h"
#include "tools/media/effects.h"
#include "tools/media/noise.h"
#include "tools/media/pictures.h"

namespace media {

core::Ref<draw2d::TPixmap> PaintRock(const std::vector<float>& polygon, int width, int height,
                                     std::uint32_t seed, float footShade) {
    const Polygon outline(polygon);
    core::Ref<draw2d::TPixmap> pix = NewCanvas(width, height);
    Painter p(pix);
    const Color dark = Rgb(78, 72, 68), light = Rgb(172, 162, 148);
    const Color crack = Rgb(45, 40, 38);
    const auto stone = [&](float x, float y) {
        const float grain = FractalNoise(x / 22, y / 22, 5, seed);
        Color c = Mix(dark, light, SmoothStep(0.2f, 0.8f, grain));
        // Speckles of lighter mineral.
        if (ValueNoise(x / 2.5f, y / 2.5f, seed + 3) > 0.82f) c = Shade(c, 1.18f);
        // Cracks along the ridges of a coarse noise.
        const float ridge = std::fabs(FractalNoise(x / 40, y / 40, 3, seed + 5) - 0.5f);
        c = Mix(c, crack, 0.6f * (1 - SmoothStep(0.0f, 0.02f, ridge)));
        // Stone darkens a little towards its foot.
        return Shade(c, 1 + footShade * (4.0f / 9 - y / float(height)));
    };
    OutlineBehind(p, outline, 2.0f, Rgb(35, 30, 28));
    FillEmbossed(p, outline, stone,
                 Emboss{std::min(16.0f, width * 0.1f), -0.6f, -0.8f, 0.45f, 0.5f}, Blend::Over,
                 1.3f);
    p.BleedEdges();
    return pix;
}

} // namespace media
