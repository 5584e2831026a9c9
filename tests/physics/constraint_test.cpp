#include <cmath>

#include "scene.h"

using namespace scene;

using ConstraintTest = PhysicsTest;

TEST_F(ConstraintTest, CreateTakesRestLengthOrDistanceAndKeepsStiffness) {
    auto a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(3, 4, 1, 1, 0, 2);
    EXPECT_FLOAT_EQ(TConstraint::Create(a, b, 0, 1)->restLength, 5);
    EXPECT_FLOAT_EQ(TConstraint::Create(a, b, -2, 1)->restLength, 5);
    EXPECT_FALSE(TConstraint::Create(a, b, NAN, 1)); // refused, not taken as "the distance"
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 7, 2);
    EXPECT_EQ(c->GetName(), "Con");
    EXPECT_FLOAT_EQ(c->stiffness, 2);
    c->SetStiffness(2);
    EXPECT_FLOAT_EQ(c->stiffness, 1);
    c->SetStiffness(-1);
    EXPECT_FLOAT_EQ(c->stiffness, 0);
    EXPECT_FLOAT_EQ(c->GetAngle(), 53.130102f);
    EXPECT_FLOAT_EQ(TConstraint::Create(b, a, 5, 1)->GetAngle(), -126.8699f);
    EXPECT_FALSE(TConstraint::Create(a, nullptr, 1, 1));
}

TEST_F(ConstraintTest, StressIsFiniteEvenWithoutRestLength) {
    auto a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(0, 0, 1, 1, 0, 2);
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 0, 1);
    EXPECT_EQ(c->restLength, 0);
    EXPECT_FLOAT_EQ(c->GetStress(), 1);
    b->Position(3, 4);
    EXPECT_FLOAT_EQ(c->GetStress(), 6);
    c->SetRestLength(10);
    EXPECT_FLOAT_EQ(c->GetStress(), 0.5f);
}

TEST_F(ConstraintTest, SatisfyShareStiffnessAndFrozenEnds) {
    auto a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(12, 0, 1, 1, 0, 2);
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 10, 0.5f);
    c->Satisfy();
    EXPECT_FLOAT_EQ(a->posX, 0.5f);
    EXPECT_FLOAT_EQ(b->posX, 11.5f);
    EXPECT_FLOAT_EQ(a->oldPosX, 0); // only positions change
    c->SetStiffness(1);
    a->Freeze();
    c->Satisfy();
    EXPECT_FLOAT_EQ(a->posX, 0.5f);
    EXPECT_FLOAT_EQ(b->posX, 10.5f);
    b->Position(20, 0);
    b->Freeze();
    c->Satisfy();
    EXPECT_FLOAT_EQ(b->posX, 20);
    // Unequal weights: the heavier end moves less; compression pushes apart.
    a->Thaw();
    b->Thaw();
    a->mass = 3;
    a->Position(0, 0);
    b->Position(6, 0);
    c->Satisfy();
    EXPECT_FLOAT_EQ(a->posX, -1);
    EXPECT_FLOAT_EQ(b->posX, 9);
}

TEST_F(ConstraintTest, ZeroTotalMassAndCoincidentMassesMoveNothing) {
    auto a = TMass::Create(0, 0, 0, 1, 0, 1), b = TMass::Create(12, 0, 0, 1, 0, 2);
    TConstraint::Create(a, b, 10, 1)->Satisfy();
    EXPECT_FLOAT_EQ(a->posX, 0);
    EXPECT_FLOAT_EQ(b->posX, 12);
    auto c = TMass::Create(5, 5, 1, 1, 0, 1), d = TMass::Create(5, 5, 1, 1, 0, 2);
    TConstraint::Create(c, d, 10, 1)->Satisfy();
    EXPECT_FLOAT_EQ(c->posX, 5);
    EXPECT_FLOAT_EQ(d->posY, 5);
}

TEST_F(ConstraintTest, AssignmentCountsBodiesAndCarriesMassesIntoTheWorld) {
    TPhysics::Create(100, 100, 0, 0, 1);
    auto a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(3, 4, 1, 1, 0, 2);
    core::Ref<TConstraint> c = TConstraint::Create(a, b, 0, 1);
    core::Ref<TBody> one = core::Make<TBody>(), two = core::Make<TBody>();
    c->Assign(one);
    c->Assign(one);
    EXPECT_EQ(c->refCounter, 1);
    EXPECT_EQ(a->refCounter, 1);
    EXPECT_EQ(constraintList->Count(), 1);
    EXPECT_EQ(massList->Count(), 2);
    c->Assign(two);
    EXPECT_EQ(c->refCounter, 2);
    EXPECT_EQ(a->refCounter, 1);
    EXPECT_EQ(one->GetConstraints()->Count(), 1);
    c->Free(one);
    c->Free(one); // no longer there: ignored
    EXPECT_EQ(c->refCounter, 1);
    EXPECT_TRUE(c->link);
    two = nullptr; // destroying a body clears it
    EXPECT_EQ(c->refCounter, 0);
    EXPECT_EQ(c->link, nullptr);
    EXPECT_TRUE(constraintList->IsEmpty());
    EXPECT_TRUE(massList->IsEmpty());
    EXPECT_FALSE(a->IsActive());
    // Released by every body, it can be assigned again, still once per body.
    c->Assign(one);
    c->Assign(one);
    EXPECT_EQ(c->refCounter, 1);
    EXPECT_EQ(one->conList->Count(), 1);
    EXPECT_EQ(constraintList->Count(), 1);
}

TEST_F(ConstraintTest, ClearReleasesButAssignBringsBack) {
    TPhysics::Create(100, 100, 0, 0, 1);
    auto a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(3, 4, 1, 1, 0, 2);
    core::Ref<TBody> body = core::Make<TBody>();
    TConstraint::Create(a, b, 0, 1)->Assign(body);
    EXPECT_EQ(body->GetName(), "Body");
    body->Clear();
    EXPECT_TRUE(body->conList->IsEmpty());
    EXPECT_TRUE(massList->IsEmpty());
}
