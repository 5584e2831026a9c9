// Soft bodies from the builders: a rope slung between two pins, a jelly and
// a pressure blob, each made in one call from a definition with defaults.
// The blob lands in the rope as in a hammock, the jelly on the floor; the
// program prints how much of its area the blob keeps.
#include <cmath>
#include <cstdio>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    // [builders]
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 8);
    TPhysics::SetGridSize(16);
    // Constraints solved together: a round body does not start rolling on
    // its own.
    TPhysics::SetStacking(STACKING_TOGETHER);

    // A rope from (220, 120) to (380, 120), its links 8 units long at most,
    // pinned at both ends. Every builder gives its shape one collision group
    // of its own, so its masses never collide with each other.
    TRopeDef rope;
    rope.x1 = 220, rope.y1 = 120, rope.x2 = 380, rope.y2 = 120;
    rope.segmentLength = 8;
    rope.freezeStart = rope.freezeEnd = true;
    rope.material.radius = 5;
    core::Ref<TAdvBody> hammock = BuildRope(rope);

    // A jelly: a rim of 16 masses on springs round a centre mass (slot 0).
    TJellyDef jelly;
    jelly.x = 100, jelly.y = 60, jelly.radius = 30;
    jelly.material.compliance = 0.01f; // a firm rubber rim
    jelly.innerCompliance = 0.2f;      // softer inside
    core::Ref<TAdvBody> wobbly = BuildJelly(jelly);

    // A pressure blob: a ring of 24 masses round the air it holds. Its
    // pressure constraint is the constraint after the rim's (slot 24).
    TBlobDef blob;
    blob.x = 300, blob.y = 40, blob.radius = 25;
    core::Ref<TAdvBody> balloon = BuildBlob(blob);

    // The builders do not activate: the shapes enter the world here.
    hammock->Activate();
    wobbly->Activate();
    balloon->Activate();

    for (int step = 1; step <= 600; ++step) TPhysics::Update();

    const float kept = balloon->ConGetLength(blob.rim) / balloon->ConGetRestLength(blob.rim);
    std::printf("the blob rests at y = %.1f and keeps %.1f%% of its area\n", balloon->MassGetY(0),
                100 * kept);
    // [/builders]

    // The blob lies in the rope, below the pins and well above the floor,
    // round; the jelly lies on the floor.
    const bool inHammock = balloon->MassGetY(0) > 120 && balloon->MassGetY(0) < 250;
    const bool jellyDown = std::abs(wobbly->MassGetY(0) - (300 - 30)) < 10;
    if (std::abs(kept - 1) > 0.05f || !inHammock || !jellyDown) {
        std::fprintf(stderr, "soft_bodies: the shapes did not come to rest as they should\n");
        return 1;
    }
    return 0;
}
