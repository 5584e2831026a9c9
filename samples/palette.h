#pragma once
// The samples' colours, named by what they show.

namespace samples {

struct Colour {
    int r = 255, g = 255, b = 255;
};

namespace palette {
inline constexpr Colour kBackground{24, 26, 33};
inline constexpr Colour kBounds{70, 74, 90};
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
