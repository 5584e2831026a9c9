// Stable stacking: a pile comes to rest with one pass per step, loses energy
// instead of gaining it, and keeps its events to one per touching pair.
#include <gtest/gtest.h>

#include "pile.h"
#include "scene.h"

namespace {

using namespace scene;

class Stacking : public PhysicsTest {};

constexpr int kRows = 24;

TEST_F(Stacking, DeepPileComesToRestWhereTheDefaultStepDoesNot) {
    for (int mode : {0, 1}) {
        Reset();
        Pile pile(kRows, 0.5f);
        TPhysics::SetStacking(mode);
        Pile::Motion last;
        for (int step = 0; step < 400; ++step) last = pile.Step();
        SCOPED_TRACE(mode);
        if (mode == 1) {
            EXPECT_LT(last.mean, 0.01);
            EXPECT_LT(last.largest, 0.5);
            EXPECT_LT(pile.DeepestOverlap(), 1.0);
        } else {
            // The reason for the mode: without it this pile keeps moving.
            EXPECT_GT(last.mean, 0.01);
        }
    }
}

TEST_F(Stacking, EnergyOnlyDrainsOnceThePileHasLanded) {
    Pile pile(kRows, 0.5f);
    TPhysics::SetStacking(1);
    for (int step = 0; step < 150; ++step) pile.Step();
    double before = pile.Energy();
    for (int window = 0; window < 5; ++window) {
        for (int step = 0; step < 50; ++step) pile.Step();
        const double now = pile.Energy();
        EXPECT_LE(now, before * 1.0001) << "window " << window;
        before = now;
    }
}

TEST_F(Stacking, FrictionlessPileSpreadsButNothingLeavesIt) {
    Pile pile(kRows, 0);
    TPhysics::SetStacking(1);
    const float top = pile.Top();
    for (int step = 0; step < 400; ++step) {
        pile.Step();
        ASSERT_GE(pile.Top(), top) << "a mass rose above the pile at step " << step;
    }
}

TEST_F(Stacking, OneEventPerTouchingPairPerStepWithTheSubstepsMerged) {
    TPhysics::Create(100, 100, 0.15f, 0, 1);
    TPhysics::SetStacking(1);
    core::Ref<TMass> low = Enter(50, 96, 4, -1);
    core::Ref<TMass> high = Enter(50, 88.5f, 4, -1);
    for (int step = 0; step < 30; ++step) TPhysics::Update();
    int pairs = 0, walls = 0;
    while (core::Ref<TColEvent> e = TColEvent::Poll()) {
        if (e->GetID() == TColEvent::MASS_MASS) ++pairs;
        if (e->GetID() == TColEvent::MASS_BOUNDS) ++walls;
    }
    EXPECT_EQ(pairs, 1);
    EXPECT_EQ(walls, 1); // the lower mass on the floor
    EXPECT_NEAR(high->posY, 88, 0.05);
    EXPECT_NEAR(low->posY, 96, 0.05);
}

TEST_F(Stacking, OnlyModeOneIsAMode) {
    EXPECT_EQ(TPhysics::GetStacking(), 0);
    TPhysics::SetStacking(1);
    EXPECT_EQ(TPhysics::GetStacking(), 0); // no world yet
    TPhysics::Create(100, 100, 0, 0, 1);
    TPhysics::SetStacking(1);
    EXPECT_EQ(TPhysics::GetStacking(), 1);
    TPhysics::SetStacking(7);
    EXPECT_EQ(TPhysics::GetStacking(), 0);
}

} // namespace
