#include "scene.h"

using namespace scene;

using ColEventTest = PhysicsTest;

namespace {

core::Ref<TColEvent> replacement;
core::Ref<core::Object> Replace(int, core::Object*, core::Object*) { return replacement; }
core::Ref<core::Object> Drop(int, core::Object*, core::Object*) { return nullptr; }
core::Ref<core::Object> NotAnEvent(int, core::Object*, core::Object*) {
    return core::MakeString("x");
}

struct Pair {
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 1, 0, 1);
    core::Ref<TMass> b = TMass::Create(0, 0, 1, 1, 0, 2);
    // Emits a contact of the pair with the given position and force.
    void Touch(float x, float force) { TColEvent::Emit(TColEvent::Create(a, b, x, 0, force)); }
};

} // namespace

TEST_F(ColEventTest, CreatePicksTheKindFromTheSecondObject) {
    TPhysics::Create(10, 10, 0, 0, 1);
    Pair p;
    EXPECT_EQ(TColEvent::Create(p.a, p.b, 0, 0, 0)->GetID(), TColEvent::MASS_MASS);
    EXPECT_EQ(TColEvent::Create(p.a, currentWorld, 0, 0, 0)->GetID(), TColEvent::MASS_BOUNDS);
    EXPECT_EQ(TColEvent::Create(p.a, nullptr, 0, 0, 0)->GetID(), TColEvent::MASS_CUSTOM);
    core::Ref<TColEvent> s = TColEvent::Create(p.a, core::MakeString("s"), 0, 0, 0);
    EXPECT_EQ(s->GetID(), TColEvent::MASS_CUSTOM);
    EXPECT_EQ(s->GetMass2(), nullptr);
    EXPECT_EQ(s->GetZone(), nullptr);
    EXPECT_EQ(TColEvent::Create(p.a, p.b, 0, 0, 0)->GetMass2(), p.b.Get());
}

TEST_F(ColEventTest, MergingInTheThreeModes) {
    struct Case {
        int mode;
        int queued;
        float force;
    };
    for (Case c : {Case{TColEvent::MODE_UPDATE, 1, 1.75f}, Case{TColEvent::MODE_REPLACE, 1, 0.25f},
                   Case{TColEvent::MODE_DISCARD, 0, 0}}) {
        TColEvent::Flush();
        TColEvent::SetMode(c.mode);
        HookCounter count;
        Pair p;
        p.Touch(1, 1);
        p.Touch(2, 0.5f);
        p.Touch(3, 0.25f);
        EXPECT_EQ(HookCounter::seen, 3);
        EXPECT_EQ(TColEvent::QueueCount(), c.queued);
        if (!c.queued) continue;
        core::Ref<TColEvent> e = TColEvent::Peek();
        EXPECT_FLOAT_EQ(e->force, c.force);
        EXPECT_FLOAT_EQ(e->x, 3);
    }
}

TEST_F(ColEventTest, HooksReplaceOrDropWhatIsQueued) {
    Pair p;
    replacement = TColEvent::Create(p.b, nullptr, 9, 9, 9);
    core::AddHook(TColEvent::colHookId, Replace);
    p.Touch(1, 1);
    core::RemoveHook(TColEvent::colHookId, Replace);
    EXPECT_EQ(TColEvent::Peek().Get(), replacement.Get());
    EXPECT_FALSE(TColEvent::Seek(p.a, p.b));
    replacement = nullptr;
    TColEvent::Flush();
    for (core::HookFunc hook : {Drop, NotAnEvent}) {
        core::AddHook(TColEvent::colHookId, hook);
        p.Touch(1, 1);
        core::RemoveHook(TColEvent::colHookId, hook);
        EXPECT_FALSE(TColEvent::Peek());
    }
}

TEST_F(ColEventTest, QueueOrderPollSeekAndCurrent) {
    Pair p, q;
    q.Touch(1, 1);
    p.Touch(2, 1);
    q.Touch(3, 1);
    EXPECT_EQ(TColEvent::QueueCount(), 2);
    core::Ref<TColEvent> first = TColEvent::Poll();
    EXPECT_EQ(first->obj1.Get(), q.a.Get());
    EXPECT_EQ(TColEvent::GetCurrent().Get(), first.Get());
    // Found from either side, and still after being polled.
    EXPECT_EQ(TColEvent::Seek(q.b, q.a).Get(), first.Get());
    EXPECT_EQ(TColEvent::Seek(q.a, q.b).Get(), first.Get());
    // A polled pair is updated, not queued again.
    q.Touch(4, 1);
    EXPECT_FLOAT_EQ(first->force, 3);
    EXPECT_EQ(TColEvent::QueueCount(), 1);
    EXPECT_EQ(TColEvent::Poll()->obj1.Get(), p.a.Get());
    EXPECT_FALSE(TColEvent::Poll());
    EXPECT_FALSE(TColEvent::GetCurrent());
    EXPECT_TRUE(TColEvent::Seek(p.a, p.b));
    TColEvent::Flush();
    EXPECT_FALSE(TColEvent::Seek(p.a, p.b));
}

TEST_F(ColEventTest, PostingAnEventTwiceDoesNotDoubleIt) {
    Pair p;
    core::Ref<TColEvent> e = TColEvent::Create(p.a, p.b, 0, 0, 2);
    TColEvent::Post(e, TColEvent::MODE_UPDATE);
    TColEvent::Post(e, TColEvent::MODE_UPDATE);
    EXPECT_FLOAT_EQ(e->force, 2);
    EXPECT_EQ(TColEvent::QueueCount(), 1);
}

TEST_F(ColEventTest, TheNextStepFlushesEvenUnpolledEvents) {
    TPhysics::Create(100, 100, 0, 0, 1);
    core::Ref<TMass> m = Enter(2, 50, 5, 1);
    TPhysics::Update();
    EXPECT_TRUE(TColEvent::Seek(m, nullptr));
    TPhysics::Update(); // now resting inside: no contact
    EXPECT_FALSE(TColEvent::Peek());
    EXPECT_FALSE(TColEvent::Seek(m, nullptr));
}

TEST_F(ColEventTest, ManyPairsAreAllFoundAfterTheTableGrows) {
    std::vector<Pair> pairs(300);
    for (std::size_t k = 0; k < pairs.size(); ++k) pairs[k].Touch(float(k), 1);
    EXPECT_EQ(TColEvent::QueueCount(), 300);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        core::Ref<TColEvent> e = TColEvent::Seek(pairs[k].b, pairs[k].a);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->x, float(k));
    }
}

// Without a collision hook a contact is recorded in the queue without an
// event object; the object is made when the queue is read, and from then on
// it is what later contacts of the pair update.
TEST_F(ColEventTest, AContactMadeWithoutAHookBecomesAnEventWhenRead) {
    Pair p;
    p.a->Collide(p.b); // coincident: force r - 0.0001
    const float first = 2 - 0.0001f;
    TColEvent::Post(TColEvent::Create(p.b, p.a, 5, 6, 1), TColEvent::MODE_UPDATE);
    EXPECT_EQ(TColEvent::QueueCount(), 1);
    core::Ref<TColEvent> e = TColEvent::Peek();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->id, TColEvent::MASS_MASS);
    EXPECT_EQ(e->obj1.Get(), p.a.Get()); // the first contact's order stays
    EXPECT_EQ(e->obj2.Get(), p.b.Get());
    EXPECT_FLOAT_EQ(e->x, 5);
    EXPECT_FLOAT_EQ(e->force, first + 1);
    EXPECT_EQ(TColEvent::Seek(p.b, p.a).Get(), e.Get()); // one object, however reached
    p.a->Collide(p.b);
    EXPECT_FLOAT_EQ(e->force, first + 1 + first);
    EXPECT_EQ(TColEvent::Poll().Get(), e.Get());
}

TEST_F(ColEventTest, ContactsWithoutAHookMergeByTheModeOfTheirTime) {
    Pair p;
    TColEvent::SetMode(TColEvent::MODE_DISCARD);
    p.a->Collide(p.b);
    EXPECT_EQ(TColEvent::QueueCount(), 0);
    TColEvent::SetMode(TColEvent::MODE_UPDATE);
    p.a->Collide(p.b);
    p.b->Collide(p.a);
    TColEvent::SetMode(TColEvent::MODE_REPLACE);
    p.b->Collide(p.a);
    core::Ref<TMass> c = TMass::Create(0.5f, 0, 1, 1, 0, 3);
    p.a->Collide(c); // a second pair, queued after the first
    ASSERT_EQ(TColEvent::QueueCount(), 2);
    core::Ref<TColEvent> e = TColEvent::Poll();
    EXPECT_EQ(e->obj1.Get(), p.a.Get());
    EXPECT_FLOAT_EQ(e->force, 2 - 0.0001f); // replaced by the last contact
    EXPECT_EQ(TColEvent::Poll()->obj2.Get(), c.Get());
}

// A hook installed after a contact was recorded sees the later contacts as
// event objects, and they merge into the recorded one.
TEST_F(ColEventTest, AHookInstalledAfterARecordedContactSeesTheLaterOnes) {
    Pair p;
    p.a->Collide(p.b);
    {
        HookCounter count;
        p.b->Collide(p.a);
        EXPECT_EQ(HookCounter::seen, 1);
    }
    ASSERT_EQ(TColEvent::QueueCount(), 1);
    core::Ref<TColEvent> e = TColEvent::Peek();
    EXPECT_EQ(e->obj1.Get(), p.a.Get());
    EXPECT_FLOAT_EQ(e->force, 2 * (2 - 0.0001f));
}
