#pragma once
// Shapes the scenes build from masses and constraints, each as a body whose
// tables number its parts in a fixed order, so scenes can address them.

#include "core/object.h"
#include "physics/tangle.h"

namespace samples {

// How the parts of a built shape behave.
struct Material {
    float mass = 1;
    float radius = 4;
    float friction = 0.5f;
    float stiffness = 1; // of every constraint, 0 ... 1
    // One group for the whole shape, so that its masses never collide with
    // each other (-1: a fresh automatic group).
    int colGroup = -1;
};

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

// A ring of `rim` masses round a centre mass (slot 0; rim masses are slots
// 1 ... rim), each rim mass tied to its neighbours, to the one after next and
// to the centre. Activated.
core::Ref<kel::tangle::TAdvBody> BuildJelly(float x, float y, float radius, int rim,
                                            const Material& m);

// `count` masses in a straight line from (x1, y1) to (x2, y2), each tied to
// the next (constraint k joins masses k and k + 1). The ends are frozen when
// asked. Activated.
core::Ref<kel::tangle::TAdvBody> BuildChain(float x1, float y1, float x2, float y2, int count,
                                            bool freezeEnds, const Material& m);

// A grid of columns x rows masses from (x, y) with `spacing` between
// neighbours; mass (c, r) is slot r * columns + c. Each mass is tied to its
// right and lower neighbour. The top row is frozen. Activated.
core::Ref<kel::tangle::TAdvBody> BuildCloth(float x, float y, int columns, int rows, float spacing,
                                            const Material& m);

// The area of the polygon through the given masses of a body, in order
// (positive for either winding).
float PolygonArea(const kel::tangle::TAdvBody& body, int first, int count);

} // namespace samples
