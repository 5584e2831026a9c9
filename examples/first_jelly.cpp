// The README's first world: a jelly and a pressure blob fall onto a floor
// zone; the program prints where the jelly comes to rest.
#include <cmath>
#include <cstdio>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    // [first-jelly]
    TWorldDef def;
    def.right = 800, def.bottom = 600, def.stacking = STACKING_TOGETHER; // bodies lie still where they land
    TPhysics::Create(def);
    TZone::Create({0, 500, 800, 500, 800, 600, 0, 600}, TZone::FILL, 0.5f, -1, 6); // a floor

    TJellyDef jelly;
    jelly.x = 400, jelly.y = 100, jelly.radius = 40;
    core::Ref<TAdvBody> wobbly = BuildJelly(jelly);
    TBlobDef blob;
    blob.x = 250, blob.y = 150, blob.radius = 30, blob.material.compliance = 0.2f;
    core::Ref<TAdvBody> balloon = BuildBlob(blob);
    wobbly->Activate(), balloon->Activate();

    for (int step = 0; step < 300; ++step) TPhysics::Update();
    std::printf("the jelly rests at %.1f, %.1f\n", wobbly->MassGetX(0), wobbly->MassGetY(0));
    // [/first-jelly]

    // The jelly lies on the floor, where it fell.
    if (std::abs(wobbly->MassGetX(0) - 400) > 1 || std::abs(wobbly->MassGetY(0) - (500 - 40)) > 6) {
        std::fprintf(stderr, "first_jelly: the jelly did not come to rest on the floor\n");
        return 1;
    }
    return 0;
}
