#pragma once
// Finishing touches shared by the pictures: soft shadows, dark outlines and
// a rounded, lit look, applied to any shape.

#include "tools/media/gradient.h"
#include "tools/media/paint.h"

namespace media {

struct Emboss {
    float rimWidth;       // pixels of rounded rim inside the outline
    float lightX, lightY; // unit direction the light comes from (screen y down)
    float highlight;      // how far the lit rim goes towards white, 0...1
    float shadow;         // how much the far rim darkens, 0...1
};

// A blurred, offset copy of the shape in a dark colour.
template <class S>
void DropShadow(Painter& p, const S& shape, float dx, float dy, float blur, const Color& c) {
    p.Fill(Moved<S>{shape, dx, dy}, Solid{c}, Blend::Over, blur);
}

// The shape outlined outside by `width` pixels of a solid colour.
template <class S> void OutlineBehind(Painter& p, const S& shape, float width, const Color& c) {
    p.Fill(Grown<S>{shape, width}, Solid{c}, Blend::Over, 1.2f);
}

// The shape filled with a paint whose rim is lit on the light's side and
// shaded on the other, so it reads as rounded.
template <class S, class Paint>
void FillEmbossed(Painter& p, const S& shape, const Paint& paint, const Emboss& e,
                  Blend blend = Blend::Over, float feather = 1.0f) {
    p.Fill(
        shape,
        [&](float x, float y) {
            const Color c = paint(x, y);
            const float l = RimLight(shape, x, y, e.rimWidth, e.lightX, e.lightY);
            if (l >= 0) return Mix(c, WithAlpha(Color{1, 1, 1, 1}, c.a), l * e.highlight);
            return Shade(c, 1 + l * e.shadow);
        },
        blend, feather);
}

} // namespace media
