#include <cmath>
#include <cstring>
#include <vector>

#include "physics/grid/grid.h"
#include "scene.h"

using namespace scene;

using WorldTest = PhysicsTest;

TEST_F(WorldTest, CreateSetsUpAndSettersFollowTheirRules) {
    core::Ref<TPhysics> w = TPhysics::Create(1000, 2000, 0.15f, 0.5f, 3);
    EXPECT_EQ(currentWorld.Get(), w.Get());
    EXPECT_FLOAT_EQ(w->gravityY, 0.15f);
    EXPECT_FLOAT_EQ(w->gravityX, 0.5f);
    EXPECT_EQ(w->i, 3);
    EXPECT_EQ(w->gridsize, 8);
    EXPECT_FLOAT_EQ(w->ratiox, 8.0f / 1000);
    TPhysics::SetGridSize(4);
    EXPECT_EQ(w->gridsize, 8);
    TPhysics::SetGridSize(100);
    EXPECT_EQ(w->gridsize, 64);
    // New bounds leave the ratios alone until the grid size is set again.
    TPhysics::SetBounds(500, 400, -100, 0);
    float x1, y1, x2, y2;
    TPhysics::GetBounds(x1, y1, x2, y2);
    EXPECT_EQ((std::vector<float>{x1, y1, x2, y2}), (std::vector<float>{-100, 0, 500, 400}));
    EXPECT_FLOAT_EQ(w->ratiox, 64.0f / 1000);
    TPhysics::SetGridSize(16);
    EXPECT_FLOAT_EQ(w->ratiox, 16.0f / 600);
    TPhysics::Free();
    EXPECT_FALSE(currentWorld);
    EXPECT_FALSE(massList);
    EXPECT_EQ(w->i, 0);
    EXPECT_EQ(w->friction, 0);
}

TEST_F(WorldTest, WithoutAWorldEverythingIsAQuietNoOp) {
    core::Ref<TMass> m = TMass::Create(5, 5, 1, 1, 0, 1);
    m->AddRef();
    EXPECT_EQ(m->refCounter, 1);
    EXPECT_EQ(m->link, nullptr);
    EXPECT_EQ(TPhysics::Update(), 0);
    EXPECT_EQ(TPhysics::SetGridSize(16), 0);
    float a = 7, b = 7, c = 7, d = 7;
    TPhysics::GetBounds(a, b, c, d);
    EXPECT_EQ(a + b + c + d, 0);
    EXPECT_FALSE(TColEvent::Seek(m, nullptr));
    m->SubRef();
}

TEST_F(WorldTest, CellsAreClampedAndNonFiniteProductsGoToCellZero) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    EXPECT_EQ(w->CellX(-5), 0);
    EXPECT_EQ(w->CellX(99.9f), 0);
    EXPECT_EQ(w->CellX(100), 1);
    EXPECT_EQ(w->CellX(1e30f), 7);
    EXPECT_EQ(w->CellX(NAN), 0);
    TPhysics::SetBounds(0, 0, 0, 800); // zero width: infinite ratio along x
    TPhysics::SetGridSize(8);
    EXPECT_EQ(w->CellX(300), 0);
    EXPECT_EQ(w->CellX(0), 0);
}

TEST_F(WorldTest, WallFrictionWorkedExample) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> m = Enter(4, 50, 5, 1, 0.5f);
    m->oldPosX = 5; // after integration: x = 3, moving down by 2
    m->oldPosY = 48;
    TPhysics::Update();
    EXPECT_FLOAT_EQ(m->posX, 5);
    EXPECT_FLOAT_EQ(m->posY, 52);
    EXPECT_FLOAT_EQ(m->GetVY(), 0.5f);
    core::Ref<TColEvent> e = TColEvent::Seek(m, nullptr);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->id, TColEvent::MASS_BOUNDS);
    EXPECT_EQ(e->obj2.Get(), currentWorld.Get());
    EXPECT_FLOAT_EQ(e->force, 2);
    EXPECT_FLOAT_EQ(e->x, 0);
    EXPECT_FLOAT_EQ(e->y, 52);
}

TEST_F(WorldTest, SlowSlideAlongAWallStopsAndTheExactEdgeIsNoContact) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> slow = Enter(96, 50, 5, 1, 1);
    slow->oldPosX = 95; // 1 into the right wall, sliding 0.5 down
    slow->oldPosY = 49.5f;
    core::Ref<TMass> edge = Enter(5, 20, 5, 2);
    TPhysics::Update();
    EXPECT_FLOAT_EQ(slow->posX, 95);
    EXPECT_FLOAT_EQ(slow->GetVY(), 0);
    EXPECT_FALSE(TColEvent::Seek(edge, nullptr));
}

TEST_F(WorldTest, ZeroPassesOnlyIntegrateAndFlush) {
    TPhysics::Create(100, 100, 1, 0, 0);
    core::Ref<TMass> m = Enter(50, 99, 5, 1);
    TColEvent::Post(TColEvent::Create(m, nullptr, 0, 0, 1), TColEvent::MODE_UPDATE);
    TPhysics::Update();
    EXPECT_FLOAT_EQ(m->posY, 100); // out of bounds: nothing holds it
    EXPECT_FALSE(TColEvent::Peek());
}

TEST_F(WorldTest, FrozenMassIsHeldInBoundsAndStillPushesOthers) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> f = Enter(2, 50, 5, 1);
    f->Freeze();
    core::Ref<TMass> m = Enter(14, 50, 5, 2);
    TPhysics::Update();
    EXPECT_FLOAT_EQ(f->posX, 5);    // clamped although frozen
    EXPECT_FLOAT_EQ(f->posY, 50);   // not integrated
    EXPECT_FLOAT_EQ(f->oldPosX, 2); // the clamp gave it a velocity
    EXPECT_FLOAT_EQ(m->posX, 15);   // pushed out by the whole depth
    EXPECT_TRUE(TColEvent::Seek(f, m));
}

TEST_F(WorldTest, GroupRules) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> none = Enter(50, 50, 5, 0);
    core::Ref<TMass> a = Enter(52, 50, 5, 3);
    core::Ref<TMass> b = Enter(54, 50, 5, 3);
    core::Ref<TMass> c = Enter(-10, 50, 5, 0); // group 0 is still kept in bounds
    TPhysics::Update();
    EXPECT_FALSE(TColEvent::Seek(none, a));
    EXPECT_FALSE(TColEvent::Seek(a, b));
    EXPECT_FLOAT_EQ(a->posX, 52);
    EXPECT_FLOAT_EQ(c->posX, 5);
}

// Two masses of radius 150 in a world whose cells are 100 wide.
static std::vector<core::Ref<TMass>> FarPair(float x1, float x2) {
    TPhysics::Create(800, 800, 0, 0, 1);
    return {Enter(x1, 400, 150, 1), Enter(x2, 400, 150, 2)};
}

TEST_F(WorldTest, GridNeverTestsMassesTwoCellsApart) {
    auto p = FarPair(150, 350); // cells 1 and 3
    TPhysics::UseShiftedGrid(1);
    TPhysics::Update();
    EXPECT_FALSE(TColEvent::Seek(p[0], p[1]));
    EXPECT_FLOAT_EQ(p[0]->posX, 150);
    TPhysics::UseShiftedGrid(0);
    TPhysics::Update();
    EXPECT_TRUE(TColEvent::Seek(p[0], p[1]));
}

namespace {
std::vector<TMass*> firstMasses;
core::Ref<core::Object> RecordFirst(int, core::Object* data, core::Object*) {
    firstMasses.push_back(static_cast<TColEvent*>(data)->obj1);
    return data;
}
} // namespace

TEST_F(WorldTest, GridResolvesAPairFromBothSidesAllPairsOnce) {
    // Coincident centres give no normal, so the pair stays in contact and
    // every resolution is seen.
    for (int grid : {0, 1}) {
        auto p = FarPair(400, 400);
        TPhysics::UseShiftedGrid(grid);
        firstMasses.clear();
        core::AddHook(TColEvent::colHookId, RecordFirst);
        TPhysics::Update();
        core::RemoveHook(TColEvent::colHookId, RecordFirst);
        std::vector<TMass*> expected{p[0]};
        if (grid) expected.push_back(p[1]);
        EXPECT_EQ(firstMasses, expected);
        core::Ref<TColEvent> e = TColEvent::Seek(p[1], p[0]);
        ASSERT_TRUE(e);
        EXPECT_FLOAT_EQ(e->force, (300 - 0.0001f) * (grid ? 2 : 1));
        EXPECT_EQ(e->obj1.Get(), p[0].Get()); // the merged event keeps its order
    }
}

namespace {
std::vector<TMass*> CellMasses(const detail::TGridCell& cell) {
    std::vector<TMass*> order;
    for (TMass* m = cell.First(); m; m = m->gridlink.next) order.push_back(m);
    return order;
}
} // namespace

TEST_F(WorldTest, AStepLeavesEachCellInListOrder) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::UseShiftedGrid(1);
    auto a = Enter(10, 10, 1, 1), b = Enter(20, 10, 1, 2), c = Enter(30, 10, 1, 3);
    auto d = Enter(150, 10, 1, 4); // the next cell to the right
    a->AddToGrid();                // a last: b, c, a
    ASSERT_EQ(CellMasses(w->shiftgrid->Cell(0, 0)), (std::vector<TMass*>{b, c, a}));
    d->Position(40, 10); // d moves into the first cell
    TPhysics::Update();
    EXPECT_EQ(CellMasses(w->shiftgrid->Cell(0, 0)), (std::vector<TMass*>{a, b, c, d}));
    EXPECT_TRUE(w->shiftgrid->Cell(1, 0).IsEmpty());
    EXPECT_EQ(d->gridx, 0);
    EXPECT_EQ(d->gridlink.prev, c.Get());
}

// A mass put into the grid without entering the world stays an obstacle at
// the front of its cell: the step re-bins the world's masses around it.
TEST_F(WorldTest, AMassInTheGridButNotInTheWorldStaysWhereItIs) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::UseShiftedGrid(1);
    auto a = Enter(10, 10, 4, 1);
    core::Ref<TMass> stranger = TMass::Create(16, 10, 1, 4, 0, 2);
    stranger->AddToGrid();
    auto b = Enter(30, 10, 4, 3);
    for (int step = 0; step < 3; ++step) {
        TPhysics::Update();
        EXPECT_EQ(CellMasses(w->shiftgrid->Cell(0, 0)), (std::vector<TMass*>{stranger, a, b}));
    }
    EXPECT_LT(a->posX, 10); // pushed away by it
}

TEST_F(WorldTest, AGridSizeWrittenPastTheGridStaysInside) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::UseShiftedGrid(1);
    w->gridsize = 1000;
    w->ratiox = w->ratioy = 1000.0f / 800;
    auto a = Enter(795, 795, 4, 1), b = Enter(799, 799, 4, 2);
    TPhysics::Update();
    EXPECT_EQ(a->gridx, TPhysics::MAX_GRID - 1);
    EXPECT_EQ(a->gridlink.cell, &w->shiftgrid->Cell(TPhysics::MAX_GRID - 1, TPhysics::MAX_GRID - 1));
    EXPECT_TRUE(TColEvent::Seek(a, b)); // still met through the grid
}

// The step keeps the lists' order between steps; every change to a list
// between steps must show in the next one.
TEST_F(WorldTest, TheStepFollowsChangesToTheListsBetweenSteps) {
    TPhysics::Create(800, 800, 1, 0, 1);
    auto a = Enter(100, 100, 1, 1), b = Enter(200, 100, 1, 2);
    TPhysics::Update();
    EXPECT_FLOAT_EQ(a->posY, 101);
    auto c = Enter(300, 100, 1, 3); // enters between steps
    a->SubRef();                    // leaves between steps
    TPhysics::Update();
    EXPECT_FLOAT_EQ(a->posY, 101);
    EXPECT_FLOAT_EQ(b->posY, 103);
    EXPECT_FLOAT_EQ(c->posY, 101);
    core::Ref<TBody> body = core::Make<TBody>();
    TConstraint::Create(b, c, 50, 1)->Assign(body); // a constraint enters too
    TPhysics::Update();
    EXPECT_NEAR(std::hypot(c->posX - b->posX, c->posY - b->posY), 50, 1e-3);
}

TEST_F(WorldTest, CellOrderFollowsReBinning) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    auto a = Enter(10, 10, 1, 1), b = Enter(20, 10, 1, 2), c = Enter(30, 10, 1, 3);
    detail::TGridCell& cell = w->shiftgrid->Cell(0, 0);
    b->AddToGrid(); // moves b to the end of its cell
    std::vector<TMass*> order;
    for (TMass* m = cell.First(); m; m = m->gridlink.next) order.push_back(m);
    EXPECT_EQ(order, (std::vector<TMass*>{a, c, b}));
    b->SubRef();
    EXPECT_EQ(cell.Count(), 2);
    EXPECT_EQ(b->gridlink.cell, nullptr);
}

namespace {
core::Ref<TBody> victimBody;
core::Ref<core::Object> RemoveOnBounds(int, core::Object* data, core::Object*) {
    auto* e = static_cast<TColEvent*>(data);
    if (e->id == TColEvent::MASS_BOUNDS && victimBody) victimBody = nullptr; // releases it
    return data;
}
} // namespace

TEST_F(WorldTest, MassTakenOutDuringAPassIsNotReBinnedOrCollided) {
    TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::UseShiftedGrid(1);
    core::Ref<TMass> gone = TMass::Create(3, 400, 1, 5, 0, 1); // in the left wall
    victimBody = core::Make<TBody>();
    TConstraint::Create(gone, gone, 1, 1)->Assign(victimBody);
    core::Ref<TMass> other = Enter(12, 400, 5, 2); // stepped after `gone`
    ASSERT_TRUE(gone->IsActive());
    core::AddHook(TColEvent::colHookId, RemoveOnBounds);
    TPhysics::Update();
    core::RemoveHook(TColEvent::colHookId, RemoveOnBounds);
    EXPECT_FALSE(gone->IsActive());
    EXPECT_EQ(gone->gridlink.cell, nullptr);
    EXPECT_FALSE(TColEvent::Seek(gone, other));
    EXPECT_FLOAT_EQ(other->posX, 12);
}

namespace {
core::Ref<core::Object> StepAgain(int, core::Object* data, core::Object*) {
    TPhysics::Update();
    return data;
}
} // namespace

TEST_F(WorldTest, AStepStartedFromAHookDoesNothing) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> m = Enter(0, 50, 5, 1);
    m->oldPosY = 49;
    core::AddHook(TColEvent::colHookId, StepAgain);
    TPhysics::Update();
    core::RemoveHook(TColEvent::colHookId, StepAgain);
    EXPECT_FLOAT_EQ(m->posY, 51);
}

TEST_F(WorldTest, ReplacingOrFreeingTheWorldLeavesNoDanglingLinks) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TBody> body = core::Make<TBody>();
    auto a = TMass::Create(10, 10, 1, 1, 0, 1), b = TMass::Create(20, 10, 1, 1, 0, 2);
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 0, 1);
    c->Assign(body);
    TPhysics::Create(100, 100, 0, 0, 1); // the old world and its lists go
    EXPECT_EQ(a->link, nullptr);
    EXPECT_EQ(a->gridlink.cell, nullptr);
    EXPECT_EQ(c->link, nullptr);
    EXPECT_TRUE(massList->IsEmpty());
    body = nullptr; // frees the constraint from the body, touching no old link
    EXPECT_EQ(a->refCounter, 0);
    TPhysics::Update();
}

namespace {
struct CountingZone final : TZoneBase {
    std::vector<TMass*> calls;
    int Collide(TMass* m) override {
        calls.push_back(m);
        return 0;
    }
};
} // namespace

TEST_F(WorldTest, ZonePassSkipsFrozenMassesAndFollowsTheGroupRule) {
    TPhysics::Create(100, 100, 0, 0, 2);
    core::Ref<CountingZone> z = core::Make<CountingZone>();
    z->colGroup = 4;
    z->link = zoneList->AddLast(z);
    auto a = Enter(50, 50, 1, 1), same = Enter(60, 50, 1, 4), none = Enter(70, 50, 1, 0);
    auto frozen = Enter(80, 50, 1, 2);
    frozen->Freeze();
    TPhysics::Update();
    EXPECT_EQ(z->calls, (std::vector<TMass*>{a, a}));
    TPhysics::Free();
    EXPECT_EQ(z->link, nullptr);
}

static std::vector<float> RunScene(int grid) {
    TPhysics::Create(300, 300, 0.15f, 0.01f, 2);
    TPhysics::SetGridSize(16);
    TPhysics::UseShiftedGrid(grid);
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 60; ++k) {
        masses.push_back(TMass::Create(20 + (k % 10) * 9.5f, 40 + (k / 10) * 11.0f + (k % 3),
                                       1 + k % 4, 5, 0.3f, -1));
        if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 0.7f)->Assign(body);
    }
    for (int step = 0; step < 300; ++step) TPhysics::Update();
    std::vector<float> out;
    for (auto& m : masses) out.insert(out.end(), {m->posX, m->posY, m->oldPosX, m->oldPosY});
    return out;
}

TEST_F(WorldTest, SameSceneTwiceGivesBitIdenticalPositions) {
    for (int grid : {0, 1}) {
        std::vector<float> first = RunScene(grid);
        std::vector<float> second = RunScene(grid);
        ASSERT_EQ(first.size(), second.size());
        EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
        for (float v : first) ASSERT_TRUE(std::isfinite(v));
    }
}
