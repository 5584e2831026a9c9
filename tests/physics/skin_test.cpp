// Skins: the edges between a skin's masses are solid. Small balls raining
// on resting soft bodies stay outside, two jellies do not zip into each
// other, the push keeps momentum, and skin contacts are contacts like any
// other for groups, events and contact tracking.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "scene.h"

namespace {

using namespace scene;

class Skin : public PhysicsTest {};

constexpr float kFloorY = 380;

// Whether (x, y) lies inside the polygon of the masses in slots first ...
// first + count - 1 (even-odd rule).
bool InsideRim(const TAdvBody& body, int first, int count, float x, float y) {
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const float ax = body.MassGetX(first + i), ay = body.MassGetY(first + i);
        const float bx = body.MassGetX(first + j), by = body.MassGetY(first + j);
        if ((ay > y) != (by > y) && x < (bx - ax) * (y - ay) / (by - ay) + ax) inside = !inside;
    }
    return inside;
}

TEST_F(Skin, SkinsNeedTwoMassesOrThreeWhenClosedAndMeasureTheirOutline) {
    TPhysics::Create(100, 100, 0, 0, 1);
    auto a = TMass::Create(0, 0, 1, 1, 0, 1);
    auto b = TMass::Create(30, 0, 1, 1, 0, 1);
    auto c = TMass::Create(30, 40, 1, 1, 0, 1);
    EXPECT_FALSE(TConstraint::CreateSkin({a}, false));
    EXPECT_FALSE(TConstraint::CreateSkin({a, b}, true));
    EXPECT_FALSE(TConstraint::CreateSkin({a, b, a}, false));
    EXPECT_FALSE(TConstraint::CreateSkin({a, nullptr}, false));
    auto open = TConstraint::CreateSkin({a, b}, false);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->GetKind(), TConstraint::SKIN);
    EXPECT_EQ(open->IsClosed(), 0);
    EXPECT_FLOAT_EQ(open->GetLength(), 30);
    auto ring = TConstraint::CreateSkin({a, b, c}, true);
    ASSERT_TRUE(ring);
    EXPECT_EQ(ring->IsClosed(), 1);
    EXPECT_FLOAT_EQ(ring->GetLength(), 120);
    EXPECT_EQ(ring->GetRingSize(), 3);
}

// A square skin of four free masses and a ball dropped inside it, without
// gravity: one step puts the ball outside, through the nearest edge, and
// the push moves the centre of mass of the whole nowhere.
TEST_F(Skin, AMassInsideIsPushedOutThroughTheNearestEdgeAndMomentumIsKept) {
    for (int mode : {0, 2}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        TPhysics::Create(400, 400, 0, 0, 4);
        TPhysics::SetStacking(mode);
        core::Ref<TAdvBody> box = core::Make<TAdvBody>();
        const int group = TakeAutoColGroup();
        for (auto [x, y] :
             {std::pair{100.0f, 100.0f}, {200.0f, 100.0f}, {200.0f, 200.0f}, {100.0f, 200.0f}})
            box->MassAdd(x, y, 1, 2, 0.5f, group);
        for (int k = 0; k < 4; ++k) box->ConAdd(k, (k + 1) % 4, 0, 1);
        box->ConAddSkin({0, 1, 2, 3}, true);
        box->Activate();
        core::Ref<TMass> ball = Enter(185, 150, 3, TakeAutoColGroup());
        auto centre = [&](float& x, float& y) {
            x = ball->GetX() * ball->GetMass(), y = ball->GetY() * ball->GetMass();
            float total = ball->GetMass();
            for (int k = 0; k < 4; ++k) {
                x += box->MassGetX(k), y += box->MassGetY(k);
                total += 1;
            }
            x /= total, y /= total;
        };
        float x0, y0;
        centre(x0, y0);
        TPhysics::Update();
        float x1, y1;
        centre(x1, y1);
        EXPECT_GT(ball->GetX(), box->MassGetX(1) + 3 - 0.01f); // out through the right edge
        EXPECT_NEAR(x1, x0, 1e-3);
        EXPECT_NEAR(y1, y0, 1e-3);
        TPhysics::Free();
    }
}

struct RainResult {
    int insideJelly = 0, insideBlob = 0, balls = 0;
    int everInside = 0; // balls inside either body at the end of any step
};

// A resting jelly (12 rim masses) and a resting blob (16), both of radius 40
// with rim masses of radius 4, and 60 balls of the given radius rained
// slowly over them, in stacking mode 2. Counts the balls that end inside.
RainResult Rain(float radius, bool skins) {
    TPhysics::Create(400, 400, 0.1f, 0, 8);
    TPhysics::SetGridSize(32);
    TPhysics::SetStacking(2);
    Floor(400, kFloorY);
    TJellyDef jelly;
    jelly.x = 110, jelly.y = kFloorY - 60, jelly.radius = 40, jelly.rim = 12;
    jelly.material.radius = 4;
    jelly.skin = skins;
    core::Ref<TAdvBody> j = BuildJelly(jelly);
    TBlobDef blob;
    blob.x = 290, blob.y = kFloorY - 60, blob.radius = 40, blob.rim = 16;
    blob.material.radius = 4;
    blob.skin = skins;
    core::Ref<TAdvBody> b = BuildBlob(blob);
    j->Activate();
    b->Activate();
    for (int step = 0; step < 300; ++step) TPhysics::Update();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(60, 340);
    std::vector<core::Ref<TMass>> balls;
    std::vector<char> wasInside(60, 0);
    auto step = [&] {
        TPhysics::Update();
        for (std::size_t k = 0; k < balls.size(); ++k) {
            const float x = balls[k]->GetX(), y = balls[k]->GetY();
            if (InsideRim(*j, 1, 12, x, y) || InsideRim(*b, 0, 16, x, y)) wasInside[k] = 1;
        }
    };
    for (int k = 0; k < 60; ++k) {
        balls.push_back(Enter(across(random), 100, radius, TakeAutoColGroup(), 0.5f));
        for (int s = 0; s < 10; ++s) step();
    }
    for (int s = 0; s < 600; ++s) step();
    RainResult r;
    for (char inside : wasInside) r.everInside += inside;
    for (const auto& ball : balls) {
        if (!ball->InWorld()) continue;
        ++r.balls;
        if (InsideRim(*j, 1, 12, ball->GetX(), ball->GetY())) ++r.insideJelly;
        if (InsideRim(*b, 0, 16, ball->GetX(), ball->GetY())) ++r.insideBlob;
    }
    TPhysics::Free();
    return r;
}

TEST_F(Skin, NoBallOfAnySizeEndsInsideASkin) {
    int leaks = 0;
    for (float radius : {0.5f, 1.0f, 2.0f, 3.0f}) {
        SCOPED_TRACE(testing::Message() << "radius " << radius);
        const RainResult r = Rain(radius, true);
        EXPECT_EQ(r.balls, 60);
        EXPECT_EQ(r.insideJelly, 0);
        EXPECT_EQ(r.insideBlob, 0);
        EXPECT_EQ(r.everInside, 0);
        // Without skins the same rain walks in between the rim masses.
        const RainResult leaky = Rain(radius, false);
        leaks += leaky.everInside;
    }
    EXPECT_GT(leaks, 60);
}

// Two jellies dropped onto each other: their rims meet edge to edge instead
// of settling between each other's masses.
TEST_F(Skin, TwoJelliesWithSkinsDoNotZipIntoEachOther) {
    for (bool skins : {true, false}) {
        SCOPED_TRACE(skins ? "skins" : "no skins");
        TPhysics::Create(400, 400, 0.1f, 0, 8);
        TPhysics::SetGridSize(32);
        TPhysics::SetStacking(2);
        Floor(400, kFloorY);
        std::vector<core::Ref<TAdvBody>> jellies;
        for (float y : {kFloorY - 60, kFloorY - 160}) {
            TJellyDef def;
            def.x = 200 + (y < kFloorY - 100 ? 7.0f : 0.0f), def.y = y, def.radius = 40;
            def.rim = 12;
            def.material.radius = 4;
            def.skin = skins;
            jellies.push_back(BuildJelly(def));
            jellies.back()->Activate();
        }
        for (int step = 0; step < 900; ++step) TPhysics::Update();
        int inside = 0;
        for (int a = 0; a < 2; ++a) {
            const TAdvBody& other = *jellies[1 - a];
            for (int k = 1; k <= 12; ++k)
                if (InsideRim(other, 1, 12, jellies[a]->MassGetX(k), jellies[a]->MassGetY(k)))
                    ++inside;
        }
        if (skins)
            EXPECT_EQ(inside, 0);
        else
            EXPECT_GT(inside, 0); // what the skins are for
        TPhysics::Free();
    }
}

// A ball resting on the middle of an edge, between the discs of its two
// masses: the contact is queued as one of two masses, follows the groups,
// and contact tracking sees it begin.
TEST_F(Skin, SkinContactsAreEventsAndFollowCollisionGroups) {
    for (bool sameGroup : {false, true}) {
        SCOPED_TRACE(sameGroup ? "same group" : "other group");
        TPhysics::Create(400, 400, 0.05f, 0, 4);
        TPhysics::TrackContacts(1);
        core::Ref<TAdvBody> beam = core::Make<TAdvBody>();
        const int group = TakeAutoColGroup();
        beam->MassAdd(100, 200, 1, 1, 0.5f, group);
        beam->MassAdd(200, 200, 1, 1, 0.5f, group);
        beam->MassFreeze(0);
        beam->MassFreeze(1);
        beam->ConAdd(0, 1, 0, 1);
        beam->ConAddSkin({0, 1}, false);
        beam->Activate();
        core::Ref<TMass> ball = Enter(150, 190, 2, sameGroup ? group : TakeAutoColGroup());
        bool began = false;
        for (int step = 0; step < 120; ++step) {
            TPhysics::Update();
            for (const TContactChange& c : TPhysics::ContactBegins())
                if (c.mass == ball && (c.other == beam->MassGet(0) || c.other == beam->MassGet(1)))
                    began = true;
        }
        if (sameGroup) {
            EXPECT_GT(ball->GetY(), 210); // it fell through
            EXPECT_FALSE(began);
            TPhysics::Free();
            continue;
        }
        EXPECT_NEAR(ball->GetY(), 200 - 1 - 2, 0.05f); // resting on the edge
        EXPECT_TRUE(began);
        core::Ref<TColEvent> e = TColEvent::Seek(ball, beam->MassGet(0));
        if (!e) e = TColEvent::Seek(ball, beam->MassGet(1));
        ASSERT_TRUE(e);
        EXPECT_EQ(e->id, TColEvent::MASS_MASS);
        EXPECT_NEAR(e->x, 150, 0.5f);
        TPhysics::Free();
    }
}

// The builders' default shapes on two slopes and a floor, solved together:
// without skins, rim masses settle into each other's gaps and the bodies
// tremble there for ever; with skins they come to rest and every island
// falls asleep (frozen masses count as awake).
TEST_F(Skin, DefaultShapesWithSkinsComeToRestAndSleep) {
    for (bool skins : {true, false}) {
        SCOPED_TRACE(skins ? "skins" : "no skins");
        TPhysics::Create(800, 600, 0.1f, 0, 8);
        TPhysics::SetGridSize(16);
        TPhysics::SetStacking(2);
        TZone::Create({0, 250, 330, 350, 330, 370, 0, 275}, TZone::FILL, 0.5f, -1, 5);
        TZone::Create({800, 330, 470, 440, 470, 460, 800, 355}, TZone::FILL, 0.5f, -1, 5);
        TZone::Create({0, 560, 800, 560, 800, 600, 0, 600}, TZone::FILL, 0.5f, -1, 5);
        std::vector<core::Ref<TAdvBody>> bodies;
        for (int k = 0; k < 3; ++k) {
            TJellyDef jelly;
            jelly.x = 100 + 250.0f * k, jelly.y = 100, jelly.skin = skins;
            bodies.push_back(BuildJelly(jelly));
            TBlobDef blob;
            blob.x = 200 + 250.0f * k, blob.y = 30, blob.skin = skins;
            bodies.push_back(BuildBlob(blob));
        }
        TRopeDef rope;
        rope.x1 = 340, rope.y1 = 480, rope.x2 = 560, rope.y2 = 480;
        rope.freezeStart = rope.freezeEnd = true;
        rope.skin = skins;
        bodies.push_back(BuildRope(rope));
        TClothDef cloth;
        cloth.x = 600, cloth.y = 20, cloth.columns = cloth.rows = 8, cloth.skin = skins;
        bodies.push_back(BuildCloth(cloth));
        for (const auto& b : bodies) b->Activate();
        TPhysics::SetSleep(0.1f, 60);
        for (int step = 0; step < 2400; ++step) TPhysics::Update();
        const int frozen = 2 + cloth.columns;
        if (skins)
            EXPECT_EQ(TPhysics::AwakeCount(), frozen);
        else
            EXPECT_GT(TPhysics::AwakeCount(), frozen + 100); // what the skins are for
        TPhysics::Free();
    }
}

TEST_F(Skin, BuildersGiveSkinsWhenAskedAndSkinsSurviveBodyFiles) {
    TPhysics::Create(400, 400, 0, 0, 1);
    TJellyDef jelly;
    jelly.skin = true;
    core::Ref<TAdvBody> j = BuildJelly(jelly);
    const TConstraint* skin = j->ConGet(j->ConMaxIndex());
    EXPECT_EQ(skin->GetKind(), TConstraint::SKIN);
    EXPECT_EQ(skin->IsClosed(), 1);
    EXPECT_EQ(skin->GetRingSize(), jelly.rim);
    EXPECT_EQ(skin->GetRingMass(0), j->MassGet(1));
    TBlobDef blob;
    blob.skin = true;
    core::Ref<TAdvBody> b = BuildBlob(blob);
    EXPECT_EQ(b->ConGet(blob.rim + 1)->GetKind(), TConstraint::SKIN);
    TRopeDef rope;
    rope.skin = true;
    core::Ref<TAdvBody> r = BuildRope(rope);
    EXPECT_EQ(r->ConGet(r->ConMaxIndex())->IsClosed(), 0);
    EXPECT_EQ(r->ConGet(r->ConMaxIndex())->GetRingSize(), r->MassMaxIndex() + 1);
    TClothDef cloth;
    cloth.columns = 4, cloth.rows = 3, cloth.skin = true;
    core::Ref<TAdvBody> c = BuildCloth(cloth);
    const TConstraint* edge = c->ConGet(c->ConMaxIndex());
    ASSERT_EQ(edge->GetRingSize(), 10); // 12 masses, 2 inside
    const int order[] = {0, 1, 2, 3, 7, 11, 10, 9, 8, 4};
    for (int k = 0; k < 10; ++k) EXPECT_EQ(edge->GetRingMass(k), c->MassGet(order[k]));
    cloth.rows = 1;
    EXPECT_EQ(BuildCloth(cloth)->ConGet(2)->IsClosed(), 0);
    jelly.skin = false;
    EXPECT_NE(BuildJelly(jelly)->ConGet(BuildJelly(jelly)->ConMaxIndex())->GetKind(),
              TConstraint::SKIN);

    // An open skin of two masses, through a file.
    core::Ref<TAdvBody> beam = core::Make<TAdvBody>();
    beam->MassAdd(0, 0, 1, 1, 0, 1);
    beam->MassAdd(10, 0, 1, 1, 0, 1);
    beam->ConAddSkin({1, 0}, false);
    const std::string path = ::testing::TempDir() + "skin_beam.tnb";
    beam->Save(path, 0, 0);
    core::Ref<TAdvBody> loaded = TAdvBody::Load(path, 0);
    ASSERT_TRUE(loaded);
    const TConstraint* twin = loaded->ConGet(0);
    EXPECT_EQ(twin->GetKind(), TConstraint::SKIN);
    EXPECT_EQ(twin->IsClosed(), 0);
    EXPECT_EQ(twin->GetRingMass(0), loaded->MassGet(1));
    std::remove(path.c_str());
}

} // namespace
