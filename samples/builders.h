#pragma once
// What the scenes share beyond the library's builders (physics/builders.h):
// their world, lone balls, and the area a ring of masses encloses.

#include "core/object.h"
#include "physics/tangle.h"

namespace samples {

// How the parts of a built shape behave: the library builders' material.
using Material = kel::tangle::TMaterial;

// A world of width x height with gravity pulling down, `iterations`
// relaxation passes a step, and mass contacts found through a grid of
// gridSize x gridSize cells. A cell must be at least as wide as the widest
// pair of touching masses: masses further apart than the next cell are
// never tested.
core::Ref<kel::tangle::TPhysics> BuildWorld(float width, float height, float gravity,
                                            int iterations, int gridSize);

// A lone mass in the world. Masses normally enter the world with the first
// constraint that uses them; one with no constraint is entered by hand.
core::Ref<kel::tangle::TMass> AddBall(float x, float y, const Material& m);

// The area of the polygon through the given masses of a body, in order
// (positive for either winding).
float PolygonArea(const kel::tangle::TAdvBody& body, int first, int count);

} // namespace samples
