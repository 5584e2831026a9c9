#include <cmath>

#include "physics/grid/grid.h"
#include "scene.h"

using namespace scene;

using MassTest = PhysicsTest;

TEST_F(MassTest, AutomaticGroupsCountDownAndAreShared) {
    nextColGroup = -2;
    EXPECT_EQ(TMass::Create(0, 0, 1, 1, 0, -1)->GetColGroup(), -2);
    core::Ref<TMass> m = TMass::Create(0, 0, 1, 1, 2.5f, -1);
    EXPECT_EQ(m->GetColGroup(), -3);
    EXPECT_EQ(m->friction, 1);
    m->SetColGroup(-1);
    EXPECT_EQ(m->GetColGroup(), -4);
    EXPECT_EQ(TakeAutoColGroup(), -5);
    m->SetColGroup(7);
    EXPECT_EQ(m->Copy()->GetColGroup(), 7);
}

TEST_F(MassTest, MovingChangesVelocityAsEachWayPromises) {
    core::Ref<TMass> m = TMass::Create(10, 10, 1, 1, 0, 1);
    m->SetVelocity(1, 2);
    m->Translate(5, 5);
    EXPECT_FLOAT_EQ(m->GetVX(), 1);
    m->Move(3, 0);
    EXPECT_FLOAT_EQ(m->GetVX(), 4);
    EXPECT_FLOAT_EQ(m->GetVelocity(), std::sqrt(16.0f + 4.0f));
    m->Position(0, 0);
    EXPECT_FLOAT_EQ(m->GetVelocity(), 0);
    m->SetVelocity(3, 3);
    m->Freeze();
    EXPECT_FLOAT_EQ(m->GetVelocity(), 0);
    m->Move(5, 5);
    m->SetVelocity(1, 1);
    m->AddVelocity(1, 1);
    EXPECT_FLOAT_EQ(m->posX, 0);
    EXPECT_FLOAT_EQ(m->GetVelocity(), 0);
    m->Translate(2, 0);
    EXPECT_FLOAT_EQ(m->posX, 2);
    m->Thaw();
    EXPECT_EQ(m->IsFrozen(), 0);
    EXPECT_FLOAT_EQ(m->GetVelocity(), 0);
}

TEST_F(MassTest, ReferenceCountsMoveMassesInAndOutOfTheWorld) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    core::Ref<TMass> m = TMass::Create(150, 250, 1, 1, 0, 1);
    m->AddRef();
    m->AddRef();
    EXPECT_EQ(massList->Count(), 1);
    EXPECT_EQ(m->gridlink.cell, &w->shiftgrid->Cell(1, 2));
    m->SubRef();
    EXPECT_TRUE(m->IsActive());
    m->SubRef();
    EXPECT_FALSE(m->IsActive());
    EXPECT_TRUE(massList->IsEmpty());
    EXPECT_TRUE(w->shiftgrid->Cell(1, 2).IsEmpty());
    EXPECT_EQ(m->link, nullptr);
    // Below zero it stays out; the next AddRef only brings the count back.
    m->SubRef();
    m->AddRef();
    EXPECT_EQ(m->refCounter, 0);
    EXPECT_TRUE(massList->IsEmpty());
}

TEST_F(MassTest, DestroyedMassLeavesItsCell) {
    core::Ref<TPhysics> w = TPhysics::Create(800, 800, 0, 0, 1);
    {
        core::Ref<TMass> m = TMass::Create(10, 10, 1, 1, 0, 1);
        m->AddToGrid(); // in a cell, but not in the world
        EXPECT_EQ(w->shiftgrid->Cell(0, 0).Count(), 1);
    }
    EXPECT_TRUE(w->shiftgrid->Cell(0, 0).IsEmpty());
}

struct ContactCase {
    float massA, massB, moveA, moveB;
};

class MassContact : public PhysicsTest, public ::testing::WithParamInterface<ContactCase> {};

TEST_P(MassContact, OverlapIsSharedByWeight) {
    const ContactCase c = GetParam();
    core::Ref<TMass> a = TMass::Create(0, 0, c.massA, 5, 0, 1);
    core::Ref<TMass> b = TMass::Create(8, 0, c.massB, 5, 0, 2); // overlap 2
    HookCounter count;
    a->Collide(b);
    EXPECT_FLOAT_EQ(a->posX, -c.moveA);
    EXPECT_FLOAT_EQ(b->posX, 8 + c.moveB);
    core::Ref<TColEvent> e = TColEvent::Seek(a, b);
    ASSERT_TRUE(e);
    EXPECT_FLOAT_EQ(e->force, 2);
    EXPECT_FLOAT_EQ(e->x, (a->posX + b->posX) / 2);
    EXPECT_EQ(HookCounter::seen, 1);
}

INSTANTIATE_TEST_SUITE_P(Weights, MassContact,
                         ::testing::Values(ContactCase{1, 1, 1, 1}, ContactCase{1, 3, 1.5f, 0.5f},
                                           ContactCase{0, 0, 0, 0}, ContactCase{1, -1, 0, 0},
                                           // equal masses at the edges of the float range:
                                           // tiny ones still halve, negative ones too, and
                                           // two whose sum overflows do not move
                                           ContactCase{1e-40f, 1e-40f, 1, 1},
                                           ContactCase{-2, -2, 1, 1},
                                           ContactCase{3e38f, 3e38f, 0, 0}));

TEST_F(MassTest, TouchingIsNoContactAndTwoFrozenNeverMeet) {
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 5, 0, 1);
    core::Ref<TMass> b = TMass::Create(10, 0, 1, 5, 0, 2);
    a->Collide(b);
    EXPECT_FALSE(TColEvent::Peek());
    b->Position(5, 0);
    a->Freeze();
    b->Freeze();
    a->Collide(b);
    EXPECT_FALSE(TColEvent::Peek());
    EXPECT_FLOAT_EQ(b->posX, 5);
}

TEST_F(MassTest, FrictionAgainstAFrozenMass) {
    core::Ref<TMass> floor = TMass::Create(0, 10, 1, 5, 0.5f, 1);
    floor->Freeze();
    core::Ref<TMass> m = TMass::Create(0, 2, 1, 5, 0.5f, 2); // overlap 2, f = 1
    m->oldPosX = -0.5f;                                      // sliding 0.5 sideways, falling 1
    m->oldPosY = 1;
    m->Collide(floor);
    EXPECT_FLOAT_EQ(m->posY, 0);
    EXPECT_FLOAT_EQ(m->GetVX(), 0);  // the slide stops
    EXPECT_FLOAT_EQ(m->GetVY(), -1); // normal motion: 1 down, minus the push of 2
    // A fast slide only slows by f.
    m->Position(0, 2);
    m->oldPosX = -3;
    floor->Collide(m);
    EXPECT_FLOAT_EQ(m->GetVX(), 2);
}

TEST_F(MassTest, TwoFreeMassesShareTheirSlide) {
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 5, 1, 1);
    core::Ref<TMass> b = TMass::Create(0, 8, 1, 5, 1, 2); // overlap 2, f = 2
    a->oldPosX = -1;                                      // a slides right by 1, b stands
    a->Collide(b);
    EXPECT_FLOAT_EQ(a->GetVX(), 0.5f);
    EXPECT_FLOAT_EQ(b->GetVX(), 0.5f);
}
