// A world made from a definition: its defaults, each field reaching the
// world, and a grid whose cells are never narrower than two radii.
#include <gtest/gtest.h>

#include <vector>

#include "scene.h"

namespace {

using namespace scene;

using WorldDef = PhysicsTest;

TEST_F(WorldDef, TheDefaultsMakeAWorldWithTheGridOnAndNothingElse) {
    core::Ref<TPhysics> w = TPhysics::Create(TWorldDef{});
    ASSERT_TRUE(w);
    EXPECT_EQ(currentWorld.Get(), w.Get());
    float minX, minY, maxX, maxY;
    TPhysics::GetBounds(minX, minY, maxX, maxY);
    EXPECT_EQ((std::vector<float>{minX, minY, maxX, maxY}), (std::vector<float>{0, 0, 640, 480}));
    EXPECT_EQ(w->gravityX, 0);
    EXPECT_FLOAT_EQ(w->gravityY, 0.1f);
    EXPECT_EQ(w->i, 4);
    EXPECT_EQ(w->friction, 1);
    EXPECT_EQ(w->gridon, 1);
    EXPECT_EQ(w->gridsize, 24); // 480 / (2 x 10)
    EXPECT_EQ(TPhysics::GetStacking(), 0);
    EXPECT_EQ(w->sleepSpeed, 0);
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
}

TEST_F(WorldDef, EveryFieldReachesTheWorldAndGravityIsXThenY) {
    TWorldDef def;
    def.left = 10;
    def.top = 20;
    def.right = 310;
    def.bottom = 220;
    def.gravityX = 0.25f;
    def.gravityY = -0.5f;
    def.passes = 7;
    def.friction = 0.3f;
    def.grid = false;
    def.stacking = 1;
    def.sleepSpeed = 0.02f;
    def.sleepSteps = 12;
    def.trackContacts = true;
    core::Ref<TPhysics> w = TPhysics::Create(def);
    EXPECT_EQ((std::vector<float>{w->boundsMinX, w->boundsMinY, w->boundsMaxX, w->boundsMaxY}),
              (std::vector<float>{10, 20, 310, 220}));
    EXPECT_EQ(w->gravityX, 0.25f);
    EXPECT_EQ(w->gravityY, -0.5f);
    EXPECT_EQ(w->i, 7);
    EXPECT_EQ(w->friction, 0.3f);
    EXPECT_EQ(w->gridon, 0);
    EXPECT_EQ(TPhysics::GetStacking(), 1);
    EXPECT_EQ(w->sleepSpeed, 0.02f);
    EXPECT_EQ(w->sleepSteps, 12);
    EXPECT_EQ(TPhysics::TracksContacts(), 1);
    // Tracked from the first step: a mass touching the bounds begins in it.
    core::Ref<TMass> m = Enter(20, 25, 6, -1);
    TPhysics::Update();
    EXPECT_EQ(TPhysics::ContactBegins().size(), 1u);
}

TEST_F(WorldDef, GridCellsAreAtLeastTwoRadiiWideAndAsManyAsFit) {
    struct Case {
        float left, top, right, bottom, radius;
        int cells;
    };
    for (const Case c : {
             Case{0, 0, 640, 480, 10, 24},
             Case{0, 0, 400, 300, 10, 15},
             Case{100, 50, 400, 300, 10, 12}, // measured from the bounds' corner
             Case{0, 0, 60, 60, 10, 3},       // fewer than SetGridSize's 8
             Case{0, 0, 60, 60, 40, 1},       // no two cells fit
             Case{0, 0, 10000, 10000, 2, 64}, // capped
             Case{0, 0, 640, 480, 0, 64},     // no radius: the finest grid
             Case{0, 0, 300, 300, 0.7f * 3.0f, 64},
             Case{0, 0, 99.9f, 99.9f, 3.33f, 15},
         }) {
        SCOPED_TRACE(testing::Message() << c.right << " x " << c.bottom << ", r " << c.radius);
        TWorldDef def;
        def.left = c.left;
        def.top = c.top;
        def.right = c.right;
        def.bottom = c.bottom;
        def.largestRadius = c.radius;
        core::Ref<TPhysics> w = TPhysics::Create(def);
        EXPECT_EQ(w->GridSpan(), c.cells);
        if (c.radius > 0 && c.cells > 1) {
            EXPECT_GE((c.right - c.left) / w->gridsize, 2 * c.radius);
            EXPECT_GE(1 / w->ratiox, 2 * c.radius);
            EXPECT_GE(1 / w->ratioy, 2 * c.radius);
        }
        if (c.cells < TPhysics::MAX_GRID) { // one more would be too narrow
            EXPECT_LT((c.bottom - c.top) / (w->gridsize + 1), 2 * c.radius);
        }
    }
}

TEST_F(WorldDef, ASmallGridStillFindsEveryContactAcrossItsCells) {
    // Three cells of 20 across: masses of radius 10 on either side of a cell
    // edge touch.
    TWorldDef def;
    def.right = def.bottom = 60;
    def.gravityY = 0;
    def.trackContacts = true;
    TPhysics::Create(def);
    ASSERT_EQ(currentWorld->GridSpan(), 3);
    core::Ref<TMass> a = Enter(11, 30, 10, -1);
    core::Ref<TMass> b = Enter(29.5f, 30, 10, -1);
    ASSERT_NE(currentWorld->CellX(a->posX), currentWorld->CellX(b->posX));
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactBegins().size(), 1u);
    EXPECT_EQ(TPhysics::ContactBegins()[0].GetMass2() == b.Get() ? a.Get() : b.Get(),
              TPhysics::ContactBegins()[0].mass.Get());
}

TEST_F(WorldDef, TheSameSettingsStepBitForBitAsTheFiveArgumentCreate) {
    auto run = [](bool fromDef) {
        if (fromDef) {
            TWorldDef def;
            def.right = 400;
            def.bottom = 300;
            def.gravityX = 0.01f;
            def.gravityY = 0.2f;
            def.passes = 3;
            def.largestRadius = 10;
            TPhysics::Create(def);
        } else {
            TPhysics::Create(400, 300, 0.2f, 0.01f, 3);
            TPhysics::UseShiftedGrid(1);
            TPhysics::SetGridSize(15);
        }
        std::vector<core::Ref<TMass>> balls;
        for (int k = 0; k < 40; ++k)
            balls.push_back(Enter(20 + 9.0f * k, 40 + 5.0f * (k % 4), 4 + (k % 7), -1, 0.3f));
        for (int step = 0; step < 150; ++step) TPhysics::Update();
        std::vector<float> at;
        for (const auto& m : balls) {
            at.push_back(m->posX);
            at.push_back(m->posY);
        }
        TPhysics::Free();
        return at;
    };
    EXPECT_EQ(run(true), run(false));
}

TEST_F(WorldDef, FreshCollisionGroupsNeverRepeat) {
    const int a = NewColGroup(), b = NewColGroup();
    EXPECT_LT(a, -1);
    EXPECT_LT(b, a);
    // The same counter as -1 given to a creator.
    core::Ref<TMass> m = TMass::Create(0, 0, 1, 1, 0, -1);
    EXPECT_EQ(m->GetColGroup(), b - 1);
}

} // namespace
