// A first world: two masses joined by a constraint fall to the floor of the
// world, and the program prints where they are once a second (60 steps).
#include <cstdio>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    // [first-world]
    // A world 400 units wide and 300 high (y grows downwards), with a
    // gravity of 0.1 units per step per step and 2 relaxation passes a step.
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 2);

    // Two masses: x, y, mass, radius, friction, collision group (-1: a fresh
    // group of its own).
    core::Ref<TMass> left = TMass::Create(180, 40, 1, 5, 0.5f, -1);
    core::Ref<TMass> right = TMass::Create(220, 40, 1, 5, 0.5f, -1);

    // A rod between them: rest length 0 keeps their current distance, and
    // stiffness 1 restores it fully in each pass.
    core::Ref<TConstraint> rod = TConstraint::Create(left, right, 0, 1);

    // A constraint takes part while a body holds it, and brings its masses
    // into the world with it.
    core::Ref<TBody> body = core::Make<TBody>();
    rod->Assign(body);

    for (int step = 1; step <= 240; ++step) {
        TPhysics::Update(); // one fixed step
        if (step % 60 == 0)
            std::printf("step %3d: left (%.1f, %.1f)  right (%.1f, %.1f)  rod %.1f\n", step,
                        left->GetX(), left->GetY(), right->GetX(), right->GetY(), rod->GetLength());
    }
    // [/first-world]

    // The masses rest on the floor, the rod as long as it was.
    const float floorY = 300 - 5;
    const bool resting = left->GetY() > floorY - 0.5f && right->GetY() > floorY - 0.5f;
    const bool kept = rod->GetLength() > 39.5f && rod->GetLength() < 40.5f;
    if (!resting || !kept) {
        std::fprintf(stderr, "first_world: the rod did not come to rest on the floor\n");
        return 1;
    }
    return 0;
}
