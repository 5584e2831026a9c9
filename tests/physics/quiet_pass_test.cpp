// The step's variants against each other. A pass in which no outside code
// can run walks copies of the cells and records its contacts without event
// objects; a pass with a collision hook or a zone response of its own walks
// the cells' lists and emits every event through the hook chain. Both must
// give the same bits: positions, old positions, and the queue, event by
// event.

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "physics/grid/grid.h"
#include "physics/step/step.h"
#include "fnv.h"
#include "scene.h"

namespace {

using namespace scene;

core::Ref<core::Object> PassThrough(int, core::Object* data, core::Object*) { return data; }

// A zone response of its own that does just what the default one does: the
// step must then allow for outside code, with the same results.
int SameAsDefault(TZone* zone, TMass* mass, float nx, float ny, float depth) {
    return TZone::ColDefault(zone, mass, nx, ny, depth);
}

enum class Variant {
    Quiet,          // nothing from outside the library
    Hooked,         // a collision hook that passes every event on
    OwnResponse,    // a zone with a response of its own
};

struct Scene {
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    std::vector<core::Ref<TZone>> zones;
};

// A pile of `count` masses of radius 4 in pairs, stacked in rows that
// overlap a little in a 1000 x 2000 world with a 64 x 64 grid, so that masses
// push apart, change cells, crowd cells and touch everywhere.
Scene Pile(int count, int passes) {
    TPhysics::Create(1000, 2000, 0.15f, 0, passes);
    TPhysics::SetGridSize(64);
    TPhysics::UseShiftedGrid(1);
    Scene s;
    constexpr int kPerRow = 120;
    for (int k = 0; k < count; ++k) {
        const float x = 8 + static_cast<float>(k % kPerRow) * 7.8f + static_cast<float>(k / kPerRow % 3);
        const float y = 1990 - static_cast<float>(k / kPerRow) * 7.9f;
        s.masses.push_back(TMass::Create(x, y, 1 + static_cast<float>(k % 3), 4, 0.5f, -1));
        if (k % 2) TConstraint::Create(s.masses[k - 1], s.masses[k], 0, 0.5f)->Assign(s.body);
    }
    return s;
}

// A smaller pile poured onto zones of every style, some frozen masses among
// it, with a group shared by some masses so that they pass through each other.
Scene Zoned(bool ownResponse) {
    TPhysics::Create(400, 600, 0.2f, 0.02f, 2);
    TPhysics::SetGridSize(24);
    TPhysics::UseShiftedGrid(1);
    Scene s;
    s.zones.push_back(TZone::Create({20, 400, 200, 480, 380, 420}, TZone::LINE, 0.4f, -1, 3));
    s.zones.push_back(TZone::Create({150, 250, 250, 250, 200, 300}, TZone::FILL, 0.8f, -1, 3));
    s.zones.push_back(TZone::Create({-50, -50, 450, -50, 450, 580, -50, 580}, TZone::HOLE, 0.3f, -1, 3));
    s.zones.push_back(TZone::Create({300, 100, 360, 100, 360, 160, 300, 160}, TZone::LOOP, 0.5f, -1, 3));
    if (ownResponse) s.zones[1]->ColResponse = SameAsDefault;
    for (int k = 0; k < 600; ++k) {
        const float radius = 2.5f + static_cast<float>(k % 4);
        const float x = 15 + static_cast<float>((k * 53) % 370);
        const float y = 20 + static_cast<float>(k / 30) * 9.0f;
        const int group = k % 13 == 0 ? 7 : -1;
        s.masses.push_back(TMass::Create(x, y, 0.5f + static_cast<float>(k % 5), radius, 0.4f, group));
        if (k % 41 == 3) s.masses.back()->Freeze();
        if (k % 2) TConstraint::Create(s.masses[k - 1], s.masses[k], 0, 0.6f)->Assign(s.body);
    }
    return s;
}

struct Digest {
    std::uint64_t hash = 0;
    long events = 0;
    std::vector<detail::TContactSearch> searches;
};

// Steps a scene and hashes every mass and every queued event after each
// step. Events are identified by the index of their masses (or zone), so
// that two runs with different addresses compare.
Digest StepAndDigest(Scene& s, Variant variant, int steps) {
    std::map<const core::Object*, int> indexOf;
    for (std::size_t k = 0; k < s.masses.size(); ++k) indexOf[s.masses[k].Get()] = static_cast<int>(k);
    for (std::size_t k = 0; k < s.zones.size(); ++k) indexOf[s.zones[k].Get()] = -2 - static_cast<int>(k);
    indexOf[currentWorld.Get()] = -1;
    auto index = [&](const core::Object* o) {
        const auto at = indexOf.find(o);
        return at == indexOf.end() ? -100 : at->second;
    };
    if (variant == Variant::Hooked) core::AddHook(TColEvent::colHookId, PassThrough);
    Digest d;
    Fnv hash;
    for (int step = 0; step < steps; ++step) {
        TPhysics::Update();
        const detail::TStepper& stepper = detail::TStepAccess::Of(*currentWorld);
        d.searches.push_back(stepper.LastPlan().search);
        const char* broken = stepper.BrokenInvariant(*currentWorld);
        EXPECT_EQ(broken, nullptr) << broken;
        for (const core::Ref<TMass>& m : s.masses) {
            hash.Add(m->posX);
            hash.Add(m->posY);
            hash.Add(m->oldPosX);
            hash.Add(m->oldPosY);
        }
        hash.Add(TColEvent::QueueCount());
        while (core::Ref<TColEvent> e = TColEvent::Poll()) {
            ++d.events;
            hash.Add(e->id);
            hash.Add(index(e->obj1.Get()));
            hash.Add(index(e->obj2.Get()));
            hash.Add(e->x);
            hash.Add(e->y);
            hash.Add(e->force);
        }
    }
    if (variant == Variant::Hooked) core::RemoveHook(TColEvent::colHookId, PassThrough);
    d.hash = hash.h;
    return d;
}

using QuietPass = PhysicsTest;

TEST_F(QuietPass, APileOfTenThousandGivesTheBitsOfTheHookedStep) {
    constexpr int kSteps = 60;
    Scene quiet = Pile(10000, 1);
    const Digest a = StepAndDigest(quiet, Variant::Quiet, kSteps);
    Scene hooked = Pile(10000, 1);
    const Digest b = StepAndDigest(hooked, Variant::Hooked, kSteps);
    // Guard against proving nothing: the first really took the fast path,
    // the second the general one, and the pile is full of contacts.
    EXPECT_EQ(a.searches, std::vector(kSteps, detail::TContactSearch::GridArrays));
    EXPECT_EQ(b.searches, std::vector(kSteps, detail::TContactSearch::GridLists));
    EXPECT_GT(a.events, 300000);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

// The grid of any size (SetCellSize) walks its cells through their links:
// both sweeps must still meet the same pairs in the same order. The cells
// are narrower than the pile's spacing allows for a dense 64 x 64 grid, and
// the bounds start left of 0, so that cells are counted from the corner.
TEST_F(QuietPass, CellsOfAnySizeGiveTheBitsOfTheHookedStep) {
    constexpr int kSteps = 40;
    auto pile = [] {
        Scene s = Pile(6000, 2);
        TPhysics::SetBounds(-3, 0, 1000, 2000);
        TPhysics::SetCellSize(9.5f);
        return s;
    };
    Scene quiet = pile();
    const Digest a = StepAndDigest(quiet, Variant::Quiet, kSteps);
    Scene hooked = pile();
    const Digest b = StepAndDigest(hooked, Variant::Hooked, kSteps);
    EXPECT_EQ(a.searches, std::vector(kSteps, detail::TContactSearch::GridArrays));
    EXPECT_EQ(b.searches, std::vector(kSteps, detail::TContactSearch::GridLists));
    EXPECT_GT(currentWorld->shiftgrid->CellCount(), detail::TGrid::kCells);
    EXPECT_GT(a.events, 200000);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

TEST_F(QuietPass, SeveralPassesMergeTheSameForces) {
    constexpr int kSteps = 40;
    Scene quiet = Pile(1500, 3);
    const Digest a = StepAndDigest(quiet, Variant::Quiet, kSteps);
    Scene hooked = Pile(1500, 3);
    const Digest b = StepAndDigest(hooked, Variant::Hooked, kSteps);
    EXPECT_EQ(a.searches.front(), detail::TContactSearch::GridArrays);
    EXPECT_GT(a.events, 20000);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

TEST_F(QuietPass, ZonesGiveTheSameBitsWithAHookOrAResponseOfTheirOwn) {
    constexpr int kSteps = 150;
    Scene quiet = Zoned(false);
    const Digest a = StepAndDigest(quiet, Variant::Quiet, kSteps);
    Scene hooked = Zoned(false);
    const Digest b = StepAndDigest(hooked, Variant::Hooked, kSteps);
    Scene responding = Zoned(true);
    const Digest c = StepAndDigest(responding, Variant::OwnResponse, kSteps);
    EXPECT_EQ(a.searches.back(), detail::TContactSearch::GridArrays);
    EXPECT_EQ(c.searches.back(), detail::TContactSearch::GridLists);
    EXPECT_GT(a.events, 50000);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
    EXPECT_EQ(a.events, c.events);
    EXPECT_EQ(a.hash, c.hash);
}

// Masses binned left of the bounds are pushed into the next column at their
// turn: one cell receives far more masses during the pass than it held, and
// its copy must move to fresh room without losing the walk order.
Scene Crowding() {
    TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::SetBounds(100, 0, 800, 800); // the grid still spans 0 ... 800
    TPhysics::UseShiftedGrid(1);
    Scene s;
    for (int k = 0; k < 40; ++k) {
        const float x = 40 + static_cast<float>(k % 5) * 4;
        const float y = 10 + static_cast<float>(k / 5) * 9;
        s.masses.push_back(TMass::Create(x, y, 1, 4, 0.2f, -1));
        s.masses.back()->AddRef();
    }
    s.masses.push_back(TMass::Create(150, 40, 1, 4, 0.2f, -1)); // already there
    s.masses.back()->AddRef();
    return s;
}

TEST_F(QuietPass, ACellThatOutgrowsItsRoomKeepsItsOrder) {
    Scene quiet = Crowding();
    const Digest a = StepAndDigest(quiet, Variant::Quiet, 20);
    for (const core::Ref<TMass>& m : quiet.masses) EXPECT_GE(m->posX, 104);
    Scene hooked = Crowding();
    const Digest b = StepAndDigest(hooked, Variant::Hooked, 20);
    EXPECT_EQ(a.searches.front(), detail::TContactSearch::GridArrays);
    EXPECT_GT(a.events, 500);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

// A mass in the grid but not in the world stays where it was put, so the
// cells cannot be copied from the world's list alone: the quiet step walks
// the lists then, with the same results as the hooked one.
TEST_F(QuietPass, AStrangerInTheGridKeepsTheListWalk) {
    auto withStranger = [](Variant variant) {
        Scene s = Pile(400, 1);
        core::Ref<TMass> stranger = TMass::Create(300, 1980, 1, 6, 0.5f, 3);
        stranger->AddToGrid();
        return StepAndDigest(s, variant, 80);
    };
    const Digest a = withStranger(Variant::Quiet);
    const Digest b = withStranger(Variant::Hooked);
    EXPECT_EQ(a.searches.front(), detail::TContactSearch::GridLists);
    EXPECT_GT(a.events, 5000);
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

} // namespace

namespace {

// A lattice at rest, without gravity: no mass changes cells.
Scene AtRest() {
    TPhysics::Create(400, 400, 0, 0, 1);
    TPhysics::SetGridSize(16);
    TPhysics::UseShiftedGrid(1);
    Scene s;
    for (int k = 0; k < 300; ++k) {
        s.masses.push_back(TMass::Create(10 + static_cast<float>(k % 20) * 19,
                                         10 + static_cast<float>(k / 20) * 19, 1, 4, 0.5f, -1));
        s.masses.back()->AddRef();
    }
    return s;
}

// Steps a scene at rest, changes it between steps the way a program may
// (a mass placed elsewhere, one re-binned to the end of its cell, one that
// leaves the world and one that enters), and steps again.
Digest RestAndChange(Variant variant) {
    Scene s = AtRest();
    Digest d = StepAndDigest(s, variant, 3);
    const std::uint64_t links = currentWorld->shiftgrid->LinkChanges();
    TPhysics::Update();
    if (variant == Variant::Quiet) {
        // Nothing moved: the cells' lists were left as they were.
        EXPECT_EQ(currentWorld->shiftgrid->LinkChanges(), links);
    }
    s.masses[10]->Position(205, 205); // onto another mass, in another cell
    s.masses[47]->AddToGrid();
    s.masses[99]->SubRef();
    core::Ref<TMass> newcomer = TMass::Create(22, 25, 1, 4, 0.5f, -1);
    newcomer->AddRef();
    s.masses.push_back(newcomer);
    const Digest after = StepAndDigest(s, variant, 3);
    d.hash ^= after.hash;
    d.events += after.events;
    d.searches.insert(d.searches.end(), after.searches.begin(), after.searches.end());
    return d;
}

} // namespace

TEST_F(QuietPass, ASceneAtRestKeepsItsCellsAndFollowsChangesBetweenSteps) {
    const Digest a = RestAndChange(Variant::Quiet);
    const Digest b = RestAndChange(Variant::Hooked);
    EXPECT_EQ(a.searches.back(), detail::TContactSearch::GridArrays);
    EXPECT_GT(a.events, 0); // the placed mass and the newcomer touch others
    EXPECT_EQ(a.events, b.events);
    EXPECT_EQ(a.hash, b.hash);
}

// A quiet step records its pairs without looking any up. Readers and later
// contacts must still find each pair, whichever way round they name it, and
// new pairs must queue behind the step's.
TEST_F(QuietPass, PairsOfAQuietStepAreFoundAndMergedIntoAfterwards) {
    Scene s = Pile(2000, 1);
    for (int step = 0; step < 3; ++step) TPhysics::Update();
    ASSERT_EQ(detail::TStepAccess::Of(*currentWorld).LastPlan().search,
              detail::TContactSearch::GridArrays);
    const int queued = TColEvent::QueueCount();
    ASSERT_GT(queued, 1000);
    const core::Ref<TColEvent> first = TColEvent::Peek();
    ASSERT_TRUE(first && first->GetMass2());
    TMass* a = first->GetMass1();
    TMass* b = first->GetMass2();
    EXPECT_EQ(TColEvent::Seek(a, b), first);
    EXPECT_EQ(TColEvent::Seek(b, a), first);

    // A contact of a queued pair merges into its event; a new pair queues last.
    const float force = first->force;
    TColEvent::Post(TColEvent::Create(b, a, 1, 2, 0.25f), TColEvent::MODE_UPDATE);
    EXPECT_EQ(TColEvent::QueueCount(), queued);
    EXPECT_FLOAT_EQ(first->force, force + 0.25f);
    EXPECT_EQ(first->x, 1);
    TMass* far = s.masses.front().Get() == a ? s.masses[1].Get() : s.masses.front().Get();
    const core::Ref<TColEvent> fresh = TColEvent::Create(far, currentWorld.Get(), 3, 4, 1);
    TColEvent::Post(fresh, TColEvent::MODE_UPDATE);
    EXPECT_EQ(TColEvent::QueueCount(), queued + 1);
    EXPECT_EQ(TColEvent::Seek(currentWorld.Get(), far), fresh);

    // Every queued event once, in order, the new one last.
    std::vector<core::Ref<TColEvent>> polled;
    while (core::Ref<TColEvent> e = TColEvent::Poll()) polled.push_back(e);
    ASSERT_EQ(static_cast<int>(polled.size()), queued + 1);
    EXPECT_EQ(polled.front(), first);
    EXPECT_EQ(polled.back(), fresh);
    // Polled pairs are still found until the next step flushes them.
    EXPECT_EQ(TColEvent::Seek(a, b), first);
    TPhysics::Update();
    EXPECT_NE(TColEvent::Seek(a, b), first);
    EXPECT_EQ(TColEvent::Seek(far, currentWorld.Get()), nullptr);
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld), nullptr);
}

namespace {

// Masses 1 and 2, far away in the first step, are placed between steps next
// to mass 0, in the next cell to the right: the walk of mass 0 in the second
// step must meet them there, in list order. Weights and friction differ, so
// that who meets whom shows in the positions.
std::vector<float> PlacedNextToAnother(Variant variant) {
    TPhysics::Create(800, 800, 0, 0, 1);
    TPhysics::UseShiftedGrid(1); // cells 100 wide
    std::vector<core::Ref<TMass>> m;
    for (const float at : {95.0f, 550.0f, 650.0f}) {
        m.push_back(TMass::Create(at, at == 95 ? 300 : at, 1 + at / 100, 4, 0.3f, -1));
        m.back()->AddRef();
    }
    if (variant == Variant::Hooked) core::AddHook(TColEvent::colHookId, PassThrough);
    TPhysics::Update();
    m[1]->Position(102.5f, 300);
    m[2]->Position(101, 303);
    m[2]->SetVelocity(0.5f, -0.25f);
    TPhysics::Update();
    if (variant == Variant::Hooked) core::RemoveHook(TColEvent::colHookId, PassThrough);
    // Mass 0 is swept first and meets both.
    for (int other : {1, 2}) {
        const core::Ref<TColEvent> e = TColEvent::Seek(m[0], m[other]);
        EXPECT_TRUE(e && e->GetMass1() == m[0].Get()) << "mass " << other;
    }
    std::vector<float> out;
    for (const core::Ref<TMass>& mass : m) {
        out.insert(out.end(), {mass->posX, mass->posY, mass->oldPosX, mass->oldPosY});
    }
    return out;
}

} // namespace

TEST_F(QuietPass, AMassPlacedBetweenStepsIsMetInItsNewCell) {
    const std::vector<float> quiet = PlacedNextToAnother(Variant::Quiet);
    const std::vector<float> hooked = PlacedNextToAnother(Variant::Hooked);
    ASSERT_EQ(quiet.size(), hooked.size());
    EXPECT_EQ(std::memcmp(quiet.data(), hooked.data(), quiet.size() * sizeof(float)), 0);
}

// With two passes, a contact of the first pushes a mass into the next cell
// and the second pass moves nothing: the step must still link the cells'
// lists anew, although its last pass left every mass in its cell.
TEST_F(QuietPass, AMassPushedAcrossACellByAnEarlyPassIsLinkedInItsNewCell) {
    TPhysics::Create(800, 800, 0, 0, 2);
    TPhysics::UseShiftedGrid(1); // cells 100 wide
    const core::Ref<TMass> heavy = TMass::Create(80, 300, 100, 4, 0, -1);
    const core::Ref<TMass> light = TMass::Create(98, 300, 1, 4, 0, -1);
    heavy->AddRef();
    light->AddRef();
    TPhysics::Update();
    heavy->SetVelocity(16, 0); // reaches 96, deep into the light one
    TPhysics::Update();
    const detail::TStepper& stepper = detail::TStepAccess::Of(*currentWorld);
    ASSERT_EQ(stepper.LastPlan().search, detail::TContactSearch::GridArrays);
    EXPECT_GT(light->posX, 100.0f);
    EXPECT_LT(heavy->posX, 100.0f);
    const char* broken = stepper.BrokenInvariant(*currentWorld);
    EXPECT_EQ(broken, nullptr) << broken;
}
