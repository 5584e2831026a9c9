#pragma once
// Drawing the current world the way every scene shows it: zones, then
// constraints, then masses, each through the world view. A scene draws its
// own extras on top.

#include "samples/palette.h"

namespace samples {

// The world's bounds as an outline.
void DrawBounds();
// Every zone in the world's zone list, its own colour tinted by `tint`
// (white leaves it as it is).
void DrawZones(const Colour& tint = palette::kZone);
// Every constraint, shaded from grey (at rest length) to red (stretched by
// half or more).
void DrawConstraints();
// Every mass: free ones light, frozen ones dark, the held one (if any)
// highlighted by the caller.
void DrawMasses();
// All of the above, in that order.
void DrawWorld();

} // namespace samples
