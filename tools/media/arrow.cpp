// The scroll arrows: a rounded, lit arrow head with a short shaft.

#include "core/error.h"
#include "tools/media/effects.h"
#include "tools/media/gradient.h"
#include "tools/media/pictures.h"

namespace media {

core::Ref<draw2d::TPixmap> PaintArrow(ArrowDirection direction, int size) {
    if (size < 8) throw core::RuntimeError("Arrow picture too small");
    core::Ref<draw2d::TPixmap> pix = NewCanvas(size, size);
    Painter p(pix);
    const float s = size / 32.0f;
    // Drawn pointing up in a 32-unit box; the down arrow mirrors y. The
    // outline is shrunk by the rounding radius, which Grown adds back.
    const float round = 2.0f;
    const float up[] = {16, 5, 27, 17, 20, 17, 20, 26, 12, 26, 12, 17, 5, 17};
    std::vector<float> xy;
    for (std::size_t i = 0; i < std::size(up); i += 2) {
        const float y = direction == ArrowDirection::Up ? up[i + 1] : 32 - up[i + 1];
        xy.push_back(up[i] * s);
        xy.push_back(y * s);
    }
    const Polygon core(xy);
    const Grown<Polygon> arrow{core, round * s * 0.5f};
    DropShadow(p, arrow, 0.8f * s, 1.2f * s, 2.5f * s, Rgb(0, 0, 40, 0.4f));
    OutlineBehind(p, arrow, 1.6f * s, Rgb(25, 35, 90));
    FillEmbossed(
        p, arrow,
        LinearGradient{0, 4 * s, 0, 28 * s, {{0, Rgb(255, 255, 255)}, {1, Rgb(170, 195, 250)}}},
        Emboss{2.5f * s, -0.6f, -0.8f, 0.6f, 0.35f});
    p.BleedEdges();
    return pix;
}

} // namespace media
