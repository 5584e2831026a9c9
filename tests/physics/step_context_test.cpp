// The step context: what a step's contacts read comes from the context they
// are given and from nothing left behind by another step; the worker's part
// is its own; what the step keeps on a mass stays private.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "physics/contacts/contact.h"
#include "physics/step/intrinsics.h"
#include "physics/step/mass_step.h"
#include "physics/step/step_context.h"
#include "scene.h"

namespace {

using namespace scene;
namespace detail = kel::tangle::detail;

// The step's bookkeeping is not part of a mass's public face.
template <class M>
concept PublicStepFields = requires(M m) {
    m.walkMark;
}
|| requires(M m) { m.sleepIsland; }
|| requires(M m) { m.stillSteps; }
|| requires(M m) { m.stepSlot; };
static_assert(!PublicStepFields<TMass>);

class StepContext : public PhysicsTest {};

// Two free masses of weight 1 a above b, overlapping by 2 along y.
struct Stacked {
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 5, 0, 1);
    core::Ref<TMass> b = TMass::Create(0, 8, 1, 5, 0, 2);
};

TEST_F(StepContext, TheShockRuleComesFromTheContextAlone) {
    struct Case {
        detail::TShock shock;
        float moveA, moveB; // how far each is pushed apart
    };
    const Case cases[] = {
        {{}, 1, 1},                        // an empty context: equal shares
        {{true, 0, 1}, 4.f / 3, 2.f / 3},  // b lies along gravity: it counts double
        {{true, 0, -1}, 2.f / 3, 4.f / 3}, // gravity reversed: a does
        {{true, 1, 0}, 1, 1},              // gravity across the contact: neither
    };
    for (const Case& c : cases) {
        Stacked s;
        detail::TStepContext step;
        step.shock = c.shock;
        ASSERT_TRUE(detail::ResolveMasses(step, s.a, s.b));
        SCOPED_TRACE(testing::Message() << c.shock.gravityX << ", " << c.shock.gravityY);
        EXPECT_FLOAT_EQ(s.a->posY, -c.moveA);
        EXPECT_FLOAT_EQ(s.b->posY, 8 + c.moveB);
    }
}

TEST_F(StepContext, ACollideAfterAStackingStepSharesEqually) {
    // A stacking step with a pile in contact puts its shock rule on every
    // contact it makes; a contact made after it, outside any step, must not
    // inherit the rule.
    TPhysics::Create(100, 100, 0.15f, 0, 1);
    TPhysics::SetStacking(1);
    std::vector<core::Ref<TMass>> pile;
    for (int k = 0; k < 4; ++k) pile.push_back(Enter(50, 95 - 9.0f * k, 5, -1));
    for (int step = 0; step < 20; ++step) TPhysics::Update();
    ASSERT_GT(TColEvent::QueueCount(), 0) << "the pile made no contact to apply the rule to";
    Stacked s;
    s.a->Collide(s.b);
    EXPECT_FLOAT_EQ(s.a->posY, -1);
    EXPECT_FLOAT_EQ(s.b->posY, 9);
}

TEST_F(StepContext, ACopyOfASleepingMassIsAwake) {
    TPhysics::Create(100, 100, 0.15f, 0, 1);
    TPhysics::SetSleep(0.01f, 10);
    core::Ref<TMass> m = Enter(50, 95, 5, -1, 0.5f);
    for (int step = 0; step < 100 && m->IsAwake(); ++step) TPhysics::Update();
    ASSERT_EQ(m->IsAwake(), 0);
    // The island belongs to the world's sleep phase, not to the copy.
    EXPECT_EQ(m->Copy()->IsAwake(), 1);
    EXPECT_EQ(m->IsAwake(), 0);
}

TEST_F(StepContext, WorkersHandOutTheirOwnWalkMarks) {
    detail::TStepWorker one, two;
    const std::uint32_t first = one.NextWalkMark();
    EXPECT_NE(first, 0u) << "0 marks a mass no walk has visited";
    EXPECT_EQ(one.NextWalkMark(), first + 1);
    EXPECT_EQ(two.NextWalkMark(), first) << "a worker's marks are its own";
    EXPECT_NE(&one.Contacts(), &two.Contacts());
}

TEST_F(StepContext, ListsFollowTheWorldsListBetweenPhases) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> a = Enter(10, 10, 1, 1);
    core::Ref<core::TList> masses = massList, constraints = constraintList;
    detail::TListOrder<TMass> massOrder;
    detail::TListOrder<TConstraint> constraintOrder;
    const detail::TStepLists lists(*masses, massOrder, *constraints, constraintOrder, nullptr);
    EXPECT_EQ(lists.Movers(), std::vector<TMass*>{a.Get()});
    // A hook between two phases brings a mass in: the next phase sees it.
    core::Ref<TMass> b = Enter(20, 10, 1, 1);
    EXPECT_EQ(lists.Movers(), (std::vector<TMass*>{a.Get(), b.Get()}));
    EXPECT_TRUE(lists.Resting().empty()) << "without sleeping nothing rests";
    EXPECT_TRUE(lists.Constraints().empty());
}

// The worker's batch: open for a sweep, closed when the sweep ends,
// however it ends.
class ContactBatch : public PhysicsTest {
  protected:
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 5, 0, 1);
    core::Ref<TMass> b = TMass::Create(8, 0, 1, 5, 0, 2);
    std::vector<TMass*> order{a.Get(), b.Get()};
    detail::TStepWorker worker;

    // Opens the worker's batch on the current world's queue, in its mode.
    detail::TOpenBatch Open() {
        return detail::TOpenBatch(worker.Contacts(), order,
                                  detail::CurrentQueue(),
                                  TColEvent::colMode);
    }
    void MeetOnce() {
        detail::TContactBatch& batch = worker.Contacts();
        batch.BeginTurn(0);
        batch.Meet(1, 4, 0, 2);
    }
};

TEST_F(ContactBatch, ItsContactsAreQueuedWhenItCloses) {
    {
        const detail::TOpenBatch open = Open();
        MeetOnce();
    }
    ASSERT_EQ(TColEvent::QueueCount(), 1);
    core::Ref<TColEvent> e = TColEvent::Seek(a, b);
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->force, 2);
}

TEST_F(ContactBatch, ASweepThatThrowsStillClosesIt) {
    try {
        const detail::TOpenBatch open = Open();
        MeetOnce();
        throw std::runtime_error("sweep");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TColEvent::QueueCount(), 1);
    // Closed: a contact made now is queued at once, not kept for a batch.
    core::Ref<TMass> c = TMass::Create(0, 8, 1, 5, 0, 3);
    a->Collide(c);
    EXPECT_EQ(TColEvent::QueueCount(), 2);
}

TEST_F(ContactBatch, ADiscardingQueueKeepsNothing) {
    TColEvent::SetMode(TColEvent::MODE_DISCARD);
    {
        const detail::TOpenBatch open = Open();
        MeetOnce();
    }
    TColEvent::SetMode(TColEvent::MODE_UPDATE);
    EXPECT_EQ(TColEvent::QueueCount(), 0);
}

TEST(Intrinsics, LowestBitOfEveryWidth) {
    for (unsigned k = 0; k < 32; ++k) {
        EXPECT_EQ(detail::LowestBit(std::uint32_t{1} << k), k);
        // Higher bits do not count, whatever they are.
        EXPECT_EQ(detail::LowestBit(~std::uint32_t{0} << k), k);
    }
    for (unsigned k = 0; k < 64; ++k) {
        EXPECT_EQ(detail::LowestBit(std::uint64_t{1} << k), k) << "bit " << k;
        EXPECT_EQ(detail::LowestBit(std::uint64_t{0x8000000000000000u} | (std::uint64_t{1} << k)),
                  k);
    }
}

TEST(Intrinsics, HidingAValueKeepsItAndAPrefetchNeverFaults) {
    for (std::uint32_t v : {0u, 1u, 0xFFFFFFFFu, 0x80000000u}) {
        std::uint32_t hidden = v;
        detail::HideFromOptimiser(hidden);
        EXPECT_EQ(hidden, v);
    }
    detail::Prefetch(nullptr);
    detail::Prefetch<true>(reinterpret_cast<const void*>(std::uintptr_t{16}));
}

} // namespace
