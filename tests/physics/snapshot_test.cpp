// World snapshots: a restored world steps exactly as the world stepped from
// where the snapshot was taken, in every mode; restoring works in place and
// takes out what entered later.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pile.h"
#include "scene.h"
#include "snapshot_scenes.h"

namespace {

using namespace scene;

// Takes a snapshot, steps, restores, steps again: both runs must agree, and
// the restore must really have gone back (the world moved meanwhile).
void ExpectExactReplay(int steps, const std::vector<TBody*>& bodies = {}) {
    const std::uint64_t atSnapshot = WorldHash();
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot(bodies);
    ASSERT_TRUE(snapshot);
    const std::uint64_t first = StepAndHash(steps);
    ASSERT_NE(first, atSnapshot) << "the world did not move: the test proves nothing";
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(WorldHash(), atSnapshot);
    EXPECT_EQ(StepAndHash(steps), first);
    // And again, from a restore into a world that already is the snapshot's.
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    const std::uint64_t quarter = StepAndHash(steps / 4);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(StepAndHash(steps / 4), quarter);
}

using Snapshot = PhysicsTest;

TEST_F(Snapshot, PileReplaysBitForBitInModeZero) {
    Pile pile(86, 0.5f); // 9,976 masses
    ASSERT_GE(pile.masses.size(), 9900u);
    for (int k = 0; k < 100; ++k) TPhysics::Update();
    ExpectExactReplay(600);
}

// A smaller pile than the first test's, so that part of it sleeps soon (the
// snapshot benchmark checks the full pile in this mode too).
TEST_F(Snapshot, SleepingStackedPileReplaysBitForBit) {
    Pile pile(20, 0.5f);
    TPhysics::SetStacking(1);
    TPhysics::SetSleep(0.05f, 30);
    const int count = static_cast<int>(pile.masses.size());
    int steps = 0;
    while (TPhysics::AwakeCount() == count && steps < 3000) {
        TPhysics::Update();
        ++steps;
    }
    ASSERT_LT(TPhysics::AwakeCount(), count) << "nothing fell asleep";
    // Taken while the pile sleeps and masses fall on it: after it, islands
    // wake, and some fall asleep again.
    for (int k = 0; k < 40; ++k) Enter(100 + 20.0f * k, 1700, 4, -1, 0.5f);
    for (int k = 0; k < 5; ++k) TPhysics::Update();
    ASSERT_GT(TPhysics::AwakeCount(), 0);
    ASSERT_LT(TPhysics::AwakeCount(), count);
    ExpectExactReplay(600);
}

TEST_F(Snapshot, SoftBodiesSolvedTogetherReplay) {
    Pile pile(30, 0.3f);
    TPhysics::SetStacking(3);
    for (int k = 0; k < 50; ++k) TPhysics::Update();
    ExpectExactReplay(300);
}

TEST_F(Snapshot, AllPairsAndHookedStepsReplay) {
    Pile pile(10, 0.5f);
    TPhysics::UseShiftedGrid(0);
    for (int k = 0; k < 30; ++k) TPhysics::Update();
    ExpectExactReplay(200);
    TPhysics::UseShiftedGrid(1);
    const HookCounter hooked;
    ExpectExactReplay(200);
    EXPECT_GT(HookCounter::seen, 0);
}

TEST_F(Snapshot, ZonesBodiesAndRigsReplay) {
    Scenery scene;
    for (int k = 0; k < 20; ++k) TPhysics::Update();
    ExpectExactReplay(600, {scene.adv, scene.plain});
}

TEST_F(Snapshot, RestoreTakesOutWhatCameLaterAndBringsBackWhatLeft) {
    Scenery scene;
    for (int k = 0; k < 20; ++k) TPhysics::Update();
    const int masses = massList->Count(), constraints = constraintList->Count();
    const int zones = zoneList->Count();
    const int group = nextColGroup;
    const int holders = scene.adv->MassGet(3)->refCounter;
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot({scene.adv, scene.plain});
    const std::uint64_t atSnapshot = WorldHash();
    const std::uint64_t first = StepAndHash(300);

    // Later: a new body, a freed constraint, a zone gone and one moved, a
    // renamed mass, a changed table, new settings.
    core::Ref<TBody> later = core::Make<TBody>();
    core::Ref<TMass> newcomer = TMass::Create(300, 100, 1, 4, 0, -1);
    core::Ref<TConstraint> link = TConstraint::Create(newcomer, scene.adv->MassGet(3), 0, 1);
    link->Assign(later);
    TConstraint* freed = scene.plain->conList->First() ? static_cast<TConstraint*>(
                                                             scene.plain->conList->First())
                                                       : nullptr;
    ASSERT_TRUE(freed);
    core::Ref<TMass> leaver = freed->GetMass1();
    freed->Free(scene.plain);
    scene.zones[3]->Free();
    scene.zones[0]->Move(10, 10);
    scene.adv->MassGet(1)->SetName("renamed");
    scene.adv->MassRemove(7);
    scene.adv->RigGet(0)->SetAngle(99);
    TPhysics::SetGravity(0, -1);
    TPhysics::SetStacking(2);
    TColEvent::SetMode(TColEvent::MODE_REPLACE);
    for (int k = 0; k < 20; ++k) TPhysics::Update();
    EXPECT_TRUE(newcomer->InWorld());
    EXPECT_FALSE(leaver->InWorld());

    TMass* held = scene.adv->MassGet(2);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(scene.adv->MassGet(2), held) << "a restore replaced an object";
    EXPECT_EQ(massList->Count(), masses);
    EXPECT_EQ(constraintList->Count(), constraints);
    EXPECT_EQ(zoneList->Count(), zones);
    EXPECT_EQ(nextColGroup, group);
    EXPECT_EQ(TColEvent::colMode, TColEvent::MODE_UPDATE);
    EXPECT_EQ(TPhysics::GetStacking(), 0);
    EXPECT_FALSE(newcomer->InWorld());
    EXPECT_EQ(newcomer->gridlink.cell, nullptr);
    EXPECT_EQ(link->link, nullptr);
    EXPECT_TRUE(leaver->InWorld());
    EXPECT_TRUE(scene.zones[3]->link != nullptr);
    EXPECT_EQ(scene.adv->MassGetName(1), "Mass");
    EXPECT_TRUE(scene.adv->MassExists(7));
    EXPECT_EQ(scene.adv->RigGet(0)->GetAngle(), 15);
    EXPECT_EQ(scene.plain->conList->Count(), 8);
    EXPECT_EQ(WorldHash(), atSnapshot);
    EXPECT_EQ(StepAndHash(300), first);

    // What was taken out can still be let go of without harm to the world.
    link->Free(later);
    later = nullptr;
    EXPECT_EQ(massList->Count(), masses);
    EXPECT_EQ(scene.adv->MassGet(3)->refCounter, holders);
}

TEST_F(Snapshot, TrackedContactsBeginAndEndAsTheyDidAfterARestore) {
    Scenery scene;
    TPhysics::TrackContacts(1);
    for (int k = 0; k < 20; ++k) TPhysics::Update();
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot({scene.adv, scene.plain});
    const std::size_t begins = TPhysics::ContactBegins().size();
    int changes = 0;
    const std::uint64_t first = TrackedContactsHash(200, &changes);
    ASSERT_GT(changes, 0) << "nothing began or ended: the test proves nothing";
    TPhysics::TrackContacts(0);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot), 0);
    EXPECT_EQ(TPhysics::TracksContacts(), 1);
    EXPECT_EQ(TPhysics::ContactBegins().size(), begins);
    EXPECT_EQ(TrackedContactsHash(200), first);
}

TEST_F(Snapshot, NothingWithoutAWorldOrFromInsideAStep) {
    EXPECT_FALSE(TPhysics::TakeSnapshot());
    TPhysics::Create(100, 100, 0.1f, 0, 1);
    EXPECT_EQ(TPhysics::RestoreSnapshot(nullptr), -1);
    Enter(50, 90, 5, -1);
    Enter(52, 90, 5, -1);
    static core::Ref<TWorldSnapshot> inside;
    static int restored = 0;
    inside = nullptr;
    restored = 0;
    core::Ref<TWorldSnapshot> before = TPhysics::TakeSnapshot();
    static TWorldSnapshot* outside = nullptr;
    outside = before;
    auto hook = [](int, core::Object* data, core::Object*) -> core::Ref<core::Object> {
        inside = TPhysics::TakeSnapshot();
        restored = TPhysics::RestoreSnapshot(outside);
        return data;
    };
    core::AddHook(TColEvent::colHookId, hook);
    TPhysics::Update();
    core::RemoveHook(TColEvent::colHookId, hook);
    EXPECT_FALSE(inside);
    EXPECT_EQ(restored, -1);
}

} // namespace
