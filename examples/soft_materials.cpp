// Soft materials: a chain whose links are given a compliance sags the same
// at 1 pass as at 16; a ring with a pressure constraint holds its area on
// the floor; and the solver mode that keeps symmetric bodies from rolling
// away on their own.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

// A chain of 10 links hung between two frozen masses 400 apart, settled;
// the sag of its middle.
float Sag(int passes) {
    core::Ref<TPhysics> world = TPhysics::Create(1000, 1000, 0.1f, 0, passes);
    core::Ref<TAdvBody> chain = core::Make<TAdvBody>();
    const int group = TakeAutoColGroup();
    for (int k = 0; k <= 10; ++k) chain->MassAdd(300 + 40.0f * k, 200, 1, 2, 0.5f, group);
    // [compliance]
    // Each link 44 long, a spring of the material: it stretches 5 units per
    // unit of force (mass x units per step squared), critically damped.
    for (int k = 0; k < 10; ++k) {
        const int link = chain->ConAdd(k, k + 1, 44, 1);
        chain->ConSetCompliance(link, 5, 1);
    }
    // [/compliance]
    chain->MassFreeze(0);
    chain->MassFreeze(10);
    chain->Activate();
    for (int step = 0; step < 3000; ++step) TPhysics::Update();
    return chain->MassGetY(5) - 200;
}

int main() {
    const float one = Sag(1), sixteen = Sag(16);
    std::printf("sag at 1 pass %.1f, at 16 passes %.1f\n", one, sixteen);

    TPhysics::Create(600, 400, 0.1f, 0, 4);
    // [together]
    // Constraints solved together: a symmetric body lands and stays put,
    // whatever order its parts were built in.
    TPhysics::SetStacking(STACKING_TOGETHER);
    // [/together]

    // [pressure]
    // A ring of 24 masses round (300, 200), each tied to the next, and a
    // pressure constraint that pushes the ring out while its area is below
    // the area it was built with (rest area 0: the current one).
    core::Ref<TAdvBody> blob = core::Make<TAdvBody>();
    const int group = TakeAutoColGroup();
    std::vector<int> ring;
    for (int k = 0; k < 24; ++k) {
        const double a = 2 * std::numbers::pi * k / 24;
        ring.push_back(blob->MassAdd(300 + 50 * static_cast<float>(std::cos(a)),
                                     200 + 50 * static_cast<float>(std::sin(a)), 1, 7, 0.5f, group));
    }
    for (int k = 0; k < 24; ++k) blob->ConSetCompliance(blob->ConAdd(k, (k + 1) % 24, 0, 1), 0.01f, 1);
    const int gas = blob->ConAddPressure(ring, 0, 1);
    blob->ConSetCompliance(gas, 5000, 1); // a gas that gives a little under load
    blob->Activate();
    // [/pressure]
    for (int step = 0; step < 600; ++step) TPhysics::Update();
    const float kept = blob->ConGetLength(gas) / blob->ConGetRestLength(gas);
    std::printf("the blob rests on the floor at %.0f%% of its area\n", 100 * kept);

    const bool sameSag = std::fabs(one / sixteen - 1) < 0.05f;
    const bool heldArea = std::fabs(kept - 1) < 0.05f;
    if (!sameSag || !heldArea) {
        std::fprintf(stderr, "soft_materials: the chain or the blob did not behave\n");
        return 1;
    }
    return 0;
}
