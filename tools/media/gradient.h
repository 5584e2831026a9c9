#pragma once
// Colour ramps and the gradient paints built on them. A paint is anything
// callable as Color(float x, float y).

#include <vector>

#include "tools/media/color.h"

namespace media {

struct ColorStop {
    float at;
    Color color;
};

// Colours at increasing positions; between stops the colour is mixed,
// outside them the end colour holds.
class Ramp {
  public:
    Ramp(std::initializer_list<ColorStop> stops);
    Color At(float t) const;

  private:
    std::vector<ColorStop> stops_;
};

struct Solid {
    Color color;
    Color operator()(float, float) const { return color; }
};

// Ramp position 0 at (x0, y0) and 1 at (x1, y1), along that direction.
struct LinearGradient {
    float x0, y0, x1, y1;
    Ramp ramp;
    Color operator()(float x, float y) const;
};

// Ramp position 0 at the centre and 1 at the radius; ry != rx for an oval.
struct RadialGradient {
    float cx, cy, rx, ry;
    Ramp ramp;
    Color operator()(float x, float y) const;
};

} // namespace media
