#include <cmath>
#include <vector>

#include "scene.h"

using namespace scene;

namespace {

class ZoneTest : public PhysicsTest {
  protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
    }
};

const std::vector<float> kSquare{0, 0, 100, 0, 100, 100, 0, 100};

// Records what the response was asked to do, and does nothing.
struct Seen {
    int calls = 0;
    float nx = 0, ny = 0, depth = 0;
    float massX = 0, massY = 0;
};
Seen seen;
int Record(TZone*, TMass* m, float nx, float ny, float depth) {
    seen = {seen.calls + 1, nx, ny, depth, m->posX, m->posY};
    return 0;
}

// The response asked for by a mass of radius r at (x, y) against the zone.
Seen Probe(TZone* z, float x, float y, float r) {
    seen = {};
    z->OverrideCollision(Record);
    core::Ref<TMass> m = TMass::Create(x, y, 1, r, 0, 1);
    z->Collide(m);
    return seen;
}

int ZoneCount() { return zoneList->Count(); }

} // namespace

TEST_F(ZoneTest, CreateNeedsAnEvenArrayOfTwoVerticesOrMore) {
    const int next = nextColGroup;
    EXPECT_FALSE(TZone::Create({0, 0, 1}, TZone::LINE, 0, -1, 1));
    EXPECT_FALSE(TZone::Create({0, 0, 1, 1, 2}, TZone::LINE, 0, -1, 1));
    EXPECT_EQ(nextColGroup, next); // no automatic group used up
    EXPECT_EQ(ZoneCount(), 0);

    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LOOP, 7, -1, 3);
    ASSERT_TRUE(z);
    EXPECT_EQ(z->VertCount(), 2);
    EXPECT_EQ(z->GetName(), "Zone");
    EXPECT_EQ(z->GetFriction(), 1);
    EXPECT_EQ(z->GetColGroup(), next);
    EXPECT_EQ(z->GetQTLevel(), 3);
    EXPECT_EQ(z->area, z->origArea);
    EXPECT_TRUE(z->quadTree);
    EXPECT_EQ(zoneList->Last(), z.Get());
}

TEST_F(ZoneTest, AutomaticGroupsCountDownAndCopiesKeepTheirGroup) {
    const int next = nextColGroup;
    core::Ref<TZone> a = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0, -1, 1);
    core::Ref<TMass> m = TMass::Create(0, 0, 1, 1, 0, -1);
    EXPECT_EQ(a->colGroup, next);
    EXPECT_EQ(m->GetColGroup(), next - 1);
    a->SetColGroup(-1);
    EXPECT_EQ(a->colGroup, next - 2);
    a->SetColGroup(-7);
    EXPECT_EQ(a->colGroup, -7);
    core::Ref<TZone> b = a->Copy();
    EXPECT_EQ(b->colGroup, -7);
    EXPECT_EQ(nextColGroup, next - 3);
}

TEST_F(ZoneTest, CopySharesTreeAndImageButNotTheArrays) {
    core::Ref<TZone> a = TZone::Create(kSquare, TZone::FILL, 0.5f, 4, 3);
    a->ImageSet(draw2d::TImage::Create(4, 4, 1, 0, 0, 0, 0));
    a->Position(5, 6);
    a->SetColor(10, 20, 30);
    a->OverrideCollision(Record);
    core::Ref<TZone> b = a->Copy();
    EXPECT_EQ(ZoneCount(), 2);
    EXPECT_NE(b->link, a->link);
    EXPECT_EQ(b->quadTree.Get(), a->quadTree.Get());
    EXPECT_EQ(b->image.Get(), a->image.Get());
    EXPECT_EQ(b->ColResponse, a->ColResponse);
    EXPECT_EQ(b->offsetY, 6);
    EXPECT_EQ(b->green, a->green);
    b->VertPosition(0, -50, -50);
    EXPECT_EQ(a->VertGetX(0), 0);
    // The rebuild gave b a tree of its own; a keeps the shared one.
    EXPECT_NE(b->quadTree.Get(), a->quadTree.Get());
}

TEST_F(ZoneTest, FreeLeavesTheWorldOnceAndTheZoneStaysUsable) {
    core::Ref<TZone> a = TZone::Create(kSquare, TZone::FILL, 0, 1, 3);
    core::Ref<TZone> b = TZone::Create(kSquare, TZone::FILL, 0, 1, 3);
    a->Free();
    EXPECT_EQ(a->link, nullptr);
    EXPECT_EQ(ZoneCount(), 1);
    a->Free(); // a second Free must not cut b out
    EXPECT_EQ(ZoneCount(), 1);
    EXPECT_EQ(zoneList->First(), b.Get());
    a->Move(1, 1);
    EXPECT_EQ(a->GetX(), 1);

    // A zone whose only owner is the world can free itself.
    TZone* only = TZone::Create({0, 0, 1, 1}, TZone::LINE, 0, 1, 1).Get();
    only->Free();
    EXPECT_EQ(ZoneCount(), 1);
}

TEST_F(ZoneTest, WithoutAWorldAZoneStaysOutOfIt) {
    TPhysics::Free();
    core::Ref<TZone> z = TZone::Create(kSquare, TZone::FILL, 0, 1, 2);
    ASSERT_TRUE(z);
    EXPECT_EQ(z->link, nullptr);
    EXPECT_EQ(z->Copy()->link, nullptr);
    EXPECT_EQ(z->Free(), 0);
}

TEST_F(ZoneTest, AttributesClampWhereTheyShould) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, -3, 1, 1);
    EXPECT_EQ(z->friction, 0);
    z->SetFriction(NAN);
    EXPECT_EQ(z->friction, 0);
    z->SetColor(300, -5, 128);
    EXPECT_EQ(z->red, 1.0f);
    EXPECT_EQ(z->green, 0.0f);
    EXPECT_EQ(z->blue, static_cast<float>(128 / 255.0));
    for (int c = 0; c <= 255; ++c) {
        int r, g, b;
        z->SetColor(c, 255 - c, c);
        z->GetColor(r, g, b);
        ASSERT_EQ(r, c);
        ASSERT_EQ(g, 255 - c);
    }
    z->SetAlpha(3);
    EXPECT_EQ(z->GetAlpha(), 3); // unclamped
}

TEST_F(ZoneTest, VertexOperationsGuardTheirIndicesAndKeepTwoVertices) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0, 1, 2);
    z->VertRemove(0);
    z->VertRemoveLast();
    z->VertRemoveFirst();
    EXPECT_EQ(z->VertCount(), 2);
    z->VertInsert(2, 20, 0); // VertCount appends
    z->VertInsert(5, 99, 99);
    z->VertInsert(-1, 99, 99);
    z->VertAddFirst(-10, 0);
    z->VertAddLast(30, 0);
    EXPECT_EQ(z->origArea, (std::vector<float>{-10, 0, 0, 0, 10, 0, 20, 0, 30, 0}));
    z->VertRemove(1);
    z->VertRemoveFirst();
    z->VertRemoveLast();
    EXPECT_EQ(z->origArea, (std::vector<float>{10, 0, 20, 0}));
    z->VertPosition(2, 5, 5);
    float x = -1, y = -1;
    z->VertGetPosition(2, x, y);
    EXPECT_EQ(x, -1); // nothing written for a bad index
    z->VertGetPosition(1, x, y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(z->VertGetX(7), 0);
    EXPECT_EQ(z->VertGetY(-1), 0);
}

TEST_F(ZoneTest, TransformScalesThenRotatesAndNewVerticesFollowIt) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0, 1, 2);
    z->SetScale(2, 3);
    z->Rotate(90);
    EXPECT_EQ(z->area[0], 0); // the origin stays put
    EXPECT_NEAR(z->area[2], 0, 1e-5);
    EXPECT_NEAR(z->area[3], 20, 1e-5);
    z->VertAddLast(0, 1); // scaled to (0, 3), turned to (-3, 0)
    EXPECT_NEAR(z->area[4], -3, 1e-5);
    EXPECT_NEAR(z->area[5], 0, 1e-5);
    z->Turn(-90);
    EXPECT_NEAR(z->area[2], 20, 1e-5);
    EXPECT_EQ(z->GetRotation(), 0);
    std::vector<float> copy = z->GetArea();
    copy[0] = 99;
    EXPECT_EQ(z->area[0], 0);
    // The tree covers the transformed shape: a point of the turned segment.
    z->Rotate(90);
    EXPECT_EQ(z->quadTree->Collide(0, 0, -0.5f, 19.5f, 1, 0), 1);
    EXPECT_EQ(z->quadTree->Collide(0, 0, 19.5f, -0.5f, 1, 0), 0);
}

TEST_F(ZoneTest, SetStyleRebuildsTheTreeForTheNewStyle) {
    core::Ref<TZone> z = TZone::Create(kSquare, TZone::LOOP, 0, 1, 4);
    EXPECT_EQ(Probe(z, 50, 50, 5).calls, 0); // an outline is hollow
    z->SetStyle(TZone::FILL);
    Seen s = Probe(z, 50, 50, 5);
    EXPECT_EQ(s.calls, 1);
    EXPECT_FLOAT_EQ(s.depth, 55);
}

TEST_F(ZoneTest, LineContactsPointAtTheCentreAndStopAtTheRadius) {
    core::Ref<TZone> z = TZone::Create({0, 0, 100, 0}, TZone::LINE, 0, 1, 4);
    z->Position(200, 300);
    Seen s = Probe(z, 250, 306, 10);
    EXPECT_EQ(s.calls, 1);
    EXPECT_FLOAT_EQ(s.nx, 0);
    EXPECT_FLOAT_EQ(s.ny, 1);
    EXPECT_FLOAT_EQ(s.depth, 4);
    s = Probe(z, 250, 294, 10);
    EXPECT_FLOAT_EQ(s.ny, -1);
    EXPECT_EQ(Probe(z, 250, 310, 10).calls, 0); // depth 0 is no contact
    // Beyond the end by more than the radius, and no closing edge.
    EXPECT_EQ(Probe(z, 311, 300, 10).calls, 0);
    Seen end = Probe(z, 306, 300, 10);
    EXPECT_FLOAT_EQ(end.nx, 1);
    EXPECT_FLOAT_EQ(end.depth, 4);
}

TEST_F(ZoneTest, OnlyALoopHasTheClosingEdge) {
    const std::vector<float> bent{0, 0, 100, 0, 100, 100};
    core::Ref<TZone> line = TZone::Create(bent, TZone::LINE, 0, 1, 4);
    core::Ref<TZone> loop = TZone::Create(bent, TZone::LOOP, 0, 1, 4);
    EXPECT_EQ(Probe(line, 45, 55, 10).calls, 0);
    Seen s = Probe(loop, 45, 55, 10);
    EXPECT_EQ(s.calls, 1);
    EXPECT_NEAR(s.nx, -std::sqrt(0.5f), 1e-5);
    EXPECT_NEAR(s.ny, std::sqrt(0.5f), 1e-5);
    EXPECT_NEAR(s.depth, 10 - std::sqrt(50.0f), 1e-4);
}

TEST_F(ZoneTest, FillPushesOutsideMassesAwayAndInsideOnesOutThroughTheNearestEdge) {
    core::Ref<TZone> z = TZone::Create(kSquare, TZone::FILL, 0, 1, 5);
    Seen outside = Probe(z, 104, 50, 10);
    EXPECT_FLOAT_EQ(outside.nx, 1);
    EXPECT_FLOAT_EQ(outside.depth, 6);
    Seen inside = Probe(z, 30, 80, 10); // nearest edge: the bottom, 20 away
    EXPECT_NEAR(inside.nx, 0, 1e-6);
    EXPECT_FLOAT_EQ(inside.ny, 1);
    EXPECT_FLOAT_EQ(inside.depth, 30);
    // The default response moves the mass out by exactly that.
    z->OverrideCollision(nullptr);
    core::Ref<TMass> m = TMass::Create(30, 80, 1, 10, 0, 1);
    z->Collide(m);
    EXPECT_FLOAT_EQ(m->posY, 110);
    EXPECT_FLOAT_EQ(m->posX, 30);
}

TEST_F(ZoneTest, HoleCentresOutsideArePushedIntoTheHole) {
    core::Ref<TZone> z = TZone::Create(kSquare, TZone::HOLE, 0, 1, 4);
    Seen far = Probe(z, 900, 50, 1); // far outside the tree too
    EXPECT_EQ(far.calls, 1);
    EXPECT_FLOAT_EQ(far.nx, -1);
    EXPECT_FLOAT_EQ(far.depth, 801);
    Seen inHole = Probe(z, 95, 50, 10);
    EXPECT_FLOAT_EQ(inHole.nx, -1);
    EXPECT_FLOAT_EQ(inHole.depth, 5);
    EXPECT_EQ(Probe(z, 50, 50, 10).calls, 0);
}

TEST_F(ZoneTest, CentreOnAVertexStaysFinite) {
    for (int style : {TZone::LINE, TZone::LOOP, TZone::FILL, TZone::HOLE}) {
        core::Ref<TZone> z = TZone::Create(kSquare, style, 1, 1, 4);
        Seen s = Probe(z, 100, 100, 5);
        EXPECT_EQ(s.calls, 1) << style;
        EXPECT_TRUE(std::isfinite(s.nx) && std::isfinite(s.ny) && std::isfinite(s.depth));
        EXPECT_LT(std::hypot(s.nx, s.ny), 1.0f);
        z->OverrideCollision(nullptr);
        core::Ref<TMass> m = TMass::Create(100, 100, 1, 5, 1, 1);
        m->oldPosX = 97;
        z->Collide(m);
        EXPECT_TRUE(std::isfinite(m->posX) && std::isfinite(m->posY)) << style;
    }
}

TEST_F(ZoneTest, OutsideItsTreeOnlyAHoleIsTested) {
    // A tree whose root box lies far from the shape: every query misses it.
    core::Ref<TQuadTree> elsewhere = core::Make<TQuadTree>();
    elsewhere->posX = elsewhere->posY = 5000;
    elsewhere->sizeX = elsewhere->sizeY = 10;
    for (int style : {TZone::LINE, TZone::LOOP, TZone::FILL}) {
        core::Ref<TZone> z = TZone::Create(kSquare, style, 0, 1, 3);
        EXPECT_EQ(Probe(z, 104, 50, 10).calls, 1) << style;
        z->quadTree = elsewhere;
        EXPECT_EQ(Probe(z, 104, 50, 10).calls, 0) << style;
    }
    core::Ref<TZone> hole = TZone::Create(kSquare, TZone::HOLE, 0, 1, 3);
    hole->quadTree = elsewhere;
    EXPECT_EQ(Probe(hole, 104, 50, 10).calls, 1);
}

TEST_F(ZoneTest, UnknownStylesNeverCollide) {
    core::Ref<TZone> z = TZone::Create(kSquare, TZone::FILL, 0, 1, 3);
    z->style = 5; // set behind the tree's back: the coarse test answers 1
    EXPECT_EQ(Probe(z, 50, 50, 10).calls, 0);
    z->SetStyle(-4);
    EXPECT_EQ(Probe(z, 500, 500, 10).calls, 0);
}

TEST_F(ZoneTest, DefaultResponseAppliesFriction) {
    core::Ref<TZone> z = TZone::Create({0, 0, 1000, 0}, TZone::LINE, 0, 1, 4);
    // Moving along the line at 3 per step, sunk 2 into it from below: the
    // push leaves a tangential speed of 3 against a limit h = zone + mass
    // friction.
    auto slide = [&](float zoneFriction, float massFriction) {
        z->friction = zoneFriction;
        core::Ref<TMass> m = TMass::Create(500, 8, 1, 10, massFriction, 1);
        m->oldPosX = 497;
        z->Collide(m);
        EXPECT_FLOAT_EQ(m->posY, 10);
        return m->posX;
    };
    EXPECT_FLOAT_EQ(slide(0, 0), 500);       // only pushed out
    EXPECT_FLOAT_EQ(slide(0.5f, 0.5f), 499); // slowed by 1
    EXPECT_FLOAT_EQ(slide(1, 1), 498);       // slowed by 2
    EXPECT_FLOAT_EQ(slide(5, 1), 497);       // a file's friction of 5 stops it
}

TEST_F(ZoneTest, NegativeOrUndefinedFrictionNeverDividesByZero) {
    core::Ref<TZone> z = TZone::Create({0, 0, 1000, 0}, TZone::LINE, 0, 1, 4);
    for (float f : {-3.0f, NAN}) {
        z->friction = f; // as a file may store it
        core::Ref<TMass> m = TMass::Create(500, 8, 1, 10, 0, 1);
        m->oldPosY = 8; // no tangential motion at all
        m->oldPosX = 500;
        z->Collide(m);
        EXPECT_TRUE(std::isfinite(m->posX) && std::isfinite(m->posY)) << f;
    }
}

TEST_F(ZoneTest, EveryContactEmitsAnEventEvenWhenTheResponseDoesNothing) {
    core::Ref<TZone> z = TZone::Create({0, 0, 100, 0}, TZone::LINE, 0, 1, 4);
    z->OverrideCollision([](TZone*, TMass*, float, float, float) { return 0; });
    HookCounter count;
    core::Ref<TMass> m = TMass::Create(30, 6, 1, 10, 0, 1);
    z->Collide(m);
    EXPECT_EQ(m->posY, 6);
    EXPECT_EQ(HookCounter::seen, 1);
    core::Ref<TColEvent> e = TColEvent::Seek(m, z);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetID(), TColEvent::MASS_ZONE);
    EXPECT_EQ(e->GetZone(), z.Get());
    EXPECT_FLOAT_EQ(e->GetX(), 30);
    EXPECT_FLOAT_EQ(e->GetY(), 0);
    EXPECT_FLOAT_EQ(e->GetForce(), 4);
    // Null restores the default, which moves the mass; the event keeps the
    // contact point found before the push.
    z->OverrideCollision(nullptr);
    EXPECT_EQ(z->ColResponse, &TZone::ColDefault);
    TColEvent::Flush();
    z->Collide(m);
    EXPECT_FLOAT_EQ(m->posY, 10);
    EXPECT_FLOAT_EQ(TColEvent::Seek(m, z)->GetY(), 0);
}

TEST_F(ZoneTest, TheStepCollidesFreeMassesWithZonesOfOtherGroups) {
    core::Ref<TZone> floor = TZone::Create({0, 500, 1000, 500}, TZone::LINE, 0, 3, 4);
    core::Ref<TMass> other = Enter(100, 495, 10, 1);
    core::Ref<TMass> same = Enter(300, 495, 10, 3);
    core::Ref<TMass> none = Enter(500, 495, 10, 0);
    core::Ref<TMass> frozen = Enter(700, 495, 10, 1);
    frozen->Freeze();
    TPhysics::Update();
    EXPECT_FLOAT_EQ(other->posY, 490);
    EXPECT_TRUE(TColEvent::Seek(other, floor));
    EXPECT_FLOAT_EQ(same->posY, 495);
    EXPECT_FLOAT_EQ(none->posY, 495);
    EXPECT_FLOAT_EQ(frozen->posY, 495);
    EXPECT_EQ(TColEvent::QueueCount(), 1);
    floor->SetColGroup(0);
    TPhysics::Update();
    EXPECT_EQ(TColEvent::QueueCount(), 0);
    floor->SetColGroup(3);
    floor->Free();
    other->Position(100, 495);
    TPhysics::Update();
    EXPECT_EQ(TColEvent::QueueCount(), 0);
}

TEST_F(ZoneTest, AResponseMayFreeItsZoneDuringTheStep) {
    core::Ref<TMass> m = Enter(100, 495, 10, 1);
    TZone* z = TZone::Create({0, 500, 1000, 500}, TZone::LINE, 0, 3, 4).Get();
    z->OverrideCollision([](TZone* zone, TMass*, float, float, float) { return zone->Free(); });
    TPhysics::Update();
    EXPECT_EQ(ZoneCount(), 0);
    EXPECT_EQ(TColEvent::QueueCount(), 1);
    TColEvent::Flush(); // drops the event's hold on the zone
}
