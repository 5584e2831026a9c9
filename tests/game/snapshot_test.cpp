// A snapshot of the game's level in the middle of play: the world stepped on
// from it and from its restore agrees bit for bit, with the game's hooks and
// zones in place.
#include <cstdint>
#include <cstring>
#include <vector>

#include "game_fixture.h"
#include "physics/tangle.h"

using gametest::GameTest;
using namespace kel::tangle;

namespace {

std::uint64_t WorldHash() {
    std::uint64_t h = 1469598103934665603ull;
    for (const TMass* m : massList->Each<TMass>()) {
        for (float f : {m->posX, m->posY, m->oldPosX, m->oldPosY}) {
            unsigned char bytes[sizeof f];
            std::memcpy(bytes, &f, sizeof f);
            for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
        }
    }
    return h;
}

std::uint64_t StepAndHash(int steps) {
    for (int k = 0; k < steps; ++k) TPhysics::Update();
    return WorldHash();
}

} // namespace

TEST_F(GameTest, LevelInPlayReplaysFromASnapshot) {
    Tick();
    PressNewGame();
    Ticks(200); // barrels still falling onto the ooze
    std::vector<TBody*> bodies{game::ooze->ab.Get()};
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) bodies.push_back(b);
    ASSERT_GT(bodies.size(), 30u);
    const std::uint64_t atSnapshot = WorldHash();
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot(bodies);
    ASSERT_TRUE(snapshot);
    const std::uint64_t first = StepAndHash(600);
    ASSERT_NE(first, atSnapshot);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(WorldHash(), atSnapshot);
    EXPECT_EQ(StepAndHash(600), first);
}
