// Blob, goo strand and removal marker: the ooze's pictures. They are drawn
// small (zoom 0.4), so shapes are bold and details broad.

#include <cmath>
#include <numbers>

#include "core/error.h"
#include "tools/media/effects.h"
#include "tools/media/gradient.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

// The jelly's colours, shared by blob and goo so they read as one substance.
constexpr Color kGooLight = Rgb(190, 255, 200, 0.82f);
constexpr Color kGooMid = Rgb(70, 205, 140, 0.8f);
constexpr Color kGooDeep = Rgb(18, 120, 100, 0.9f);
constexpr Color kGooEdge = Rgb(8, 62, 58, 0.9f);

// A horizontal strand whose half thickness narrows towards the middle, as
// stretched goo does; ends are cut square (the blobs cover them).
struct Strand {
    float length, centreY, endHalf, midHalf;
    float HalfAt(float x) const {
        const float t = std::sin(std::numbers::pi_v<float> * std::clamp(x / length, 0.0f, 1.0f));
        return endHalf + (midHalf - endHalf) * t;
    }
    float Distance(float x, float y) const { return std::fabs(y - centreY) - HalfAt(x); }
    Box Bounds() const {
        const float h = std::max(endHalf, midHalf);
        return {0, centreY - h, length, centreY + h};
    }
};

} // namespace

core::Ref<draw2d::TPixmap> PaintBlob(int size) {
    if (size < 8) throw core::RuntimeError("Blob picture too small");
    core::Ref<draw2d::TPixmap> pix = NewCanvas(size, size);
    Painter p(pix);
    const float c = size * 0.5f, r = size * 0.5f - 1.5f;
    const Circle body{c, c, r};
    const Emboss look{r * 0.35f, -0.6f, -0.8f, 0.35f, 0.45f};
    FillEmbossed(p, body,
                 RadialGradient{c - 0.3f * r,
                                c - 0.35f * r,
                                1.35f * r,
                                1.35f * r,
                                {{0, kGooLight}, {0.45f, kGooMid}, {1, kGooDeep}}},
                 look, Blend::Over, 1.3f);
    p.Stroke(Grown<Circle>{body, -0.6f}, 1.4f, Solid{kGooEdge}, Blend::Atop);
    // Light passing through the jelly gathers on the far side.
    p.Fill(Ellipse{c + 0.28f * r, c + 0.4f * r, 0.42f * r, 0.24f * r},
           Solid{Rgb(210, 255, 225, 0.35f)}, Blend::Atop, 0.25f * r);
    // The glossy highlight, soft so it survives mipmapping.
    p.Fill(Ellipse{c - 0.32f * r, c - 0.42f * r, 0.36f * r, 0.22f * r},
           Solid{Rgb(255, 255, 255, 0.85f)}, Blend::Over, std::max(1.0f, 0.12f * r));
    p.BleedEdges();
    return pix;
}

core::Ref<draw2d::TPixmap> PaintGoo(int length, int height) {
    if (length < 8 || height < 8) throw core::RuntimeError("Goo picture too small");
    core::Ref<draw2d::TPixmap> pix = NewCanvas(length, height);
    Painter p(pix);
    const float cy = height * 0.5f;
    const Strand strand{float(length), cy, height * 0.2f, height * 0.14f};
    p.Fill(Grown<Strand>{strand, 1.0f}, Solid{WithAlpha(kGooEdge, 0.7f)}, Blend::Over, 1.2f);
    // Across the strand: deep at the edges, light in the middle.
    const Ramp across{{0, kGooLight}, {0.5f, kGooMid}, {1, kGooDeep}};
    p.Fill(
        strand, [&](float x, float y) { return across.At(std::fabs(y - cy) / strand.HalfAt(x)); },
        Blend::Over, 1.2f);
    // A thin gloss line above the middle.
    p.Fill(Strand{float(length), cy - height * 0.06f, height * 0.045f, height * 0.03f},
           Solid{Rgb(240, 255, 245, 0.6f)}, Blend::Atop, 1.5f);
    p.BleedEdges();
    return pix;
}

core::Ref<draw2d::TPixmap> PaintDel(int size) {
    if (size < 8) throw core::RuntimeError("Marker picture too small");
    core::Ref<draw2d::TPixmap> pix = NewCanvas(size, size);
    Painter p(pix);
    const float c = size * 0.5f, s = size / 32.0f;
    const Circle ringPath{c, c, 11.5f * s};
    const Outline<Circle> ring{ringPath, 4.5f * s};
    Strokes cross;
    const float arm = 6.5f * s;
    cross.Add({c - arm, c - arm, c + arm, c + arm, 2.3f * s, 2.3f * s});
    cross.Add({c - arm, c + arm, c + arm, c - arm, 2.3f * s, 2.3f * s});
    const Union<Outline<Circle>, Strokes> mark{ring, cross};
    const Emboss look{2.2f * s, -0.6f, -0.8f, 0.55f, 0.4f};
    DropShadow(p, mark, 0.8f * s, 1.2f * s, 2.5f * s, Rgb(0, 0, 0, 0.45f));
    OutlineBehind(p, mark, 1.5f * s, Rgb(70, 0, 0, 0.95f));
    FillEmbossed(
        p, mark,
        LinearGradient{0,
                       0,
                       0,
                       float(size),
                       {{0, Rgb(255, 110, 90)}, {0.5f, Rgb(235, 35, 25)}, {1, Rgb(170, 10, 10)}}},
        look);
    p.BleedEdges();
    return pix;
}

} // namespace media
