// The contact grid of any size (TPhysics::SetCellSize): where its cells lie,
// that it costs what the masses cost and not what the area does, that it
// finds contacts across its cells, and that it goes into snapshots and world
// files and back out of them.

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "fnv.h"
#include "physics/grid/cell_table.h"
#include "physics/grid/grid.h"
#include "physics/step/step.h"
#include "scene.h"

namespace {

using namespace scene;
using detail::TCellPlace;
using detail::TCellTable;

// ---- The table of cells on its own.

TEST(CellTable, LinksAndLookupsAgreeHoweverTheCellsAreMade) {
    TCellTable table;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coordinate(0, 40);
    int near = -1;
    for (int k = 0; k < 3000; ++k) {
        const TCellPlace at{coordinate(rng), coordinate(rng)};
        // Half of the lookups start from the last cell, as a mass that
        // moved does; the rest go through the hash.
        const int id = table.FindOrMake(at, k % 2 ? near : -1);
        ASSERT_EQ(table.PlaceOf(id), at);
        ASSERT_EQ(table.Find(at), id);
        near = id;
    }
    EXPECT_LE(table.Count(), 41 * 41);
    EXPECT_GT(table.Count(), 41 * 41 / 2); // the table grew several times
    EXPECT_EQ(table.BrokenInvariant(), nullptr);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Find({3, 3}), -1);
}

TEST(CellTable, AroundListsNeighboursColumnByColumn) {
    TCellTable table;
    const int middle = table.FindOrMake({5, 5}, -1);
    const int left = table.FindOrMake({4, 5}, middle);
    const int belowRight = table.FindOrMake({6, 6}, -1);
    const TCellTable::Around& around = table.AroundOf(middle);
    const TCellTable::Around want = {-1, left, -1, -1, middle, -1, -1, -1, belowRight};
    EXPECT_EQ(around, want);
    // The neighbours were told too, from the other side.
    EXPECT_EQ(table.AroundOf(left)[7], middle);
    EXPECT_EQ(table.AroundOf(belowRight)[0], middle);
}

// ---- The world's cells.

using CellSize = PhysicsTest;

TEST_F(CellSize, CellsCountFromTheBoundsCornerAndClampAtTheirEdges) {
    TPhysics::Create(100, 100, 0, 0, 1);
    TPhysics::SetBounds(-100, 50, 905, 650);
    TPhysics::SetCellSize(10);
    TPhysics* w = currentWorld;
    EXPECT_EQ(TPhysics::GetCellSize(), 10);
    EXPECT_EQ(w->SpanX(), 101); // 1005 wide: the last cell is cut short
    EXPECT_EQ(w->SpanY(), 60);
    EXPECT_EQ(w->CellX(-100), 0);
    EXPECT_EQ(w->CellX(-90.01f), 0);
    EXPECT_EQ(w->CellX(-90), 1);
    EXPECT_EQ(w->CellX(904.9f), 100);
    EXPECT_EQ(w->CellX(-1e30f), 0); // outside the bounds: the edge cells
    EXPECT_EQ(w->CellX(1e30f), 100);
    EXPECT_EQ(w->CellX(NAN), 0);
    EXPECT_EQ(w->CellY(59.99f), 0);
    EXPECT_EQ(w->CellY(60), 1);
    EXPECT_EQ(w->CellY(5000), 59);
    // Back to the grid of the grid size: 8 cells from 0, as before.
    TPhysics::SetCellSize(-3);
    EXPECT_EQ(TPhysics::GetCellSize(), 0);
    EXPECT_EQ(w->SpanX(), 8);
    EXPECT_EQ(w->CellX(-90), 0);
    EXPECT_EQ(w->CellX(13), 1); // 8 / 100 cells per unit, from 0
    EXPECT_EQ(TPhysics::SetCellSize(NAN), -1); // refused: a negative width is the way back
    EXPECT_EQ(TPhysics::GetCellSize(), 0);
}

TEST_F(CellSize, TheCellsFollowTheBoundsAndTakeTheMassesAlong) {
    TPhysics::Create(200, 200, 0, 0, 1);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetCellSize(20);
    core::Ref<TMass> a = Enter(150, 150, 4, -1), b = Enter(30, 30, 4, -1);
    ASSERT_EQ(a->gridx, 7);
    TPhysics::SetBounds(100, 100, 300, 300);
    EXPECT_EQ(currentWorld->SpanX(), 10);
    EXPECT_EQ(a->gridx, 2); // (150 - 100) / 20
    EXPECT_EQ(b->gridx, 0); // outside: the edge cell
    EXPECT_EQ(a->gridlink.cell, currentWorld->shiftgrid->Find({2, 2}));
    // Bounds written straight into the fields are caught up with by the step.
    currentWorld->boundsMinX = 0;
    TPhysics::Update();
    EXPECT_EQ(currentWorld->SpanX(), 15);
    EXPECT_EQ(a->gridx, 7);
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld), nullptr);
}

// A few masses falling through a world of 100,000 x 100,000 units: a cell
// per 16 x 16 units would be 39 million cells.
TEST_F(CellSize, MemoryFollowsTheMassesNotTheArea) {
    TPhysics::Create(100000, 100000, 0.5f, 0, 1);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetCellSize(16);
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 40; ++k) {
        masses.push_back(TMass::Create(1000 + 2000.0f * static_cast<float>(k % 20),
                                       1000 + 50000.0f * static_cast<float>(k / 20), 1, 4, 0.5f,
                                       -1));
        if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 1)->Assign(body);
    }
    for (int step = 0; step < 200; ++step) TPhysics::Update();
    EXPECT_GT(masses[0]->posY, 1000 + 200 * 16); // it did fall through many cells
    // 40 masses falling about 10,000 units each pass through about 600 cells
    // apiece; the cells they left are forgotten once there are many.
    EXPECT_LT(currentWorld->shiftgrid->CellCount(), 6000);
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld), nullptr);
}

// Two pairs touching across a cell's corner, and a pair in the cells
// beyond the bounds: each pair is pushed apart.
TEST_F(CellSize, ContactsAreFoundAcrossCellsAndBeyondTheBounds) {
    TPhysics::Create(400, 400, 0, 0, 1);
    TPhysics::SetBounds(-50, -50, 350, 350);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetCellSize(10);
    // Cells start at -50: 0 and 0.5 lie either side of the corner at (0, 0).
    core::Ref<TMass> a = Enter(-2, -2, 3, -1), b = Enter(1, 1, 3, -1);
    ASSERT_NE(a->gridx, b->gridx);
    ASSERT_NE(a->gridy, b->gridy);
    TPhysics::Update();
    EXPECT_GE(std::hypot(a->posX - b->posX, a->posY - b->posY), 6 - 1e-4f);
    EXPECT_LT(a->posX, -2);
    EXPECT_GT(b->posX, 1);
}

// Going back to the grid of the grid size before any step: the step is the
// one of a world that never had a cell size, bit for bit.
TEST_F(CellSize, ZeroGoesBackToTheGridOfTheGridSize) {
    auto run = [](bool detour) {
        TPhysics::Create(600, 600, 0.2f, 0, 2);
        TPhysics::SetGridSize(32);
        TPhysics::UseShiftedGrid(1);
        core::Ref<TBody> body = core::Make<TBody>();
        std::vector<core::Ref<TMass>> masses;
        for (int k = 0; k < 800; ++k) {
            masses.push_back(TMass::Create(20 + static_cast<float>(k % 40) * 7.5f,
                                           580 - static_cast<float>(k / 40) * 7.5f, 1, 4, 0.5f,
                                           -1));
            if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 0.5f)->Assign(body);
        }
        if (detour) {
            TPhysics::SetCellSize(9);
            TPhysics::SetCellSize(0);
        }
        Fnv hash;
        for (int step = 0; step < 60; ++step) {
            TPhysics::Update();
            for (const auto& m : masses) {
                hash.Add(m->posX);
                hash.Add(m->posY);
            }
        }
        TPhysics::Free();
        return hash.h;
    };
    EXPECT_EQ(run(true), run(false));
}

// Asking for cells means using them: on a world whose grid was off, a width
// turns it on (before, contacts stayed pair by pair and the width did
// nothing), and going back to the grid of the grid size leaves it on.
TEST_F(CellSize, AWidthTurnsTheGridOn) {
    core::Ref<TPhysics> world = TPhysics::Create(600, 600, 0.2f, 0, 2);
    ASSERT_EQ(world->gridon, 0);
    TPhysics::SetCellSize(0);
    EXPECT_EQ(world->gridon, 0);
    EXPECT_EQ(TPhysics::SetCellSize(std::nanf("")), -1);
    EXPECT_EQ(world->gridon, 0);
    TPhysics::SetCellSize(12);
    EXPECT_EQ(world->gridon, 1);
    TPhysics::SetCellSize(0);
    EXPECT_EQ(world->gridon, 1);
}

TEST_F(CellSize, AWorldDefinitionCarriesIt) {
    TWorldDef def;
    def.right = 5000;
    def.cellSize = 12;
    TPhysics::Create(def);
    EXPECT_EQ(TPhysics::GetCellSize(), 12);
    EXPECT_EQ(currentWorld->SpanX(), 417);
    TPhysics::Free();
    EXPECT_EQ(TPhysics::GetCellSize(), 0);
}

// ---- Sleeping, snapshots and world files.

struct Pile {
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;

    // 1,200 masses in pairs in a world 3,000 wide, cells of 10.
    Pile() {
        TPhysics::Create(3000, 300, 0.15f, 0, 1);
        TPhysics::UseShiftedGrid(1);
        TPhysics::SetCellSize(10);
        for (int k = 0; k < 1200; ++k) {
            masses.push_back(TMass::Create(10 + static_cast<float>(k % 300) * 8.6f,
                                           290 - static_cast<float>(k / 300) * 8.6f, 1, 4, 0.5f,
                                           -1));
            if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 1)->Assign(body);
        }
    }
    // Numbers the cells afresh before every `renumberEvery`th step (0: never).
    std::uint64_t StepAndHash(int steps, int renumberEvery = 0) {
        Fnv hash;
        for (int step = 0; step < steps; ++step) {
            if (renumberEvery > 0 && step % renumberEvery == 0) {
                const int before = currentWorld->shiftgrid->CellCount();
                detail::TStepAccess::Of(*currentWorld).RenumberCells(*currentWorld);
                EXPECT_LE(currentWorld->shiftgrid->CellCount(), before);
                EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld),
                          nullptr);
            }
            TPhysics::Update();
            for (const auto& m : masses) {
                hash.Add(m->posX);
                hash.Add(m->posY);
                hash.Add(m->oldPosX);
                hash.Add(m->oldPosY);
            }
        }
        return hash.h;
    }
};

TEST_F(CellSize, APileSleepsAndWakesInCellsOfAnySize) {
    Pile pile;
    TPhysics::SetSleep(0.05f, 20);
    for (int step = 0; step < 600 && TPhysics::AwakeCount() > 0; ++step) TPhysics::Update();
    ASSERT_EQ(TPhysics::AwakeCount(), 0);
    // A mass dropped on it wakes what it lands on.
    core::Ref<TMass> drop = TMass::Create(1500, 150, 1, 4, 0.5f, -1);
    core::Ref<TMass> partner = TMass::Create(1508, 150, 1, 4, 0.5f, -1);
    TConstraint::Create(drop, partner, 0, 1)->Assign(pile.body);
    for (int step = 0; step < 120; ++step) TPhysics::Update();
    EXPECT_GT(TPhysics::AwakeCount(), 2);
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld), nullptr);
}

// The step numbers the cells afresh once many were made, which must keep
// every cell's masses in their order: the walks, and so every position, come
// out the same however often it happens.
TEST_F(CellSize, NumberingTheCellsAfreshChangesNoPosition) {
    std::uint64_t plain = 0;
    {
        Pile pile;
        pile.StepAndHash(10);
        plain = pile.StepAndHash(60);
    }
    Reset();
    Pile pile;
    pile.StepAndHash(10);
    const detail::TGridCell* first = pile.masses[0]->gridlink.cell;
    const int firstId = first->Id();
    EXPECT_EQ(pile.StepAndHash(60, 7), plain);
    // The cells were numbered in another order, not left as they were.
    EXPECT_NE(pile.masses[0]->gridlink.cell->Id(), firstId);
}

TEST_F(CellSize, ASnapshotBringsBackTheCellSizeAndReplaysBitForBit) {
    Pile pile;
    pile.StepAndHash(30);
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot();
    const std::uint64_t first = pile.StepAndHash(40);
    TPhysics::SetCellSize(0); // the restore must bring the cells back
    pile.StepAndHash(5);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(TPhysics::GetCellSize(), 10);
    EXPECT_EQ(pile.StepAndHash(40), first);
}

TEST_F(CellSize, AWorldFileCarriesTheCellSize) {
    namespace fs = std::filesystem;
    const fs::path file = fs::path(::testing::TempDir()) / "cell_size_world.tnw";
    std::uint64_t first = 0;
    {
        Pile pile;
        pile.StepAndHash(30);
        ASSERT_EQ(TPhysics::SaveWorld(file.string(), 0, {pile.body}), 0);
        first = pile.StepAndHash(40);
        TPhysics::Free();
    }
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes[4], 2); // the version that carries a cell size

    TPhysics::Create(10, 10, 0, 0, 1);
    std::string error;
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(file.string(), error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(TPhysics::GetCellSize(), 10);
    std::vector<TMass*> masses;
    for (TMass* m : massList->Each<TMass>()) masses.push_back(m);
    Fnv hash;
    for (int step = 0; step < 40; ++step) {
        TPhysics::Update();
        for (TMass* m : masses) {
            hash.Add(m->posX);
            hash.Add(m->posY);
            hash.Add(m->oldPosX);
            hash.Add(m->oldPosY);
        }
    }
    EXPECT_EQ(hash.h, first);

    // A cell size that no longer covers the cells the file names is refused,
    // and leaves the world as it was.
    const std::size_t cellSizeAt = 8 + 17 * 4; // magic, version, 17 settings
    for (const float wrong : {1e6f, 0.0f}) {
        std::vector<char> damaged = bytes;
        std::memcpy(damaged.data() + cellSizeAt, &wrong, sizeof wrong);
        const fs::path bad = fs::path(::testing::TempDir()) / "cell_size_damaged.tnw";
        std::ofstream(bad, std::ios::binary).write(damaged.data(),
                                                   static_cast<std::streamsize>(damaged.size()));
        std::string why;
        EXPECT_FALSE(TPhysics::LoadWorld(bad.string(), why)) << wrong;
        EXPECT_NE(why.find("outside the grid"), std::string::npos) << why;
        EXPECT_EQ(TPhysics::GetCellSize(), 10);
        fs::remove(bad);
    }
    fs::remove(file);
}

// The validating build's checks see a mass that names a cell other than the
// one it stands in, which in a grid of any size is a different cell object.
TEST_F(CellSize, TheStepsChecksSeeAMassInTheWrongCell) {
    Pile pile;
    pile.StepAndHash(2);
    const detail::TStepper& stepper = detail::TStepAccess::Of(*currentWorld);
    ASSERT_EQ(stepper.BrokenInvariant(*currentWorld), nullptr);
    TMass* m = pile.masses[500].Get();
    m->gridx += 3;
    EXPECT_NE(stepper.BrokenInvariant(*currentWorld), nullptr);
    m->gridx -= 3;
    EXPECT_EQ(stepper.BrokenInvariant(*currentWorld), nullptr);
}

} // namespace
