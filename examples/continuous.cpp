// Continuous collision: a ball fired at a wall of no thickness faster than
// its radius a step stops at the wall, where a step that tests only where a
// ball ends would let it jump over; a bullet stops at a hanging chain of
// free masses that an ordinary ball jumps over; and a mass that a buggy zone
// response throws to infinity is taken out of the step and counted.
#include <cmath>
#include <cstdio>
#include <limits>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

// Where a ball of radius 4 fired at 30 units a step at a LINE zone ends.
float FireAtThinWall(bool continuous) {
    // [thin-wall]
    TWorldDef def; // continuous collision is on unless you turn it off
    def.right = 400, def.bottom = 200;
    def.gravityY = 0;
    def.continuous = continuous;
    core::Ref<TPhysics> world = TPhysics::Create(def);
    // A wall of no thickness at x = 200.
    core::Ref<TZone> wall = TZone::Create({200, 0, 200, 200}, TZone::LINE, 0, -1, 4);
    core::Ref<TMass> ball = TMass::Create(95, 100, 1, 4, 0, -1);
    ball->AddRef();
    ball->SetVelocity(30, 0); // lands at 185, then 215: never within 4 of the wall
    for (int step = 0; step < 20; ++step) TPhysics::Update();
    // [/thin-wall]
    return ball->GetX();
}

// A zone response with a bug: it divides the push by the zone's friction.
int BrokenResponse(TZone* zone, TMass* mass, float nx, float ny, float depth) {
    mass->posX += nx * depth / zone->friction;
    mass->posY += ny * depth / zone->friction;
    return 0;
}

} // namespace

int main() {
    const float without = FireAtThinWall(false), with = FireAtThinWall(true);
    std::printf("continuous off: the ball ends at x = %.0f, through the wall at 200\n", without);
    std::printf("continuous on:  the ball ends at x = %.0f, stopped by it\n", with);

    TWorldDef def;
    def.right = 500, def.bottom = 200;
    core::Ref<TPhysics> world = TPhysics::Create(def);
    // [bullet]
    // A chain of 12 touching masses hanging at x = 300: free masses, which
    // continuous collision sweeps only bullets against.
    TRopeDef chain;
    chain.x1 = 300, chain.y1 = 20, chain.x2 = 300, chain.y2 = 108;
    chain.count = 12;
    chain.freezeStart = true;
    core::Ref<TAdvBody> rope = BuildRope(chain);
    rope->Activate();
    core::Ref<TMass> ball = TMass::Create(110, 90, 1, 4, 0, -1);
    core::Ref<TMass> bullet = TMass::Create(110, 40, 1, 4, 0, -1);
    bullet->SetBullet(1); // swept against every mass on its way
    for (TMass* m : {ball.Get(), bullet.Get()}) {
        m->AddRef();
        m->SetVelocity(40, 0);
    }
    for (int step = 0; step < 10; ++step) TPhysics::Update();
    std::printf("past the chain: the ball at x = %.0f, the bullet stopped at x = %.0f\n",
                ball->GetX(), bullet->GetX());
    // [/bullet]
    // The bullet stopped on the near side of the chain mass level with it.
    const TMass* nearest = rope->MassGet(0);
    for (int k = 1; k <= rope->MassMaxIndex(); ++k)
        if (std::fabs(rope->MassGetY(k) - bullet->GetY()) <
            std::fabs(nearest->GetY() - bullet->GetY()))
            nearest = rope->MassGet(k);
    const bool bulletHeld = bullet->GetX()<nearest->GetX(), ballPassed = ball->GetX()> 400;

    // [non-finite]
    // Setters refuse what is not a finite number, and change nothing.
    const int refused = ball->SetVelocity(std::numeric_limits<float>::infinity(), 0);
    // A mass that a response or a hook makes infinite or NaN inside a step
    // is taken out: put back where it was when the step began, at rest,
    // frozen and counted.
    core::Ref<TZone> ledge = TZone::Create({20, 180, 100, 180, 100, 200, 20, 200}, TZone::FILL, 0,
                                           -1, 4); // friction 0: BrokenResponse divides by it
    ledge->OverrideCollision(&BrokenResponse);
    core::Ref<TMass> drop = TMass::Create(60, 150, 1, 4, 0, -1);
    drop->AddRef();
    for (int step = 0; step < 60; ++step) TPhysics::Update();
    std::printf("SetVelocity(inf) gave %d; %d mass taken out, frozen (%d) at (%.0f, %.0f)\n",
                refused, TPhysics::NonFiniteCount(), drop->IsFrozen(), drop->GetX(), drop->GetY());
    // [/non-finite]

    if (!(without > 200 && with < 200)) {
        std::fprintf(stderr, "continuous: the wall did not stop the ball only when continuous\n");
        return 1;
    }
    if (!bulletHeld || !ballPassed) {
        std::fprintf(stderr, "continuous: the bullet passed the chain or the ball did not\n");
        return 1;
    }
    if (refused != -1 || TPhysics::NonFiniteCount() != 1 || !drop->IsFrozen() ||
        !(drop->GetY() < 180)) {
        std::fprintf(stderr, "continuous: the infinity was not refused, counted and taken out\n");
        return 1;
    }
    return 0;
}
