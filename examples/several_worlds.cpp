// Several worlds: a game's world goes on stepping while a copy of it, in a
// world of its own on another thread, looks ahead to where a ball will come
// to rest; then two worlds are held side by side on one thread. The copy
// ends where the game's world ends, bit for bit, since both start alike.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

// A ball dropped onto a slope over a floor; the world it is in is current.
core::Ref<TMass> BuildScene(core::Ref<TZone>& slope, core::Ref<TZone>& floor) {
    slope = TZone::Create({0, 200, 300, 300, 0, 300}, TZone::FILL, 0.05f, 1, 1);
    floor = TZone::Create({0, 380, 400, 380, 400, 400, 0, 400}, TZone::FILL, 0.5f, 1, 1);
    core::Ref<TMass> ball = TMass::Create(40, 100, 1, 6, 0.05f, 2);
    ball->AddRef();
    return ball;
}

} // namespace

int main() {
    // [game-world]
    // The game's world, current on this thread.
    core::Ref<TPhysics> game = TPhysics::Create(400, 400, 0.1f, 0, 4);
    core::Ref<TZone> slope, floor;
    core::Ref<TMass> ball = BuildScene(slope, floor);
    for (int step = 0; step < 30; ++step) game->Step();
    // A copy to think with: the world file, in memory.
    const std::vector<unsigned char> copy = game->SaveToMemory();
    // [/game-world]

    // [look-ahead]
    // Another thread makes a world of its own (current there, not here),
    // loads the copy into it and looks 600 steps ahead. It shares nothing
    // with the game's world, so neither needs a lock.
    float restX = 0, restY = 0;
    std::string error;
    std::thread planner([&] {
        core::Ref<TPhysics> ahead = TPhysics::Create(1, 1, 0, 0, 1);
        if (!ahead->LoadFromMemory(copy, error)) return;
        for (int step = 0; step < 600; ++step) ahead->Step();
        for (const TMass* copyOfBall : ahead->Masses()->Each<TMass>()) { // the only mass
            restX = copyOfBall->posX;
            restY = copyOfBall->posY;
        }
    });
    // Meanwhile the game's world goes on here.
    for (int step = 0; step < 600; ++step) game->Step();
    planner.join();
    if (!error.empty()) {
        std::fprintf(stderr, "several_worlds: %s\n", error.c_str());
        return 1;
    }
    std::printf("looked ahead: (%.3f, %.3f); the game: (%.3f, %.3f)\n", restX, restY,
                ball->posX, ball->posY);
    // [/look-ahead]
    if (restX != ball->posX || restY != ball->posY) {
        std::fprintf(stderr, "several_worlds: the copy went another way\n");
        return 1;
    }

    // [side-by-side]
    // Two worlds on one thread: each steps and is asked through calls on
    // it, whichever is current. The static calls act on the current one.
    core::Ref<TPhysics> other = TPhysics::Create(400, 400, 0.05f, 0, 4); // current now
    core::Ref<TZone> otherSlope, otherFloor;
    core::Ref<TMass> otherBall = BuildScene(otherSlope, otherFloor); // enters `other`
    for (int step = 0; step < 100; ++step) {
        game->Step();
        other->Step();
    }
    TRayHit hit;
    if (game->CastRay(350, 0, 350, 400, hit) && hit.zone == floor.Get())
        std::printf("the game's floor is at y = %g\n", hit.y);
    game->MakeCurrent(); // TPhysics::Update() and massList are the game's again
    std::printf("masses: game %d, other %d\n", massList->Count(), other->Masses()->Count());
    // [/side-by-side]
    return 0;
}
