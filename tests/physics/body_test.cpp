#include <gtest/gtest.h>

#include "graphics/draw2d.h"
#include "scene.h"

using namespace scene;

namespace {

class Body : public PhysicsTest {
  protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
    }
    core::Ref<TAdvBody> body = core::Make<TAdvBody>();
    core::Ref<draw2d::TImage> image = draw2d::TImage::Create(4, 4, 1, 0, 0, 0, 0);

    // n masses along +x, 10 apart, starting at (100, 100).
    void Row(int n) {
        for (int k = 0; k < n; ++k) body->MassAdd(100 + 10.0f * k, 100, 1, 2, 0, 0);
    }
};

TEST_F(Body, ANewBodyIsEmpty) {
    EXPECT_EQ(body->GetName(), "Body");
    EXPECT_EQ(body->MassMaxIndex(), -1);
    EXPECT_EQ(body->GetX(), 0.0f);
    EXPECT_EQ(body->GetRotation(), 0.0f);
    EXPECT_FALSE(body->CollideBounds());
    body->Position(5, 5);
    float x = 7, y = 8;
    body->GetPosition(x, y);
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(y, 8.0f);
}

TEST_F(Body, AddingGrowsTheArrayByDoublingAndNumbersTheParts) {
    std::vector<std::size_t> lengths;
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(body->MassAdd(0, 0, 1, 1, 0, 0), k);
        lengths.push_back(body->mArray.size());
        EXPECT_EQ(body->MassGet(k)->index, k);
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{2, 2, 6, 6, 6, 6, 14}));
}

TEST_F(Body, RemovingLeavesAGapThatCleanIndexCloses) {
    Row(3);
    body->MassRemove(1);
    EXPECT_EQ(body->MassMaxIndex(), 2);
    EXPECT_EQ(body->MassExists(1), 0);
    EXPECT_EQ(body->MassAdd(0, 0, 1, 1, 0, 0), 3);
    TMass* third = body->MassGet(2);
    TMass* fourth = body->MassGet(3);
    body->MassCleanIndex();
    EXPECT_EQ(body->MassMaxIndex(), 2);
    EXPECT_EQ(body->MassGet(1), third);
    EXPECT_EQ(body->MassGet(2), fourth);
    EXPECT_EQ(third->index, 1);
    EXPECT_EQ(fourth->index, 2);
    EXPECT_EQ(body->MassExists(3), 0);
    EXPECT_EQ(body->mArray.size(), 6u);
}

TEST_F(Body, CleanIndexRenumbersEveryTableAndRigsFollowTheirParts) {
    Row(4);
    body->ImageAdd(image);
    body->ImageAdd(draw2d::TImage::Create(2, 2, 1, 0, 0, 0, 0));
    body->ConAdd(0, 1, 0, 1);
    body->ConAdd(2, 3, 0, 1);
    body->RigAdd(1, 3, 1, 0);
    body->MassRemove(0); // takes constraint 0
    body->ImageRemove(0);
    body->CleanIndex();
    EXPECT_EQ(body->MassMaxIndex(), 2);
    EXPECT_EQ(body->ConMaxIndex(), 0);
    EXPECT_EQ(body->ImageMaxIndex(), 0);
    EXPECT_EQ(body->RigMaxIndex(), 0);
    EXPECT_EQ(body->ConGetMass1(0), 1);
    EXPECT_EQ(body->ConGetMass2(0), 2);
    EXPECT_EQ(body->RigGetMass(0), 2);
    EXPECT_EQ(body->RigGetConstraint(0), 0);
    EXPECT_EQ(body->RigGetImage(0), 0);
}

TEST_F(Body, RemovingAMassTakesItsConstraintsAndRigs) {
    Row(3);
    body->ImageAdd(image);
    body->ConAdd(0, 1, 0, 1);
    body->ConAdd(1, 2, 0, 1);
    body->ConAdd(0, 2, 0, 1);
    body->RigAdd(0, 0, 2, 0); // constraint 2 joins masses 0 and 2: it stays
    body->RigAdd(0, 2, 1, 0); // constraint 1 goes with mass 1, and this rig with it
    body->RigAdd(0, 1, -1, 0);
    body->Activate();
    body->MassRemove(1);
    EXPECT_EQ(body->ConExists(0) + body->ConExists(1), 0);
    EXPECT_EQ(body->ConExists(2), 1);
    EXPECT_EQ(body->RigExists(0), 1);
    EXPECT_EQ(body->RigExists(1) + body->RigExists(2), 0);
    EXPECT_EQ(body->ConMaxIndex(), 2);
    EXPECT_EQ(body->RigMaxIndex(), 2);
    EXPECT_EQ(constraintList->Count(), 1);
    EXPECT_EQ(massList->Count(), 2);
}

TEST_F(Body, AddsThatAreRefused) {
    Row(3);
    body->MassRemove(1);
    EXPECT_EQ(body->ConAdd(2, 2, 0, 1), -1);
    EXPECT_EQ(body->ConAdd(0, 1, 0, 1), -1);
    EXPECT_EQ(body->ConAdd(0, 99, 0, 1), -1);
    EXPECT_EQ(body->RigAdd(0, 0, -1, 0), -1); // no image yet
    EXPECT_EQ(body->ImageAdd(static_cast<draw2d::TImage*>(nullptr)), -1);
    EXPECT_EQ(body->ImageAdd("no/such/picture.png"), -1);
    body->ImageAdd(image);
    EXPECT_EQ(body->RigAdd(0, 1, -1, 0), -1);
    const int rig = body->RigAdd(0, 0, -5, 0);
    EXPECT_EQ(body->RigGetConstraint(rig), -1);
    EXPECT_EQ(body->ConMaxIndex(), -1);
}

TEST_F(Body, ConAddAllJoinsEveryPairOnceInOrder) {
    Row(4);
    body->ConAddAll(0.5f);
    ASSERT_EQ(body->ConMaxIndex(), 5);
    const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(body->ConGetMass1(k), pairs[k][0]);
        EXPECT_EQ(body->ConGetMass2(k), pairs[k][1]);
        EXPECT_FLOAT_EQ(body->ConGetRestLength(k), 10.0f * (pairs[k][1] - pairs[k][0]));
    }
    EXPECT_EQ(constraintList->Count(), 0); // not assigned
}

TEST_F(Body, SwapChecksBothIndicesAndRenumbers) {
    Row(2);
    TMass* first = body->MassGet(0);
    body->MassSwapIndex(0, body->MassMaxIndex() + 1);
    EXPECT_EQ(body->MassGet(0), first);
    body->MassSwapIndex(0, 1);
    EXPECT_EQ(body->MassGet(1), first);
    EXPECT_EQ(first->index, 1);
}

TEST_F(Body, ForwardingToAnEmptySlotDoesNothingAndGivesZero) {
    Row(1);
    body->MassSetName(0, "m");
    EXPECT_EQ(body->MassGetName(0), "m");
    body->MassRemove(0);
    float x = 3, y = 4;
    EXPECT_EQ(body->MassGetPosition(0, x, y), 0);
    EXPECT_EQ(x, 3.0f);
    EXPECT_EQ(body->MassGetName(0), "");
    EXPECT_EQ(body->MassGetX(-4), 0.0f);
    EXPECT_EQ(body->ConGetMass1(7), 0);
    EXPECT_EQ(body->RigGetImage(0), 0);
    EXPECT_EQ(body->RigGetConstraint(0), 0);
    EXPECT_FALSE(body->MassGet(1000));
}

TEST_F(Body, RigsAreSetAndReadByIndex) {
    Row(2);
    body->ConAdd(0, 1, 0, 1);
    body->ImageAdd(image);
    body->ImageAdd(image); // the same image twice: the lowest slot is reported
    const int rig = body->RigAdd(1, 0, -1, 45);
    EXPECT_EQ(body->RigGetImage(rig), 0);
    body->RigSetMass(rig, 1);
    EXPECT_EQ(body->RigGetMass(rig), 1);
    body->RigSetMass(rig, 5); // empty: unchanged
    EXPECT_EQ(body->RigGetMass(rig), 1);
    body->RigSetConstraint(rig, 0);
    EXPECT_EQ(body->RigGetConstraint(rig), 0);
    body->RigSetConstraint(rig, -1);
    EXPECT_EQ(body->RigGetConstraint(rig), -1);
    body->RigSetColor(rig, 300, -5, 128);
    int r, g, b;
    body->RigGetColor(rig, r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 128);
    body->RigGet(rig)->SetImage(draw2d::TImage::Create(1, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(body->RigGetImage(rig), -1);
}

TEST_F(Body, ImageReplaceSwitchesTheRigsAndKeepsTheCount) {
    Row(1);
    body->ImageAdd(image);
    body->ImageAdd(image);
    body->ImageRemove(1);
    const int rig = body->RigAdd(0, 0, -1, 0);
    auto other = draw2d::TImage::Create(2, 2, 1, 0, 0, 0, 0);
    EXPECT_EQ(body->ImageReplace(0, other), 1);
    EXPECT_EQ(body->RigGet(rig)->image, other);
    EXPECT_EQ(body->ImageReplace(1, image), 1); // an empty slot in use
    EXPECT_EQ(body->ImageGet(1), image);
    EXPECT_EQ(body->ImageReplace(2, image), 0); // beyond the count: refused
    EXPECT_EQ(body->ImageReplace(0, "no/such.png"), 0);
    EXPECT_EQ(body->ImageMaxIndex(), 1);
    body->ImageRemove(0);
    EXPECT_EQ(body->RigExists(rig), 0);
}

TEST_F(Body, ActivateTwiceThenDeActivateLeavesNothingInTheWorld) {
    Row(3);
    body->ConAddAll(1);
    body->Activate();
    body->Activate();
    EXPECT_EQ(constraintList->Count(), 3);
    EXPECT_EQ(body->conList->Count(), 3);
    EXPECT_EQ(body->MassIsActive(0), 1);
    body->DeActivate();
    EXPECT_EQ(constraintList->Count(), 0);
    EXPECT_EQ(massList->Count(), 0);
    body->Activate();
    body = nullptr; // destroying the body takes its parts out of the world
    EXPECT_EQ(constraintList->Count(), 0);
    EXPECT_EQ(massList->Count(), 0);
}

TEST_F(Body, RotateTurnsTheReferenceConstraintToTheAngle) {
    Row(3);
    body->MassSetVelocity(2, 1, 1);
    body->ConAdd(0, 1, 0, 1);
    body->Rotate(90);
    EXPECT_NEAR(body->GetRotation(), 90, 1e-3);
    EXPECT_NEAR(body->MassGetX(2), 100, 1e-3);
    EXPECT_NEAR(body->MassGetY(2), 120, 1e-3);
    EXPECT_EQ(body->MassGetVX(2), 0.0f);
    body->Rotate(90);
    EXPECT_NEAR(body->MassGetY(2), 120, 1e-3);
    EXPECT_NEAR(body->MassGetX(2), 100, 1e-3);
}

TEST_F(Body, WithoutConstraintsEachRotateTurnsFurther) {
    Row(2);
    body->Rotate(90);
    EXPECT_NEAR(body->MassGetY(1), 110, 1e-3);
    body->Rotate(90);
    EXPECT_NEAR(body->MassGetX(1), 90, 1e-3);
    EXPECT_NEAR(body->MassGetY(1), 100, 1e-3);
}

TEST_F(Body, SpinMovesTurnTranslates) {
    Row(3);
    body->MassFreeze(2);
    body->MassSetVelocity(1, 0.5f, 0);
    body->Spin(90);
    EXPECT_NEAR(body->MassGetX(1), 100, 1e-3);
    EXPECT_NEAR(body->MassGetY(1), 110, 1e-3);
    EXPECT_NEAR(body->MassGetVX(1), -9.5f, 1e-3); // the turn became velocity
    EXPECT_NEAR(body->MassGetVY(1), 10, 1e-3);
    EXPECT_EQ(body->MassGetX(2), 120.0f); // frozen: stays
    body->Turn(-90);
    EXPECT_NEAR(body->MassGetX(1), 110, 1e-3);
    EXPECT_NEAR(body->MassGetVX(1), -9.5f, 1e-3); // velocity kept, not turned
    EXPECT_NEAR(body->MassGetX(2), 100, 1e-3);    // frozen masses turn too
    EXPECT_NEAR(body->MassGetY(2), 80, 1e-3);
}

TEST_F(Body, PositionMovesTheReferenceMassAndStopsEverything) {
    Row(3);
    body->MassRemove(0);
    body->MassSetVelocity(2, 3, 3);
    body->Position(500, 400);
    EXPECT_EQ(body->GetX(), 500.0f);
    EXPECT_EQ(body->GetY(), 400.0f);
    EXPECT_EQ(body->MassGetX(2), 510.0f);
    EXPECT_EQ(body->MassGetVelocity(2), 0.0f);
}

TEST_F(Body, MoveAndTranslate) {
    Row(2);
    body->MassFreeze(1);
    body->Move(1, 2);
    EXPECT_EQ(body->MassGetVX(0), 1.0f);
    EXPECT_EQ(body->MassGetX(1), 110.0f);
    body->Translate(1, 2);
    EXPECT_EQ(body->MassGetVX(0), 1.0f);
    EXPECT_EQ(body->MassGetX(1), 111.0f);
}

TEST_F(Body, CollisionQueriesReadTheQueue) {
    TPhysics::SetBounds(0, 0, 1000, 1000);
    Row(2);
    body->MassSetColGroup(0, 1);
    body->MassSetColGroup(1, 1);
    auto other = core::Make<TAdvBody>();
    other->MassAdd(100, 103, 1, 2, 0, 2);
    other->MassAdd(300, 300, 1, 2, 0, 2);
    for (auto* b : {body.Get(), other.Get()}) {
        b->ConAdd(0, 1, 0, 0); // slack: the masses stay where they are put
        b->Activate();
    }
    body->MassPosition(1, 999, 500); // against the right wall
    EXPECT_FALSE(body->CollideAdvBody(other));
    TPhysics::Update();
    core::Ref<core::TList> pairs = body->CollideAdvBody(other);
    ASSERT_TRUE(pairs);
    EXPECT_EQ(pairs->Count(), 1);
    auto* e = core::As<TColEvent>(pairs->First());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetID(), TColEvent::MASS_MASS);
    core::Ref<core::TList> walls = body->CollideBounds();
    ASSERT_TRUE(walls);
    EXPECT_EQ(walls->Count(), 1);
    EXPECT_FALSE(other->CollideBounds());
    EXPECT_FALSE(body->CollideZone(nullptr));
    EXPECT_EQ(TColEvent::QueueCount(), 2); // the queries take nothing
}

TEST_F(Body, DrawAllDrawsEveryPartAndDrawOnlyTheRigs) {
    auto driver = core::Make<draw2d::TRecordingDriver>();
    draw2d::SetGraphics(draw2d::AttachGraphics(draw2d::CreateRecordingSurface(800, 600), driver));
    Row(3);
    body->ConAddAll(1);
    body->ImageAdd(image);
    body->RigAdd(0, 1, -1, 0);
    driver->Clear();
    body->MassDrawAll();
    body->ConDrawAll();
    body->Draw();
    EXPECT_EQ(driver->RecordsOf(draw2d::DrawKind::Oval).size(), 3u);
    EXPECT_EQ(driver->RecordsOf(draw2d::DrawKind::Line).size(), 3u);
    EXPECT_EQ(driver->RecordsOf(draw2d::DrawKind::Image).size(), 1u);
    draw2d::SetGraphics(nullptr);
}

} // namespace
