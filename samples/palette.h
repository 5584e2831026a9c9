#pragma once
// The samples' colours, named by what they show.

namespace samples {

struct Colour {
    int r = 255, g = 255, b = 255;
};

namespace palette {
inline constexpr Colour kBackground{24, 26, 33};
// Thin, but it must read on the background: the world's walls.
inline constexpr Colour kBounds{104, 112, 138};
// Zones and pictures multiply their own colour by the drawing colour. Zones
// of no colour of their own (white) are drawn in this soft grey ...
inline constexpr Colour kZone{140, 148, 170};
// ... and this leaves every zone and picture in its own colours.
inline constexpr Colour kOwnColours{255, 255, 255};
inline constexpr Colour kConstraint{150, 150, 160};
inline constexpr Colour kStretched{240, 60, 50};
inline constexpr Colour kMass{120, 190, 255};
inline constexpr Colour kFrozenMass{90, 90, 110};
inline constexpr Colour kHeld{255, 220, 60};
inline constexpr Colour kHighlight{120, 255, 140};
inline constexpr Colour kQuadTree{255, 160, 40};
inline constexpr Colour kText{220, 220, 230};
} // namespace palette

// Makes c the drawing colour.
void SetColour(const Colour& c);
// The colour t of the way from a to b (t in 0 ... 1).
Colour Mix(const Colour& a, const Colour& b, float t);

} // namespace samples
