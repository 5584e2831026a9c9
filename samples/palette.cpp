#include "samples/palette.h"

#include "graphics/draw2d.h"

namespace samples {

void SetColour(const Colour& c) { draw2d::SetColor(c.r, c.g, c.b); }

Colour Mix(const Colour& a, const Colour& b, float t) {
    auto channel = [t](int from, int to) { return static_cast<int>(from + (to - from) * t); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

} // namespace samples
