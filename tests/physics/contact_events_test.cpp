// Contacts that begin and end: checked against the queue's own record of each
// step's pairs, in every queue mode, with several passes, stacking, sleep,
// and objects that leave the world mid-contact.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "scene.h"

namespace {

using namespace scene;

using Pair = std::pair<const core::Object*, const core::Object*>;

// A pair as an unordered set of its two objects; the bounds stand as null.
Pair PairOf(const core::Object* a, const core::Object* b) {
    return std::less<const core::Object*>()(b, a) ? Pair{b, a} : Pair{a, b};
}
Pair PairOf(const TContactChange& c) { return PairOf(c.mass.Get(), c.other.Get()); }

std::vector<Pair> PairsOf(const std::vector<TContactChange>& changes) {
    std::vector<Pair> pairs;
    for (const TContactChange& c : changes) pairs.push_back(PairOf(c));
    return pairs;
}

// What the queue held after the step, in its order: with no hook and a
// queuing mode, exactly the pairs that touched.
std::vector<Pair> DrainQueue() {
    std::vector<Pair> pairs;
    while (core::Ref<TColEvent> e = TColEvent::Poll()) {
        const core::Object* other = e->GetID() == TColEvent::MASS_BOUNDS ? nullptr : e->obj2.Get();
        pairs.push_back(PairOf(e->obj1.Get(), other));
    }
    return pairs;
}

// Balls thrown about a box with a slope and a bar in it: every kind of pair
// begins and ends many times.
class Tumble {
  public:
    Tumble(int passes, int stacking, bool grid) {
        TPhysics::Create(240, 180, 0.15f, 0, passes);
        TPhysics::SetStacking(stacking);
        TPhysics::UseShiftedGrid(grid ? 1 : 0);
        TPhysics::SetGridSize(12);
        slope = TZone::Create({0, 120, 120, 170, 0, 170}, TZone::FILL, 0.2f, -1, 4);
        bar = TZone::Create({150, 90, 200, 80}, TZone::LINE, 0.2f, -1, 4);
        for (int k = 0; k < 14; ++k) {
            core::Ref<TMass> m = Enter(20 + 15.0f * k, 20 + 7.0f * (k % 3), 5 + (k % 3), -1, 0.1f);
            m->SetVelocity(((k * 7) % 5) - 2.0f, ((k * 3) % 4) - 1.5f);
            balls.push_back(m);
        }
    }
    core::Ref<TZone> slope, bar;
    std::vector<core::Ref<TMass>> balls;
};

// The step's begins and ends, as the tracker gave them, with their kinds
// and their objects in the tracker's order.
struct StepChanges {
    std::vector<std::pair<int, Pair>> begins, ends;
    bool operator==(const StepChanges&) const = default;
};

StepChanges Changes() {
    StepChanges s;
    for (const TContactChange& c : TPhysics::ContactBegins())
        s.begins.push_back({c.id, {c.mass.Get(), c.other.Get()}});
    for (const TContactChange& c : TPhysics::ContactEnds())
        s.ends.push_back({c.id, {c.mass.Get(), c.other.Get()}});
    return s;
}

using ContactEvents = PhysicsTest;

TEST_F(ContactEvents, BeginsAndEndsAreTheDifferenceOfTheQueuesOfTwoSteps) {
    struct Case {
        int passes, stacking;
        bool grid;
    };
    for (const Case c : {Case{1, 0, false}, Case{3, 0, true}, Case{8, 0, true}, Case{2, 1, true}}) {
        SCOPED_TRACE(testing::Message() << c.passes << " passes, stacking " << c.stacking);
        Tumble scene(c.passes, c.stacking, c.grid);
        TPhysics::TrackContacts(1);
        std::set<Pair> before;
        int begins = 0, ends = 0;
        std::set<int> kinds;
        for (int step = 0; step < 400; ++step) {
            TPhysics::Update();
            const std::vector<Pair> queued = DrainQueue();
            const std::set<Pair> now(queued.begin(), queued.end());
            ASSERT_EQ(now.size(), queued.size()) << "a pair queued twice";
            // Begins: the new pairs, in the order the queue has them.
            std::vector<Pair> expectBegins;
            for (const Pair& p : queued)
                if (!before.count(p)) expectBegins.push_back(p);
            ASSERT_EQ(PairsOf(TPhysics::ContactBegins()), expectBegins) << "step " << step;
            std::set<Pair> expectEnds;
            for (const Pair& p : before)
                if (!now.count(p)) expectEnds.insert(p);
            const std::vector<Pair> gotEnds = PairsOf(TPhysics::ContactEnds());
            ASSERT_EQ(std::set<Pair>(gotEnds.begin(), gotEnds.end()), expectEnds)
                << "step " << step;
            ASSERT_EQ(gotEnds.size(), expectEnds.size());
            for (const TContactChange& b : TPhysics::ContactBegins()) kinds.insert(b.id);
            begins += static_cast<int>(expectBegins.size());
            ends += static_cast<int>(expectEnds.size());
            before = now;
        }
        // The scene really exercised every kind, many times.
        EXPECT_GT(begins, 40);
        EXPECT_GT(ends, 30);
        EXPECT_EQ(kinds, (std::set<int>{TColEvent::MASS_MASS, TColEvent::MASS_ZONE,
                                        TColEvent::MASS_BOUNDS}));
        TPhysics::Free();
    }
}

TEST_F(ContactEvents, EveryQueueModeAndAHookGiveTheSameChanges) {
    auto run = [](int mode, bool hook) {
        TColEvent::SetMode(mode);
        Tumble scene(3, 0, true);
        TPhysics::TrackContacts(1);
        std::vector<StepChanges> steps;
        {
            std::unique_ptr<HookCounter> counter(hook ? new HookCounter : nullptr);
            for (int step = 0; step < 200; ++step) {
                TPhysics::Update();
                steps.push_back(Changes());
                // The mode is the program's: a discarding queue stays empty.
                EXPECT_EQ(TColEvent::colMode, mode);
                if (mode == TColEvent::MODE_DISCARD) {
                    EXPECT_EQ(TColEvent::QueueCount(), 0);
                }
            }
        }
        // Pairs are compared by address: translate them into ball numbers.
        std::vector<std::vector<std::pair<int, int>>> named;
        auto number = [&](const core::Object* o) {
            for (std::size_t k = 0; k < scene.balls.size(); ++k)
                if (scene.balls[k].Get() == o) return static_cast<int>(k);
            return o == scene.slope.Get() ? 100 : (o == scene.bar.Get() ? 101 : (o ? 102 : -1));
        };
        for (const StepChanges& s : steps) {
            named.emplace_back();
            for (const auto& [id, p] : s.begins)
                named.back().push_back({number(p.first), number(p.second) + 1000 * id});
            named.back().push_back({-7, -7}); // between the begins and the ends
            for (const auto& [id, p] : s.ends)
                named.back().push_back({number(p.first), number(p.second) + 1000 * id});
        }
        TPhysics::Free();
        TColEvent::SetMode(TColEvent::MODE_UPDATE);
        return named;
    };
    const auto reference = run(TColEvent::MODE_UPDATE, false);
    std::size_t changes = 0;
    for (const auto& s : reference) changes += s.size() - 1;
    EXPECT_GT(changes, 40u);
    EXPECT_EQ(run(TColEvent::MODE_REPLACE, false), reference);
    EXPECT_EQ(run(TColEvent::MODE_DISCARD, false), reference);
    EXPECT_EQ(run(TColEvent::MODE_DISCARD, true), reference);
    EXPECT_EQ(run(TColEvent::MODE_UPDATE, true), reference);
}

// One ball dropped on the floor of a 100 x 100 world, one pass.
class Landing : public PhysicsTest {
  protected:
    void Build(float y = 80) {
        TPhysics::Create(100, 100, 0.5f, 0, 1);
        TPhysics::TrackContacts(1);
        ball = Enter(50, y, 5, -1);
    }
    // Steps until something begins or ends; the step count, or -1.
    static int StepsToChange(int most) {
        for (int step = 1; step <= most; ++step) {
            TPhysics::Update();
            if (!TPhysics::ContactBegins().empty() || !TPhysics::ContactEnds().empty()) return step;
        }
        return -1;
    }
    core::Ref<TMass> ball;
};

TEST_F(Landing, ABallBeginsOnceWhenItLandsAndEndsOnceWhenItLeaves) {
    Build();
    ASSERT_GT(StepsToChange(60), 1);
    ASSERT_EQ(TPhysics::ContactBegins().size(), 1u);
    const TContactChange landed = TPhysics::ContactBegins()[0];
    EXPECT_EQ(landed.id, TColEvent::MASS_BOUNDS);
    EXPECT_EQ(landed.mass.Get(), ball.Get());
    EXPECT_EQ(landed.other.Get(), nullptr);
    EXPECT_EQ(landed.GetMass2(), nullptr);
    EXPECT_EQ(landed.GetZone(), nullptr);
    EXPECT_FLOAT_EQ(landed.y, 100); // on the floor
    EXPECT_TRUE(TPhysics::ContactEnds().empty());

    // Resting on the floor: it keeps touching, and nothing changes.
    EXPECT_EQ(StepsToChange(100), -1);

    // Thrown up, it leaves the floor in the next step.
    ball->SetVelocity(0, -6);
    EXPECT_EQ(StepsToChange(1), 1);
    EXPECT_TRUE(TPhysics::ContactBegins().empty());
    ASSERT_EQ(TPhysics::ContactEnds().size(), 1u);
    const TContactChange left = TPhysics::ContactEnds()[0];
    EXPECT_EQ(left.mass.Get(), ball.Get());
    EXPECT_EQ(left.id, TColEvent::MASS_BOUNDS);
    EXPECT_FLOAT_EQ(left.y, 100); // where it last touched

    // And lands again.
    ASSERT_GT(StepsToChange(60), 0);
    EXPECT_EQ(TPhysics::ContactBegins().size(), 1u);
}

TEST_F(Landing, OnAZoneAndOnAnotherMass) {
    TPhysics::Create(200, 200, 0.5f, 0, 4);
    TPhysics::TrackContacts(1);
    core::Ref<TZone> floor =
        TZone::Create({0, 150, 200, 150, 200, 200, 0, 200}, TZone::FILL, 0.5f, -1, 4);
    core::Ref<TMass> low = Enter(100, 140, 6, -1, 0.5f);
    core::Ref<TMass> high = Enter(100, 80, 6, -1, 0.5f);
    std::vector<TContactChange> begins;
    for (int step = 0; step < 80; ++step) {
        TPhysics::Update();
        for (const TContactChange& c : TPhysics::ContactBegins()) begins.push_back(c);
        EXPECT_TRUE(TPhysics::ContactEnds().empty()) << "step " << step;
    }
    ASSERT_EQ(begins.size(), 2u); // low on the floor, high on low
    int onZone = 0, onMass = 0;
    for (const TContactChange& c : begins) {
        if (c.id == TColEvent::MASS_ZONE) {
            ++onZone;
            EXPECT_EQ(c.GetZone(), floor.Get());
            EXPECT_NEAR(c.y, 150, 0.5f);
        } else if (c.id == TColEvent::MASS_MASS) {
            ++onMass;
            EXPECT_EQ(PairOf(c), PairOf(low.Get(), high.Get()));
            EXPECT_NEAR(c.x, 100, 0.5f);
        }
    }
    EXPECT_EQ(onMass, 1);
    EXPECT_EQ(onZone, 1);
}

TEST_F(Landing, AMassThatLeavesTheWorldEndsItsPairsAndIsStillThere) {
    Build(95);
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactBegins().size(), 1u);
    TMass* raw = ball.Get();
    ball->SubRef(); // out of the world, mid-contact
    ball = nullptr; // and the program lets go of it
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactEnds().size(), 1u);
    const TContactChange& gone = TPhysics::ContactEnds()[0];
    // The record holds the mass until the next step.
    EXPECT_EQ(gone.mass.Get(), raw);
    EXPECT_FALSE(gone.mass->InWorld());
    TPhysics::Update();
    EXPECT_TRUE(TPhysics::ContactEnds().empty());
}

TEST_F(Landing, AZoneThatLeavesTheWorldEndsItsPairs) {
    TPhysics::Create(100, 100, 0.2f, 0, 1);
    TPhysics::TrackContacts(1);
    core::Ref<TZone> shelf =
        TZone::Create({0, 50, 100, 50, 100, 60, 0, 60}, TZone::FILL, 0.5f, -1, 4);
    core::Ref<TMass> m = Enter(50, 46, 5, -1);
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactBegins().size(), 1u);
    EXPECT_EQ(TPhysics::ContactBegins()[0].GetZone(), shelf.Get());
    shelf->Free();
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactEnds().size(), 1u);
    EXPECT_EQ(TPhysics::ContactEnds()[0].GetZone(), shelf.Get());
}

TEST_F(Landing, APairAsleepNeitherEndsNorBeginsUntilItReallyParts) {
    Build();
    TPhysics::SetSleep(0.01f, 10);
    ASSERT_GT(StepsToChange(60), 0);
    ASSERT_EQ(TPhysics::ContactBegins().size(), 1u);
    // It falls asleep on the floor and stops reporting contacts to the
    // queue, but the pair does not end.
    int steps = 0;
    while (ball->IsAwake() && steps < 200) {
        TPhysics::Update();
        ++steps;
    }
    ASSERT_FALSE(ball->IsAwake());
    for (int step = 0; step < 30; ++step) {
        TPhysics::Update();
        EXPECT_EQ(TColEvent::QueueCount(), 0); // asleep: no contacts at all
        EXPECT_TRUE(TPhysics::ContactEnds().empty());
        EXPECT_TRUE(TPhysics::ContactBegins().empty());
    }
    // Woken where it lies: it still touches, so nothing begins again.
    ball->AddVelocity(0, 0);
    TPhysics::Update();
    EXPECT_TRUE(TPhysics::ContactBegins().empty());
    EXPECT_TRUE(TPhysics::ContactEnds().empty());
    EXPECT_GT(TColEvent::QueueCount(), 0);
    // Thrown up: it ends.
    ball->SetVelocity(0, -6);
    TPhysics::Update();
    EXPECT_EQ(TPhysics::ContactEnds().size(), 1u);
}

TEST_F(Landing, AMassRemovedInItsSleepEnds) {
    Build();
    TPhysics::SetSleep(0.01f, 10);
    for (int step = 0; step < 200 && ball->IsAwake(); ++step) TPhysics::Update();
    ASSERT_FALSE(ball->IsAwake());
    TPhysics::Update();
    ball->SubRef();
    TPhysics::Update();
    ASSERT_EQ(TPhysics::ContactEnds().size(), 1u);
    EXPECT_EQ(TPhysics::ContactEnds()[0].mass.Get(), ball.Get());
}

TEST_F(ContactEvents, TheFirstAskStartsTrackingAndAnswersNothingYet) {
    EXPECT_TRUE(TPhysics::ContactBegins().empty()); // no world
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
    TPhysics::Create(100, 100, 0.5f, 0, 1);
    core::Ref<TMass> m = Enter(50, 95, 5, -1); // rests on the floor
    TPhysics::Update();
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
    EXPECT_TRUE(TPhysics::ContactEnds().empty()); // the first ask: nothing yet
    EXPECT_EQ(TPhysics::TracksContacts(), 1);
    // From the first tracked step, every pair touching begins.
    TPhysics::Update();
    EXPECT_EQ(TPhysics::ContactBegins().size(), 1u);
    // Asking again starts nothing afresh.
    TPhysics::TrackContacts(1);
    TPhysics::Update();
    EXPECT_TRUE(TPhysics::ContactBegins().empty());
    // Stopping forgets; starting again reports the touching pair anew.
    TPhysics::TrackContacts(0);
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
    TPhysics::Update();
    TPhysics::TrackContacts(1);
    TPhysics::Update();
    EXPECT_EQ(TPhysics::ContactBegins().size(), 1u);
    // A new world starts untracked.
    TPhysics::Create(100, 100, 0.5f, 0, 1);
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
}

TEST_F(ContactEvents, TrackingChangesNoPositionBitByBit) {
    auto run = [](bool track) {
        Tumble scene(3, 0, true);
        if (track) TPhysics::TrackContacts(1);
        for (int step = 0; step < 200; ++step) TPhysics::Update();
        std::vector<float> at;
        for (const auto& m : scene.balls) {
            at.push_back(m->posX);
            at.push_back(m->posY);
        }
        TPhysics::Free();
        return at;
    };
    EXPECT_EQ(run(true), run(false));
}

namespace {
int hookCalls = 0;
core::Ref<core::Object> StopTrackingAndStep(int, core::Object* data, core::Object*) {
    ++hookCalls;
    TPhysics::TrackContacts(0);
    TPhysics::Update(); // does nothing inside a step
    return data;
}
} // namespace

TEST_F(ContactEvents, AHookMayStopTrackingInsideTheStep) {
    Tumble scene(2, 0, true);
    TPhysics::TrackContacts(1);
    hookCalls = 0;
    core::AddHook(TColEvent::colHookId, StopTrackingAndStep);
    for (int step = 0; step < 20; ++step) TPhysics::Update();
    core::RemoveHook(TColEvent::colHookId, StopTrackingAndStep);
    EXPECT_GT(hookCalls, 0);
    EXPECT_EQ(TPhysics::TracksContacts(), 0);
    EXPECT_TRUE(TPhysics::ContactBegins().empty()); // asked again: started, empty
}

TEST_F(ContactEvents, AHookThatThrowsLeavesADiscardingQueueEmptyAndItsModeAsItWas) {
    Tumble scene(2, 0, true);
    TColEvent::SetMode(TColEvent::MODE_DISCARD);
    TPhysics::TrackContacts(1);
    auto thrower = [](int, core::Object*, core::Object*) -> core::Ref<core::Object> {
        throw std::runtime_error("hook");
    };
    core::AddHook(TColEvent::colHookId, +thrower);
    bool threw = false;
    for (int step = 0; step < 100 && !threw; ++step) {
        try {
            TPhysics::Update();
        } catch (const std::runtime_error&) {
            threw = true;
        }
    }
    core::RemoveHook(TColEvent::colHookId, +thrower);
    ASSERT_TRUE(threw);
    EXPECT_EQ(TColEvent::colMode, TColEvent::MODE_DISCARD);
    EXPECT_EQ(TColEvent::QueueCount(), 0);
    // Tracking goes on from the pairs it knew before.
    int changes = 0;
    for (int step = 0; step < 100; ++step) {
        TPhysics::Update();
        changes +=
            static_cast<int>(TPhysics::ContactBegins().size() + TPhysics::ContactEnds().size());
    }
    EXPECT_GT(changes, 0);
}

} // namespace
