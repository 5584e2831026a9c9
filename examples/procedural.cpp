// The procedural interface: the same library as plain functions, for code
// that prefers calls to methods. Each function is named class word +
// operation (World, Mass, Con, Body, AdvBody, Rig, Zone, ColEvent) and
// forwards to that one operation; a method's function takes the object first.
#include <cstdio>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    // [procedural]
    core::Ref<TPhysics> world = WorldCreate(400, 300, 0.1f, 0, 2);
    WorldSetGridSize(16);

    core::Ref<TAdvBody> pair = AdvBodyCreate();
    const int a = AdvBodyMassAdd(pair, 150, 50, 1, 6, 0.5f, -1);
    const int b = AdvBodyMassAdd(pair, 190, 50, 1, 6, 0.5f, -1);
    AdvBodyConAdd(pair, a, b, 0, 1);
    AdvBodyActivate(pair);

    core::Ref<TZone> floor =
        ZoneCreate({0, 200, 400, 200, 400, 300, 0, 300}, TZone::FILL, 0.5f, -1, 4);

    for (int step = 0; step < 200; ++step) WorldUpdate();
    std::printf("the pair rests at y = %.1f; the rod's stress is %.3f\n", AdvBodyMassGetY(pair, a),
                AdvBodyConGetStress(pair, 0));
    // [/procedural]

    // On the floor (its top at 200, the masses' radius 6), the rod unstretched.
    if (AdvBodyMassGetY(pair, a) < 193 || AdvBodyMassGetY(pair, a) > 195 ||
        AdvBodyConGetStress(pair, 0) > 1.01f) {
        std::fprintf(stderr, "procedural: the pair did not come to rest on the floor\n");
        return 1;
    }
    return 0;
}
