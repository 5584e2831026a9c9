// The title picture: the game's name in gooey letters on a soft panel.

#include "tools/media/effects.h"
#include "tools/media/glyphs.h"
#include "tools/media/gradient.h"
#include "tools/media/pictures.h"

namespace media {

core::Ref<draw2d::TPixmap> PaintTitle() {
    constexpr int W = 480, H = 200;
    core::Ref<draw2d::TPixmap> pix = NewCanvas(W, H);
    Painter p(pix);

    // The panel: translucent and dark so the letters read over sky and ooze.
    const RoundRect panel{14, 14, W - 28.0f, H - 32.0f, 30};
    DropShadow(p, panel, 0, 6, 14, Rgb(0, 0, 30, 0.45f));
    p.Fill(panel,
           LinearGradient{
               0, 14, 0, H - 18.0f, {{0, Rgb(40, 60, 120, 0.72f)}, {1, Rgb(15, 22, 60, 0.8f)}}},
           Blend::Over, 1.5f);
    p.Stroke(Grown<RoundRect>{panel, -3}, 2.0f, Solid{Rgb(200, 220, 255, 0.35f)}, Blend::Atop);

    const TextStyle style{74, 0.12f, 0.22f};
    const std::string name = "Quorvel";
    const float baseline = 132;
    const float x = (W - TextWidth(name, style)) * 0.5f;
    Strokes letters = TextStrokes(name, x, baseline, style);
    // Goo dripping from a few letters: a tapered neck ending in a drop.
    const float pen = style.weight * style.capHeight;
    // Each drip: where along the word (in cap heights) and how long (pixels).
    const float drips[][2] = {{0.46f, 26}, {2.35f, 17}, {4.71f, 22}};
    for (const auto& d : drips) {
        const float dx = x + d[0] * style.capHeight;
        letters.Add({dx, baseline - 2, dx, baseline + d[1], pen * 0.8f, pen * 0.35f});
        letters.Add({dx, baseline + d[1], dx, baseline + d[1], pen * 0.62f, pen * 0.62f});
    }

    DropShadow(p, letters, 4, 7, 7, Rgb(0, 10, 0, 0.55f));
    OutlineBehind(p, letters, 4.5f, Rgb(8, 45, 30));
    FillEmbossed(
        p, letters,
        LinearGradient{0,
                       baseline - style.capHeight,
                       0,
                       baseline + 20,
                       {{0, Rgb(215, 255, 120)}, {0.45f, Rgb(90, 215, 80)}, {1, Rgb(20, 130, 90)}}},
        Emboss{pen * 0.9f, -0.55f, -0.83f, 0.7f, 0.45f}, Blend::Over, 1.2f);
    // A glossy streak along the top of each stroke.
    const Grown<Strokes> thin{letters, -pen * 0.55f};
    const Moved<Grown<Strokes>> gloss{thin, -pen * 0.3f, -pen * 0.4f};
    p.Fill(Both<Moved<Grown<Strokes>>, Strokes>{gloss, letters}, Solid{Rgb(255, 255, 255, 0.45f)},
           Blend::Atop, 2.5f);
    p.BleedEdges();
    return pix;
}

} // namespace media
