// Angle constraints (bending and hinges with stops), shape matching, and
// the builder of bodies of any outline: they hold what they promise under a
// load, in either solve order, and they survive body files and copies.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "scene.h"

namespace {

using namespace scene;

class ShapeAngle : public PhysicsTest {};

constexpr float kFloorY = 700;

// A five-pointed star's outline: points `outer` from the centre, notches
// `inner`, the first point straight up on screen.
std::vector<float> Star(float cx, float cy, float outer, float inner) {
    std::vector<float> xy;
    for (int k = 0; k < 10; ++k) {
        const double a = -std::numbers::pi / 2 + std::numbers::pi * k / 5;
        const double r = k % 2 == 0 ? outer : inner;
        xy.push_back(cx + static_cast<float>(r * std::cos(a)));
        xy.push_back(cy + static_cast<float>(r * std::sin(a)));
    }
    return xy;
}

// The farthest any mass is from its rest place once the rest places are
// moved and turned to fit the masses best (the fit of shape matching, in
// double, weighing the masses alike).
float WorstAfterFit(const std::vector<float>& restXY, const TAdvBody& body) {
    const std::size_t n = restXY.size() / 2;
    double rx = 0, ry = 0, px = 0, py = 0;
    for (std::size_t k = 0; k < n; ++k) {
        rx += restXY[2 * k], ry += restXY[2 * k + 1];
        px += body.MassGetX(static_cast<int>(k)), py += body.MassGetY(static_cast<int>(k));
    }
    rx /= n, ry /= n, px /= n, py /= n;
    double dot = 0, cross = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double qx = restXY[2 * k] - rx, qy = restXY[2 * k + 1] - ry;
        const double ax = body.MassGetX(static_cast<int>(k)) - px;
        const double ay = body.MassGetY(static_cast<int>(k)) - py;
        dot += qx * ax + qy * ay;
        cross += qx * ay - qy * ax;
    }
    const double h = std::hypot(dot, cross), c = dot / h, s = cross / h;
    double worst = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double qx = restXY[2 * k] - rx, qy = restXY[2 * k + 1] - ry;
        const double gx = px + c * qx - s * qy, gy = py + s * qx + c * qy;
        worst = std::max(worst, std::hypot(body.MassGetX(static_cast<int>(k)) - gx,
                                           body.MassGetY(static_cast<int>(k)) - gy));
    }
    return static_cast<float>(worst);
}

std::vector<float> Places(const TAdvBody& body) {
    std::vector<float> xy;
    for (int k = 0; k <= body.MassMaxIndex(); ++k) {
        xy.push_back(body.MassGetX(k));
        xy.push_back(body.MassGetY(k));
    }
    return xy;
}

TEST_F(ShapeAngle, AnglesMeasureRoundFromTheFirstArmAndRefuseBadMassesAndLimits) {
    TPhysics::Create(100, 100, 0, 0, 1);
    auto a = TMass::Create(10, 50, 1, 1, 0, 0);
    auto o = TMass::Create(50, 50, 1, 1, 0, 0);
    auto b = TMass::Create(90, 50, 1, 1, 0, 0);
    auto down = TMass::Create(50, 90, 1, 1, 0, 0);
    EXPECT_FALSE(TConstraint::CreateAngle(a, o, nullptr, 0, 1));
    EXPECT_FALSE(TConstraint::CreateAngle(a, o, a, 0, 1));
    auto straight = TConstraint::CreateAngle(a, o, b, 0, 1);
    ASSERT_TRUE(straight);
    EXPECT_EQ(straight->GetKind(), TConstraint::ANGLE);
    EXPECT_EQ(straight->GetRingSize(), 3);
    EXPECT_EQ(straight->GetMass1(), a.Get());
    EXPECT_EQ(straight->GetMass2(), o.Get());
    EXPECT_FLOAT_EQ(straight->GetRestLength(), 180);
    // Down on screen from the arm pointing left: a quarter turn one way,
    // three quarters the other.
    EXPECT_NEAR(TConstraint::CreateAngle(a, o, down, 0, 1)->GetLength(), 270, 1e-3);
    EXPECT_NEAR(TConstraint::CreateAngle(down, o, a, 0, 1)->GetLength(), 90, 1e-3);
    EXPECT_NEAR(TConstraint::CreateAngle(a, o, b, -30, 1)->GetRestLength(), 180, 1e-3);
    EXPECT_NEAR(TConstraint::CreateAngle(a, o, b, 400, 1)->GetRestLength(), 40, 1e-3);

    float lower = -1, upper = -1;
    straight->GetAngleLimits(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 360);
    EXPECT_EQ(straight->SetAngleLimits(150, 210), 0);
    for (auto [lo, hi] :
         {std::pair{210.0f, 150.0f}, {-1.0f, 10.0f}, {10.0f, 361.0f}, {std::nanf(""), 10.0f}})
        EXPECT_EQ(straight->SetAngleLimits(lo, hi), -1);
    straight->GetAngleLimits(lower, upper);
    EXPECT_EQ(lower, 150);
    EXPECT_EQ(upper, 210);
    auto distance = TConstraint::Create(a, b, 0, 1);
    EXPECT_EQ(distance->SetAngleLimits(10, 20), -1);
    EXPECT_EQ(distance->GetKind(), TConstraint::DISTANCE);
}

// An arm on a hinge whose stops are 30 degrees either side of straight,
// with a heavy weight at its end: it droops to the stop and no further, in
// either solve order, with and without a stiffness pulling it straight.
TEST_F(ShapeAngle, AHingeNeverGoesBeyondItsStopUnderALoad) {
    for (int mode : {0, 2}) {
        for (float stiffness : {0.0f, 0.2f}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " stiffness " << stiffness);
            TPhysics::Create(400, 400, 0.2f, 0, 8);
            TPhysics::SetStacking(mode);
            core::Ref<TAdvBody> arm = core::Make<TAdvBody>();
            arm->MassAdd(100, 100, 1, 2, 0, 0);
            arm->MassAdd(150, 100, 1, 2, 0, 0);
            arm->MassAdd(200, 100, 1, 2, 0, 0);
            arm->MassAdd(250, 100, 10, 2, 0, 0); // the load
            arm->MassFreeze(0);
            arm->MassFreeze(1);
            arm->ConAdd(1, 2, 0, 1);
            arm->ConAdd(2, 3, 0, 1);
            const int hinge = arm->ConAddAngle(0, 1, 2, 180, stiffness);
            ASSERT_GE(hinge, 0);
            ASSERT_EQ(arm->ConGet(hinge)->SetAngleLimits(150, 210), 0);
            arm->Activate();
            float widest = 0;
            for (int step = 0; step < 600; ++step) {
                TPhysics::Update();
                widest = std::max(widest, std::fabs(arm->ConGetLength(hinge) - 180));
            }
            EXPECT_LT(widest, 31.0f);
            if (stiffness == 0) {
                EXPECT_GT(widest, 25.0f); // the load did reach the stop
            }
            TPhysics::Free();
        }
    }
}

// The free end's drop below the held end of a rope of 20 links clamped
// level at one end, averaged over a while, as the rope swings.
float RopeSag(float bending, int mode) {
    TPhysics::Create(1000, 1000, 0.01f, 0, 16);
    TPhysics::SetStacking(mode);
    TRopeDef def;
    def.x1 = 100, def.y1 = 200, def.x2 = 300, def.y2 = 200;
    def.count = 21;
    def.material.radius = 2;
    core::Ref<TAdvBody> rope = BuildRope(def);
    rope->MassFreeze(0);
    rope->MassFreeze(1);
    if (bending > 0) {
        for (int k = 1; k + 1 < 21; ++k) rope->ConAddAngle(k - 1, k, k + 1, 180, bending);
    }
    rope->Activate();
    float sag = 0;
    for (int step = 0; step < 2000; ++step) {
        TPhysics::Update();
        if (step >= 1500) sag += (rope->MassGetY(20) - 200) / 500;
    }
    TPhysics::Free();
    return sag;
}

// Solved in order (with or without substeps), stiff angles hold a rope out
// where it hangs limp without them. Solved together they are weaker: the
// averaging shares each mass's move among its five constraints.
TEST_F(ShapeAngle, BendingStiffnessHoldsARopeOutLevel) {
    for (int mode : {0, 3}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        const float limp = RopeSag(0, mode), stiff = RopeSag(1, mode);
        EXPECT_GT(limp, 120); // it hangs well down
        EXPECT_LT(stiff, limp / 3);
    }
}

TEST_F(ShapeAngle, ShapeMatchingNeedsThreeDistinctMassesAndMeasuresItsDeviation) {
    TPhysics::Create(100, 100, 0, 0, 1);
    auto a = TMass::Create(10, 10, 1, 1, 0, 0);
    auto b = TMass::Create(30, 10, 1, 1, 0, 0);
    auto c = TMass::Create(10, 40, 1, 1, 0, 0);
    EXPECT_FALSE(TConstraint::CreateShape({a, b}, 1));
    EXPECT_FALSE(TConstraint::CreateShape({a, b, a}, 1));
    EXPECT_FALSE(TConstraint::CreateShape({a, b, nullptr}, 1));
    auto shape = TConstraint::CreateShape({a, b, c}, 1);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->GetKind(), TConstraint::SHAPE);
    EXPECT_EQ(shape->GetRestLength(), 0);
    EXPECT_NEAR(shape->GetLength(), 0, 1e-5);
    // Moved and turned, it still fits its rest shape.
    for (TMass* m : {a.Get(), b.Get(), c.Get()}) {
        const float x = m->GetX(), y = m->GetY();
        m->Position(50 - y, 20 + x);
    }
    EXPECT_NEAR(shape->GetLength(), 0, 1e-4);
    // Stretched, it does not.
    b->Position(b->GetX(), b->GetY() + 30);
    EXPECT_GT(shape->GetLength(), 5);
    // A new rest shape is where the masses are.
    shape->SetRestLength(0);
    EXPECT_NEAR(shape->GetLength(), 0, 1e-4);
}

// A concave shape that links alone cannot hold: a star of links and shape
// matching lands from high up, keeps its form, and takes it back after a
// heavy load has squashed it.
TEST_F(ShapeAngle, AStarKeepsItsShapeThroughALandingAndALoad) {
    for (int mode : {0, 2}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        TPhysics::Create(800, 800, 0.1f, 0, 8);
        TPhysics::SetGridSize(32);
        TPhysics::SetStacking(mode);
        Floor(800, kFloorY);
        TShapeDef def;
        def.outline = Star(400, kFloorY - 400 - 60, 60, 25);
        def.spacing = 10;
        def.material.radius = 3;
        core::Ref<TAdvBody> star = BuildShape(def);
        ASSERT_TRUE(star);
        const std::vector<float> rest = Places(*star);
        star->Activate();
        for (int step = 0; step < 900; ++step) TPhysics::Update();
        EXPECT_GT(star->MassGetY(0), kFloorY - 130); // it landed
        const float settled = WorstAfterFit(rest, *star);
        EXPECT_LT(settled, 6.0f); // 5 % of 120
        // A heavy slab laid on top for 300 steps.
        core::Ref<TAdvBody> slab = core::Make<TAdvBody>();
        const float top = kFloorY - 140;
        for (int k = 0; k < 12; ++k) slab->MassAdd(330 + 12.0f * k, top, 20, 6, 0.5f, -1);
        for (int k = 0; k + 1 < 12; ++k) slab->ConAdd(k, k + 1, 0, 1);
        slab->Activate();
        for (int step = 0; step < 300; ++step) TPhysics::Update();
        EXPECT_GT(WorstAfterFit(rest, *star), settled + 1); // the load did squash it
        slab->DeActivate();
        slab = nullptr;
        for (int step = 0; step < 300; ++step) TPhysics::Update();
        EXPECT_LT(WorstAfterFit(rest, *star), 6.0f);
        TPhysics::Free();
    }
}

TEST_F(ShapeAngle, TheOutlineBuilderNumbersItsPartsAndTiesNothingAcrossAGap) {
    TPhysics::Create(400, 400, 0, 0, 1);
    // An L: the notch is the square (40, 0) ... (80, 40), outside.
    TShapeDef def;
    def.outline = {0, 0, 40, 0, 40, 40, 80, 40, 80, 80, 0, 80};
    def.spacing = 10;
    core::Ref<TAdvBody> l = BuildShape(def);
    ASSERT_TRUE(l);
    // 320 units of outline in gaps of 10, corners first on each edge.
    const int rim = 32;
    EXPECT_FLOAT_EQ(l->MassGetX(0), 0);
    EXPECT_FLOAT_EQ(l->MassGetX(4), 40);
    EXPECT_FLOAT_EQ(l->MassGetY(8), 40);
    EXPECT_FLOAT_EQ(l->MassGetX(8), 40);
    EXPECT_GT(l->MassMaxIndex() + 1, rim + 10);
    // Inner masses row by row, each half a spacing clear of the outline.
    for (int k = rim + 1; k <= l->MassMaxIndex(); ++k) {
        const float y0 = l->MassGetY(k - 1), y1 = l->MassGetY(k);
        EXPECT_TRUE(y1 > y0 || (y1 == y0 && l->MassGetX(k) > l->MassGetX(k - 1)));
        const float x = l->MassGetX(k), y = l->MassGetY(k);
        EXPECT_FALSE(x > 40 - 5 && y < 40 + 5) << "inner mass " << k << " in or by the notch";
    }
    int links = 0, shapes = 0;
    for (int i = 0; i <= l->ConMaxIndex(); ++i) {
        const TConstraint* c = l->ConGet(i);
        if (c->GetKind() == TConstraint::SHAPE) {
            ++shapes;
            EXPECT_EQ(c->GetRingSize(), l->MassMaxIndex() + 1);
            continue;
        }
        ASSERT_EQ(c->GetKind(), TConstraint::DISTANCE);
        ++links;
        // No link's middle lies in the notch.
        const float mx = (c->GetMass1()->GetX() + c->GetMass2()->GetX()) / 2;
        const float my = (c->GetMass1()->GetY() + c->GetMass2()->GetY()) / 2;
        EXPECT_FALSE(mx > 40 && my < 40) << "link " << i;
    }
    EXPECT_EQ(shapes, 1);
    EXPECT_GT(links, rim * 2);
    for (int k = 0; k < rim; ++k) EXPECT_EQ(l->ConGetMass1(k), k);

    // Pressure over the outline comes last; no fill, no inner masses.
    def.fill = false;
    def.pressure = 1;
    core::Ref<TAdvBody> hollow = BuildShape(def);
    ASSERT_TRUE(hollow);
    EXPECT_EQ(hollow->MassMaxIndex() + 1, rim);
    EXPECT_EQ(hollow->ConGet(hollow->ConMaxIndex())->GetKind(), TConstraint::PRESSURE);
    EXPECT_EQ(hollow->ConGet(hollow->ConMaxIndex() - 1)->GetKind(), TConstraint::SHAPE);
}

TEST_F(ShapeAngle, TheOutlineBuilderRefusesWhatMakesNoShape) {
    TShapeDef def;
    def.outline = {0, 0, 10, 0};
    EXPECT_FALSE(BuildShape(def)); // two corners
    def.outline = {0, 0, 10, 0, 10};
    EXPECT_FALSE(BuildShape(def)); // an odd count
    def.outline = {0, 0, 10, 10, 10, 0, 0, 10};
    EXPECT_FALSE(BuildShape(def)); // a bow tie crosses itself
    def.outline = {0, 0, 10, 0, 20, 0};
    EXPECT_FALSE(BuildShape(def)); // no area
    def.outline = {0, 0, 10, 0, 10, 10, 10, 10, 0, 10};
    EXPECT_FALSE(BuildShape(def)); // an edge of no length
    def.outline = {0, 0, 10, 0, std::nanf(""), 10};
    EXPECT_FALSE(BuildShape(def));
    def.outline = {0, 0, 10, 0, 10, 10};
    def.spacing = 0;
    EXPECT_FALSE(BuildShape(def));
    def.spacing = 1e-4f;
    def.outline = {0, 0, 1e6f, 0, 1e6f, 1e6f};
    EXPECT_FALSE(BuildShape(def)); // far too many masses
    def.spacing = 10;
    def.outline = {0, 0, 10, 0, 10, 10};
    def.shapeStiffness = std::nanf("");
    EXPECT_FALSE(BuildShape(def));
    def.shapeStiffness = 0.5f;
    EXPECT_TRUE(BuildShape(def)); // either way round
    def.outline = {0, 0, 0, 10, 10, 10};
    EXPECT_TRUE(BuildShape(def));
}

class ShapeAngleFiles : public ShapeAngle {
  protected:
    void SetUp() override {
        ShapeAngle::SetUp();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("shape_angle_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        ShapeAngle::TearDown();
    }
    std::string At(const std::string& name) const { return (dir_ / name).string(); }
    std::string MagicOf(const std::string& name) const {
        std::FILE* f = std::fopen(At(name).c_str(), "rb");
        char magic[5] = {};
        if (f) {
            if (std::fread(magic, 1, 4, f) != 4) magic[0] = 0;
            std::fclose(f);
        }
        return magic;
    }
    std::filesystem::path dir_;
};

// One body with every kind: a file and a copy give the same constraints,
// which then step the same.
TEST_F(ShapeAngleFiles, AnglesAndShapesSurviveBodyFilesAndCopies) {
    TPhysics::Create(800, 800, 0.1f, 0, 4);
    Floor(800, kFloorY);
    TShapeDef def;
    def.outline = Star(400, 300, 60, 25);
    def.pressure = 0.5f;
    def.shapeCompliance = 0.01f;
    core::Ref<TAdvBody> star = BuildShape(def);
    const int hinge = star->ConAddAngle(0, 1, 2, 0, 0.3f);
    star->ConGet(hinge)->SetAngleLimits(100, 300);
    star->Save(At("star.tnb"), 0, 0);
    EXPECT_EQ(MagicOf("star.tnb"), "B113");
    core::Ref<TAdvBody> loaded = TAdvBody::Load(At("star.tnb"), 0);
    ASSERT_TRUE(loaded);
    core::Ref<TAdvBody> copied = star->Copy();
    for (TAdvBody* twin : {loaded.Get(), copied.Get()}) {
        ASSERT_EQ(twin->ConMaxIndex(), star->ConMaxIndex());
        for (int i = 0; i <= star->ConMaxIndex(); ++i) {
            const TConstraint* a = star->ConGet(i);
            const TConstraint* b = twin->ConGet(i);
            ASSERT_TRUE(b);
            EXPECT_EQ(b->GetKind(), a->GetKind());
            EXPECT_EQ(b->GetRingSize(), a->GetRingSize());
            EXPECT_EQ(b->GetRestLength(), a->GetRestLength());
            EXPECT_EQ(b->GetStiffness(), a->GetStiffness());
            EXPECT_EQ(b->GetCompliance(), a->GetCompliance());
        }
        float lower = 0, upper = 0;
        twin->ConGet(hinge)->GetAngleLimits(lower, upper);
        EXPECT_EQ(lower, 100);
        EXPECT_EQ(upper, 300);
    }
    // The loaded copy, moved aside, deforms exactly as the original.
    star->Activate();
    for (int step = 0; step < 200; ++step) TPhysics::Update();
    const std::vector<float> first = Places(*star);
    star->DeActivate();
    TPhysics::Free();
    TPhysics::Create(800, 800, 0.1f, 0, 4);
    Floor(800, kFloorY);
    loaded->Activate();
    for (int step = 0; step < 200; ++step) TPhysics::Update();
    EXPECT_EQ(Places(*loaded), first);

    // A body of the older kinds stays in the older version.
    core::Ref<TAdvBody> blob = BuildBlob(TBlobDef{});
    blob->Save(At("blob.tnb"), 0, 0);
    EXPECT_EQ(MagicOf("blob.tnb"), "B112");
}

} // namespace
