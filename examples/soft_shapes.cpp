// Soft bodies of any shape: a star built from its outline keeps its points
// through a landing by shape matching, an arm on a hinge with stops droops
// no further than its limit, and a jelly with a skin keeps out balls much
// smaller than the gaps between its rim masses.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    core::Ref<TPhysics> world = TPhysics::Create(800, 600, 0.1f, 0, 8);
    TPhysics::SetGridSize(32);
    TZone::Create({0, 550, 800, 550, 800, 600, 0, 600}, TZone::FILL, 0.5f, TakeAutoColGroup(), 4);

    // [outline]
    // A five-pointed star 120 units across: its corners in order round it.
    TShapeDef star;
    for (int k = 0; k < 10; ++k) {
        const double a = -std::numbers::pi / 2 + std::numbers::pi * k / 5;
        const double r = k % 2 == 0 ? 60 : 25; // points, then notches
        star.outline.push_back(200 + static_cast<float>(r * std::cos(a)));
        star.outline.push_back(200 + static_cast<float>(r * std::sin(a)));
    }
    star.spacing = 10; // masses along the outline and inside, 10 apart
    star.material.radius = 3;
    star.shapeStiffness = 0.5f; // how hard each pass pulls it back into shape
    core::Ref<TAdvBody> body = BuildShape(star);
    body->Activate();
    // [/outline]

    // [hinge]
    // An arm of two links from a frozen bracket, on a hinge that lets it
    // swing 30 degrees either side of straight (180) and no further.
    core::Ref<TAdvBody> arm = core::Make<TAdvBody>();
    arm->MassAdd(500, 200, 1, 2, 0, 0);
    arm->MassAdd(550, 200, 1, 2, 0, 0);
    arm->MassAdd(600, 200, 1, 2, 0, 0);
    arm->MassAdd(650, 200, 10, 2, 0, 0); // a heavy hand
    arm->MassFreeze(0);
    arm->MassFreeze(1);
    arm->ConAdd(1, 2, 0, 1);
    arm->ConAdd(2, 3, 0, 1);
    const int hinge = arm->ConAddAngle(0, 1, 2, 180, 0); // stiffness 0: free between the stops
    arm->ConGet(hinge)->SetAngleLimits(150, 210);
    arm->Activate();
    // [/hinge]

    // [skin]
    // A jelly whose rim is solid: 12 rim masses of radius 4 on a ring of
    // radius 40 leave gaps of 13 units, which balls of radius 1 would walk
    // through; with a skin, they roll off instead.
    TJellyDef jelly;
    jelly.x = 400, jelly.y = 500, jelly.radius = 40, jelly.rim = 12;
    jelly.material.radius = 4;
    jelly.skin = true; // the last constraint: a closed skin over the rim
    core::Ref<TAdvBody> solid = BuildJelly(jelly);
    solid->Activate();
    std::vector<core::Ref<TMass>> balls;
    for (int k = 0; k < 20; ++k) {
        balls.push_back(
            TMass::Create(370 + 3.0f * k, 300 - 10.0f * k, 1, 1, 0.5f, TakeAutoColGroup()));
        balls.back()->AddRef(); // into the world on its own, without a body
    }
    // [/skin]

    for (int step = 0; step < 900; ++step) TPhysics::Update();
    const TConstraint* skin = solid->ConGet(solid->ConMaxIndex());
    int inside = 0;
    for (const core::Ref<TMass>& ball : balls) {
        bool in = false; // even-odd rule over the skin's ring
        for (int i = 0, j = skin->GetRingSize() - 1; i < skin->GetRingSize(); j = i++) {
            const TMass* a = skin->GetRingMass(i);
            const TMass* b = skin->GetRingMass(j);
            if ((a->GetY() > ball->GetY()) != (b->GetY() > ball->GetY()) &&
                ball->GetX() <
                    (b->GetX() - a->GetX()) * (ball->GetY() - a->GetY()) / (b->GetY() - a->GetY()) +
                        a->GetX())
                in = !in;
        }
        inside += in ? 1 : 0;
    }
    const TConstraint* fit = body->ConGet(body->ConMaxIndex()); // the shape matching
    std::printf("the star rests at y = %.1f, %.2f units from its own shape\n", body->MassGetY(0),
                fit->GetLength());
    std::printf("the arm hangs at %.1f degrees\n", arm->ConGetLength(hinge));
    std::printf("%d of %zu balls inside the jelly\n", inside, balls.size());
    return 0;
}
