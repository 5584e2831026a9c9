// What a program keeps on the world's objects, and the way from a mass to
// its body.

#include <gtest/gtest.h>

#include "physics/tangle.h"
#include "scene.h"

using namespace scene;

namespace {

class UserData : public PhysicsTest {};

TEST_F(UserData, EachKindKeepsItsOwnAndASnapshotLeavesItAlone) {
    TPhysics::Create(100, 100, 0.1f, 0, 1);
    int thing = 0;
    core::Ref<TMass> a = Enter(10, 10, 2, 1), b = Enter(20, 10, 2, 2);
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 0, 1);
    core::Ref<TZone> z = Floor(100, 90);
    core::Ref<TBody> body = core::Make<TBody>();
    EXPECT_EQ(a->GetUserData().pointer, nullptr);
    EXPECT_EQ(a->GetUserData().value, 0);
    core::Ref<TWorldSnapshot> before = TPhysics::TakeSnapshot();
    a->SetUserData({&thing, 7});
    b->SetUserData({nullptr, -3});
    c->SetUserData({&thing, 1});
    z->SetUserData({nullptr, 2});
    body->SetUserData({&thing, 3});
    for (int k = 0; k < 10; ++k) TPhysics::Update();
    ASSERT_EQ(TPhysics::RestoreSnapshot(before), 0);
    EXPECT_EQ(a->GetUserData().pointer, &thing);
    EXPECT_EQ(a->GetUserData().value, 7);
    EXPECT_EQ(b->GetUserData().value, -3);
    EXPECT_EQ(c->GetUserData().value, 1);
    EXPECT_EQ(z->GetUserData().value, 2);
    EXPECT_EQ(body->GetUserData().value, 3);
    // A copy is another mass: it starts with none.
    EXPECT_EQ(a->Copy()->GetUserData().pointer, nullptr);
    // A mass that goes takes its data along: another one later at the same
    // place in memory starts with none.
    a->SetUserData({});
    EXPECT_EQ(a->GetUserData().value, 0);
}

TEST_F(UserData, AMassKnowsTheBodyWhoseTableHoldsIt) {
    TPhysics::Create(400, 400, 0.1f, 0, 1);
    TJellyDef def;
    def.x = 100;
    def.y = 100;
    core::Ref<TAdvBody> one = BuildJelly(def);
    def.x = 250;
    core::Ref<TAdvBody> two = BuildJelly(def);
    ASSERT_TRUE(one && two);
    one->Activate();
    two->Activate();
    TMass* first = one->MassGet(0);
    EXPECT_EQ(first->GetBody(), one.Get());
    EXPECT_EQ(two->MassGet(3)->GetBody(), two.Get());
    // A contact's masses lead to their bodies.
    float distance = 0;
    TMass* hit = TPhysics::NearestMass(250, 100, 50, distance);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->GetBody(), two.Get());
    // Out of the table: no body; a mass made alone has none.
    core::Ref<TMass> held(first);
    one->MassRemove(0);
    EXPECT_EQ(held->GetBody(), nullptr);
    EXPECT_EQ(TMass::Create(0, 0, 1, 1, 0, 1)->GetBody(), nullptr);
    // A body that goes leaves its masses without one.
    core::Ref<TMass> kept(two->MassGet(1));
    two->DeActivate();
    two = nullptr;
    EXPECT_EQ(kept->GetBody(), nullptr);
}

} // namespace
