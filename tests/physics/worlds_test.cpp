// Several worlds at once: each with its own lists, queue, mode, counter and
// contacts; stepped, queried, saved and restored through calls on it,
// current or not; on two threads at once with the results of each alone.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/live_count.h"
#include "fnv.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/step.h"
#include "physics/tangle.h"
#include "scene.h"

using namespace scene;

namespace {

// A small pile on a floor, with a rope, contacts tracked: everything a step
// reports (bounds, zone, mass and constraint contacts) and changes.
struct Scene {
    core::Ref<TPhysics> world;
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    core::Ref<TZone> floor;

    explicit Scene(int seed) {
        TWorldDef def;
        def.right = 400;
        def.bottom = 400;
        def.gravityY = 0.1f;
        def.passes = 4;
        def.largestRadius = 5;
        def.trackContacts = true;
        world = TPhysics::Create(def);
        floor = Floor(400, 380);
        for (int k = 0; k < 240; ++k) {
            const float x = 20 + static_cast<float>((k * 37 + seed * 11) % 360);
            const float y = 40 + static_cast<float>(k / 12) * 11 + static_cast<float>(seed % 5);
            masses.push_back(TMass::Create(x, y, 1, 4 + static_cast<float>(k % 3) * 0.5f, 0.3f, -1));
            masses.back()->AddRef();
            if (k % 4 == 1) TConstraint::Create(masses[k - 1], masses[k], 0, 0.5f)->Assign(body);
        }
    }
};

int Index(const Scene& s, const core::Object* o) {
    for (std::size_t k = 0; k < s.masses.size(); ++k)
        if (s.masses[k].Get() == o) return static_cast<int>(k);
    return o == s.floor.Get() ? -2 : (o == s.world.Get() ? -3 : -4);
}

// Steps the scene's world through its own Step, folding into one hash the
// masses, the queue's contents and the contacts that began and ended.
std::uint64_t StepAndHash(Scene& s, int steps) {
    Fnv hash;
    for (int n = 0; n < steps; ++n) {
        s.world->Step();
        for (const auto& m : s.masses) {
            hash.Add(m->posX);
            hash.Add(m->posY);
        }
        detail::TStepAccess::Of(*s.world).Queue().ForEachRecorded(
            [&](int id, const core::Object* mass, const core::Object* other, float x, float y,
                float force) {
                hash.Add(id);
                hash.Add(Index(s, mass));
                hash.Add(Index(s, other));
                hash.Add(x);
                hash.Add(y);
                hash.Add(force);
            });
        for (const auto* list : {&s.world->ContactsBegun(), &s.world->ContactsEnded()}) {
            hash.Add(static_cast<int>(list->size()));
            for (const TContactChange& c : *list) {
                hash.Add(Index(s, c.mass.Get()));
                hash.Add(Index(s, c.other.Get()));
            }
        }
    }
    return hash.h;
}

class Worlds : public PhysicsTest {};

TEST_F(Worlds, TwoWorldsOnTwoThreadsStepAsEachAlone) {
    constexpr int kSteps = 1000;
    std::uint64_t alone[2];
    for (int k = 0; k < 2; ++k) {
        Scene s(k);
        alone[k] = StepAndHash(s, kSteps);
    }
    TPhysics::Free();
    std::uint64_t together[2] = {0, 0};
    std::vector<std::thread> threads;
    for (int k = 0; k < 2; ++k) {
        // Each thread builds and steps a world of its own, current there.
        threads.emplace_back([k, &together] {
            Scene s(k);
            together[k] = StepAndHash(s, kSteps);
            TPhysics::Free();
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_NE(alone[0], alone[1]);
    EXPECT_EQ(together[0], alone[0]);
    EXPECT_EQ(together[1], alone[1]);
}

TEST_F(Worlds, ANewWorldLeavesTheOldOneWholeAndEachStepsOnItsOwn) {
    Scene first(0);
    const std::uint64_t firstAlone = [] {
        Scene s(0);
        return StepAndHash(s, 50);
    }();
    Scene second(1); // current now
    EXPECT_TRUE(second.world->IsCurrent());
    EXPECT_FALSE(first.world->IsCurrent());
    EXPECT_EQ(first.world->Masses()->Count(), 240);
    // Its step makes it current only while it runs, and reads its own lists.
    EXPECT_EQ(StepAndHash(first, 50), firstAlone);
    EXPECT_TRUE(second.world->IsCurrent());
    EXPECT_EQ(massList.Get(), second.world->Masses());

    // Queries ask the world they are called on.
    TRayHit hit;
    ASSERT_TRUE(first.world->CastRay(0, 300, 400, 300, hit) ||
                first.world->CastRay(0, 370, 400, 370, hit));
    EXPECT_GE(Index(first, hit.mass ? static_cast<core::Object*>(hit.mass)
                                    : static_cast<core::Object*>(hit.zone)),
              -2);
    int found = 0;
    first.world->OverlapBox(0, 0, 400, 400, [&](TMass* m, TZone*) {
        found += m && Index(first, m) >= 0;
        return true;
    });
    EXPECT_EQ(found, 240);
}

TEST_F(Worlds, ModeAndGroupCounterFollowTheCurrentWorld) {
    core::Ref<TPhysics> a = TPhysics::Create(100, 100, 0, 0, 1);
    TColEvent::SetMode(TColEvent::MODE_REPLACE);
    const int groupA = TakeAutoColGroup();
    core::Ref<TPhysics> b = TPhysics::Create(100, 100, 0, 0, 1);
    // A new world takes on the thread's values as they are.
    EXPECT_EQ(TColEvent::colMode, TColEvent::MODE_REPLACE);
    TColEvent::SetMode(TColEvent::MODE_DISCARD);
    EXPECT_EQ(TakeAutoColGroup(), groupA - 1);
    a->MakeCurrent();
    EXPECT_EQ(TColEvent::colMode, TColEvent::MODE_REPLACE);
    EXPECT_EQ(TakeAutoColGroup(), groupA - 1); // a's counter went on alone
    b->MakeCurrent();
    EXPECT_EQ(TColEvent::colMode, TColEvent::MODE_DISCARD);
    EXPECT_EQ(TakeAutoColGroup(), groupA - 2);
}

TEST_F(Worlds, EachWorldHasItsOwnQueue) {
    core::Ref<TPhysics> a = TPhysics::Create(100, 100, 0.5f, 0, 1);
    core::Ref<TMass> m = Enter(50, 98, 4, 1); // on a's floor: a bounds contact
    core::Ref<TPhysics> b = TPhysics::Create(100, 100, 0, 0, 1);
    a->Step();
    EXPECT_EQ(TColEvent::QueueCount(), 0); // b's queue
    a->MakeCurrent();
    ASSERT_EQ(TColEvent::QueueCount(), 1);
    core::Ref<TColEvent> e = TColEvent::Poll();
    EXPECT_EQ(e->GetID(), TColEvent::MASS_BOUNDS);
    EXPECT_EQ(e->obj2.Get(), a.Get());
}

// A world whose queue names it (contacts with its bounds) still ends with
// the program's last reference, and lets go of everything it held.
TEST_F(Worlds, AWorldWithContactsQueuedEndsWithItsLastReference) {
    const std::int64_t before = core::LiveObjectCount<TMass>();
    core::Ref<TColEvent> kept;
    {
        Scene s(3);
        TPhysics::SetGravity(-0.1f, 0.1f); // the pile leans on the left wall
        for (int n = 0; n < 200; ++n) s.world->Step();
        bool bounds = false;
        detail::TStepAccess::Of(*s.world).Queue().ForEachRecorded(
            [&](int id, const core::Object*, const core::Object*, float, float, float) {
                bounds |= id == TColEvent::MASS_BOUNDS;
            });
        ASSERT_TRUE(bounds);
        // Events read out of the queue: the first, and a contact with the
        // bounds kept past the world's end.
        TColEvent::Peek();
        TMass* low = nullptr;
        detail::TStepAccess::Of(*s.world).Queue().ForEachRecorded(
            [&](int id, TMass* mass, const core::Object*, float, float, float) {
                if (id == TColEvent::MASS_BOUNDS) low = mass;
            });
        kept = TColEvent::Seek(low, nullptr);
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->obj2.Get(), s.world.Get());
        TPhysics::Create(10, 10, 0, 0, 1); // the scene's world is no longer current
    }
    // Only the kept event's mass is left, and the event has no world.
    EXPECT_EQ(core::LiveObjectCount<TMass>(), before + 1);
    EXPECT_EQ(kept->obj2.Get(), nullptr);
}

TEST_F(Worlds, SavedToMemoryAndLoadedIntoAnotherWorldStepsTheSame) {
    Scene s(2);
    for (int n = 0; n < 30; ++n) s.world->Step();
    const std::vector<unsigned char> bytes = s.world->SaveToMemory({s.body.Get()});
    ASSERT_FALSE(bytes.empty());
    core::Ref<TPhysics> copy = TPhysics::Create(1, 1, 0, 0, 1);
    std::string error;
    core::Ref<TWorldSnapshot> loaded = copy->LoadFromMemory(bytes, error);
    ASSERT_TRUE(loaded) << error;
    ASSERT_EQ(copy->Masses()->Count(), 240);
    for (int n = 0; n < 100; ++n) {
        s.world->Step();
        copy->Step();
    }
    std::vector<TMass*> theirs;
    for (TMass* m : copy->Masses()->Each<TMass>()) theirs.push_back(m);
    int k = 0;
    for (TMass* m : s.world->Masses()->Each<TMass>()) {
        EXPECT_EQ(m->posX, theirs[static_cast<std::size_t>(k)]->posX) << k;
        EXPECT_EQ(m->posY, theirs[static_cast<std::size_t>(k)]->posY) << k;
        ++k;
    }
    EXPECT_FALSE(copy->LoadFromMemory({1, 2, 3}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(copy->Masses()->Count(), 240); // a bad file changes nothing
}

TEST_F(Worlds, ASnapshotOfOneWorldRestoresIntoItWhileAnotherIsCurrent) {
    Scene s(1);
    core::Ref<TWorldSnapshot> at = s.world->Snapshot({s.body.Get()});
    ASSERT_TRUE(at);
    const std::uint64_t first = StepAndHash(s, 40);
    core::Ref<TPhysics> other = TPhysics::Create(10, 10, 0, 0, 1);
    ASSERT_EQ(s.world->Restore(at), 0);
    EXPECT_TRUE(other->IsCurrent());
    EXPECT_EQ(StepAndHash(s, 40), first);
}

} // namespace
