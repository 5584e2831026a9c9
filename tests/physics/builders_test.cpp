// The shape builders: how they number their parts, what they refuse, and
// that the shapes they make behave (a rope holds, a cloth tears only past its
// limit, a blob keeps its area).
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "scene.h"

using namespace scene;

namespace {

class Builders : public PhysicsTest {
  protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(400, 300, 0.1f, 0, 8);
    }
};

// The masses joined by constraint i of a body, as slots.
std::pair<int, int> Ends(const TAdvBody& body, int i) {
    return {body.ConGetMass1(i), body.ConGetMass2(i)};
}

// The number of filled constraint slots.
int Constraints(const TAdvBody& body) {
    int n = 0;
    for (int i = 0; i <= body.ConMaxIndex(); ++i) n += body.ConExists(i);
    return n;
}

// Every mass of the body in one group, which is returned.
int SharedGroup(const TAdvBody& body) {
    const int group = body.MassGetColGroup(0);
    for (int i = 1; i <= body.MassMaxIndex(); ++i) EXPECT_EQ(body.MassGetColGroup(i), group) << i;
    return group;
}

// ---- Numbering -----------------------------------------------------------

TEST_F(Builders, ARopeRunsFromStartToEndAndIsNotActivated) {
    TRopeDef def;
    def.x1 = 100, def.y1 = 50, def.x2 = 200, def.y2 = 90;
    def.count = 5;
    core::Ref<TAdvBody> rope = BuildRope(def);
    ASSERT_TRUE(rope);
    ASSERT_EQ(rope->MassMaxIndex(), 4);
    ASSERT_EQ(rope->ConMaxIndex(), 3);
    for (int k = 0; k < 5; ++k) {
        EXPECT_FLOAT_EQ(rope->MassGetX(k), 100 + 25.0f * k);
        EXPECT_FLOAT_EQ(rope->MassGetY(k), 50 + 10.0f * k);
        EXPECT_EQ(rope->MassIsActive(k), 0);
        EXPECT_EQ(rope->MassIsFrozen(k), 0);
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Ends(*rope, k), std::make_pair(k, k + 1));
        EXPECT_NEAR(rope->ConGetRestLength(k), std::hypot(25.0f, 10.0f), 1e-4);
        EXPECT_EQ(rope->ConGetCompliance(k), -1.0f);
    }
    rope->Activate();
    EXPECT_EQ(rope->MassIsActive(2), 1);
}

TEST_F(Builders, ARopeFromItsSegmentLengthHasNoLinkLongerThanThat) {
    const std::vector<std::pair<float, int>> lengthToMasses{
        {100, 11}, {95, 11}, {101, 12}, {3, 2}, {0, 2}};
    for (const auto& [length, masses] : lengthToMasses) {
        TRopeDef def;
        def.x2 = length;
        def.segmentLength = 10;
        core::Ref<TAdvBody> rope = BuildRope(def);
        ASSERT_TRUE(rope) << length;
        EXPECT_EQ(rope->MassMaxIndex() + 1, masses) << length;
    }
}

TEST_F(Builders, ARopeFreezesTheEndsItIsAskedTo) {
    TRopeDef def;
    def.count = 4;
    def.freezeEnd = true;
    core::Ref<TAdvBody> rope = BuildRope(def);
    EXPECT_EQ(rope->MassIsFrozen(0), 0);
    EXPECT_EQ(rope->MassIsFrozen(3), 1);
    def.freezeStart = true;
    def.freezeEnd = false;
    rope = BuildRope(def);
    EXPECT_EQ(rope->MassIsFrozen(0), 1);
    EXPECT_EQ(rope->MassIsFrozen(3), 0);
}

TEST_F(Builders, ClothLinksComeInGridShearAndBendBlocks) {
    TClothDef def;
    def.x = 10, def.y = 20, def.columns = 4, def.rows = 3, def.spacing = 5;
    core::Ref<TAdvBody> cloth = BuildCloth(def);
    ASSERT_TRUE(cloth);
    ASSERT_EQ(cloth->MassMaxIndex(), 11);
    // Mass (c, r) is slot r * columns + c.
    EXPECT_FLOAT_EQ(cloth->MassGetX(6), 10 + 2 * 5);
    EXPECT_FLOAT_EQ(cloth->MassGetY(6), 20 + 1 * 5);
    const int grid = 3 * 3 + 4 * 2;
    EXPECT_EQ(Constraints(*cloth), grid);
    // Mass by mass: right, then down; the last column has only down.
    EXPECT_EQ(Ends(*cloth, 0), std::make_pair(0, 1));
    EXPECT_EQ(Ends(*cloth, 1), std::make_pair(0, 4));
    EXPECT_EQ(Ends(*cloth, 6), std::make_pair(3, 7));
    EXPECT_EQ(Ends(*cloth, grid - 1), std::make_pair(10, 11));

    def.shear = def.bend = true;
    cloth = BuildCloth(def);
    const int shear = 2 * 3 * 2, bend = 2 * 3 + 4 * 1;
    EXPECT_EQ(Constraints(*cloth), grid + shear + bend);
    EXPECT_EQ(Ends(*cloth, grid), std::make_pair(0, 5));
    EXPECT_EQ(Ends(*cloth, grid + 1), std::make_pair(1, 4));
    EXPECT_EQ(Ends(*cloth, grid + shear - 1), std::make_pair(7, 10));
    EXPECT_EQ(Ends(*cloth, grid + shear), std::make_pair(0, 2));
    EXPECT_EQ(Ends(*cloth, grid + shear + 1), std::make_pair(0, 8));
    EXPECT_FLOAT_EQ(cloth->ConGetRestLength(grid + shear + 1), 10);
}

TEST_F(Builders, ClothPinsItsTopRowOnlyWhenAsked) {
    TClothDef def;
    def.columns = 5, def.rows = 4;
    core::Ref<TAdvBody> cloth = BuildCloth(def);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(cloth->MassIsFrozen(i), i < 5 ? 1 : 0) << i;
    def.pinTop = false;
    cloth = BuildCloth(def);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(cloth->MassIsFrozen(i), 0) << i;
}

TEST_F(Builders, AJellyHasItsCentreFirstAndOneBlockOfLinksPerRimMass) {
    TJellyDef def;
    def.x = 200, def.y = 100, def.radius = 20, def.rim = 8;
    def.material.stiffness = 0.5f;
    def.innerStiffness = 0.25f;
    core::Ref<TAdvBody> jelly = BuildJelly(def);
    ASSERT_TRUE(jelly);
    ASSERT_EQ(jelly->MassMaxIndex(), 8);
    EXPECT_FLOAT_EQ(jelly->MassGetX(0), 200);
    EXPECT_FLOAT_EQ(jelly->MassGetX(1), 220);   // rim mass 0 on +x
    EXPECT_NEAR(jelly->MassGetY(3), 120, 1e-4); // rim mass 2, a quarter round
    EXPECT_EQ(Constraints(*jelly), 3 * 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(Ends(*jelly, 3 * k), std::make_pair(1 + k, 1 + (k + 1) % 8));
        EXPECT_EQ(Ends(*jelly, 3 * k + 1), std::make_pair(1 + k, 1 + (k + 2) % 8));
        EXPECT_EQ(Ends(*jelly, 3 * k + 2), std::make_pair(0, 1 + k));
        EXPECT_EQ(jelly->ConGetStiffness(3 * k), 0.5f);
        EXPECT_EQ(jelly->ConGetStiffness(3 * k + 2), 0.25f);
    }
}

TEST_F(Builders, AMeshJellyAddsAnInnerRingAfterTheRim) {
    TJellyDef def;
    def.radius = 20, def.rim = 6;
    def.interior = TJellyDef::MESH;
    def.material.compliance = 0.01f;
    def.innerCompliance = 0.5f;
    core::Ref<TAdvBody> jelly = BuildJelly(def);
    ASSERT_TRUE(jelly);
    ASSERT_EQ(jelly->MassMaxIndex(), 12);
    EXPECT_FLOAT_EQ(jelly->MassGetX(7), 10); // inner mass 0 at half the radius
    const int block = 7;
    EXPECT_EQ(Constraints(*jelly), block * 6);
    // Rim mass 5's block wraps round to rim mass 0 and inner mass 0.
    const int b = 5 * block;
    EXPECT_EQ(Ends(*jelly, b), std::make_pair(6, 1));
    EXPECT_EQ(Ends(*jelly, b + 1), std::make_pair(6, 2));
    EXPECT_EQ(Ends(*jelly, b + 2), std::make_pair(0, 6));
    EXPECT_EQ(Ends(*jelly, b + 3), std::make_pair(6, 12));
    EXPECT_EQ(Ends(*jelly, b + 4), std::make_pair(6, 7));
    EXPECT_EQ(Ends(*jelly, b + 5), std::make_pair(12, 7));
    EXPECT_EQ(Ends(*jelly, b + 6), std::make_pair(12, 0));
    EXPECT_FLOAT_EQ(jelly->ConGetCompliance(b), 0.01f);
    EXPECT_FLOAT_EQ(jelly->ConGetCompliance(b + 1), 0.01f);
    EXPECT_FLOAT_EQ(jelly->ConGetCompliance(b + 2), 0.5f);
    EXPECT_FLOAT_EQ(jelly->ConGetCompliance(b + 6), 0.5f);
    EXPECT_FLOAT_EQ(jelly->ConGet(b + 6)->GetDampingRatio(), 1);
}

TEST_F(Builders, ASmallJellyHasNoBracesThatWouldRepeatItsLinks) {
    TJellyDef def;
    def.rim = 4;
    EXPECT_EQ(Constraints(*BuildJelly(def)), 2 * 4);
    def.rim = 5;
    EXPECT_EQ(Constraints(*BuildJelly(def)), 3 * 5);
}

TEST_F(Builders, ABlobsPressureComesAfterItsRimAndHoldsTheAreaAsBuilt) {
    TBlobDef def;
    def.x = 200, def.y = 150, def.radius = 30, def.rim = 12;
    core::Ref<TAdvBody> blob = BuildBlob(def);
    ASSERT_TRUE(blob);
    ASSERT_EQ(blob->MassMaxIndex(), 11);
    ASSERT_EQ(blob->ConMaxIndex(), 12);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(Ends(*blob, k), std::make_pair(k, (k + 1) % 12));
        EXPECT_EQ(blob->ConGet(k)->IsPressure(), 0);
    }
    TConstraint* pressure = blob->ConGet(12);
    ASSERT_EQ(pressure->IsPressure(), 1);
    EXPECT_EQ(pressure->GetRingSize(), 12);
    EXPECT_EQ(pressure->GetRingMass(5), blob->MassGet(5));
    const double polygon = 12 / 2.0 * 30 * 30 * std::sin(2 * std::numbers::pi / 12);
    EXPECT_NEAR(pressure->GetRestLength(), polygon, 0.1);
    EXPECT_EQ(pressure->GetCompliance(), -1.0f);

    def.restArea = 2000;
    def.pressureCompliance = 0.2f;
    def.material.damping = 0.25f;
    blob = BuildBlob(def);
    EXPECT_FLOAT_EQ(blob->ConGetRestLength(12), 2000);
    EXPECT_FLOAT_EQ(blob->ConGetCompliance(12), 0.2f);
    EXPECT_FLOAT_EQ(blob->ConGet(12)->GetDampingRatio(), 0.25f);
    EXPECT_EQ(blob->ConGetCompliance(0), -1.0f);
}

TEST_F(Builders, EachShapeTakesOneFreshGroupUnlessGivenOne) {
    TJellyDef def;
    const int first = SharedGroup(*BuildJelly(def));
    const int second = SharedGroup(*BuildJelly(def));
    EXPECT_NE(first, second);
    EXPECT_NE(first, 0);
    def.material.colGroup = 7;
    EXPECT_EQ(SharedGroup(*BuildJelly(def)), 7);
    def.material.colGroup = 0;
    EXPECT_EQ(SharedGroup(*BuildJelly(def)), 0);
}

// ---- What cannot be built --------------------------------------------------

TEST_F(Builders, TooFewMassesOrABadSizeBuildNothing) {
    const float nan = std::nanf("");
    auto rope = [](auto change) {
        TRopeDef def;
        change(def);
        return BuildRope(def);
    };
    EXPECT_FALSE(rope([](TRopeDef& d) { d.count = 1; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.count = -3; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.segmentLength = 0; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.segmentLength = -5; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.segmentLength = 1e-9f; }));
    EXPECT_FALSE(rope([&](TRopeDef& d) { d.x2 = nan; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.material.mass = 0; }));
    EXPECT_FALSE(rope([](TRopeDef& d) { d.material.radius = -1; }));
    EXPECT_FALSE(rope([&](TRopeDef& d) { d.material.damping = nan; }));
    EXPECT_TRUE(rope([](TRopeDef& d) { d.count = 2; }));

    auto cloth = [](auto change) {
        TClothDef def;
        change(def);
        return BuildCloth(def);
    };
    EXPECT_FALSE(cloth([](TClothDef& d) { d.columns = 0; }));
    EXPECT_FALSE(cloth([](TClothDef& d) { d.rows = -2; }));
    EXPECT_FALSE(cloth([](TClothDef& d) { d.columns = d.rows = 1; }));
    EXPECT_FALSE(cloth([](TClothDef& d) { d.spacing = 0; }));
    EXPECT_FALSE(cloth([](TClothDef& d) { d.spacing = -4; }));
    EXPECT_FALSE(cloth([](TClothDef& d) { d.columns = d.rows = 1 << 16; }));
    core::Ref<TAdvBody> strip = cloth([](TClothDef& d) { d.columns = 1, d.rows = 2; });
    ASSERT_TRUE(strip);
    EXPECT_EQ(Constraints(*strip), 1);

    auto jelly = [](auto change) {
        TJellyDef def;
        change(def);
        return BuildJelly(def);
    };
    EXPECT_FALSE(jelly([](TJellyDef& d) { d.rim = 2; }));
    EXPECT_FALSE(jelly([](TJellyDef& d) { d.rim = 0; }));
    EXPECT_FALSE(jelly([](TJellyDef& d) { d.radius = 0; }));
    EXPECT_FALSE(jelly([](TJellyDef& d) { d.radius = -5; }));
    EXPECT_FALSE(jelly([&](TJellyDef& d) { d.innerCompliance = nan; }));
    EXPECT_TRUE(jelly([](TJellyDef& d) { d.rim = 3; }));

    auto blob = [](auto change) {
        TBlobDef def;
        change(def);
        return BuildBlob(def);
    };
    EXPECT_FALSE(blob([](TBlobDef& d) { d.rim = 1; }));
    EXPECT_FALSE(blob([](TBlobDef& d) { d.radius = -1; }));
    EXPECT_FALSE(blob([&](TBlobDef& d) { d.y = std::numeric_limits<float>::infinity(); }));
    EXPECT_FALSE(blob([&](TBlobDef& d) { d.restArea = nan; }));
    EXPECT_TRUE(blob([](TBlobDef& d) { d.rim = 3; }));
}

// ---- In the world ------------------------------------------------------------

TEST_F(Builders, ARopeHangsAndHoldsBetweenItsFrozenEnds) {
    TRopeDef def;
    def.x1 = 100, def.y1 = 100, def.x2 = 300, def.y2 = 100;
    def.count = 21;
    def.freezeStart = def.freezeEnd = true;
    core::Ref<TAdvBody> rope = BuildRope(def);
    rope->Activate();
    for (int step = 0; step < 600; ++step) TPhysics::Update();
    EXPECT_EQ(rope->MassGetX(0), 100.0f);
    EXPECT_EQ(rope->MassGetY(20), 100.0f);
    // It sags a little under its own weight, and has come to rest.
    EXPECT_GT(rope->MassGetY(10), 101);
    EXPECT_LT(rope->MassGetY(10), 130);
    EXPECT_NEAR(rope->MassGetX(10), 200, 0.5);
    EXPECT_LT(rope->MassGetVelocity(10), 0.05f);
    for (int k = 0; k < 20; ++k) EXPECT_LT(rope->ConGetStress(k), 1.1f) << k;
}

class Tearing : public Builders {
  protected:
    static constexpr float kLimit = 1.8f;
    core::Ref<TAdvBody> cloth;
    int torn = 0;

    void SetUp() override {
        Builders::SetUp();
        TClothDef def;
        def.x = 100, def.y = 20, def.columns = 12, def.rows = 10, def.spacing = 10;
        def.material.colGroup = 0;
        cloth = BuildCloth(def);
        cloth->Activate();
    }
    // Runs the steps, tearing after each; `pull` moves the bottom-right
    // corner by that much per step, held fast.
    void Run(int steps, float pull) {
        TMass* corner = cloth->MassGet(9 * 12 + 11);
        if (pull != 0) corner->Freeze();
        for (int step = 0; step < steps; ++step) {
            if (pull != 0 && corner->InWorld())
                corner->Position(std::min(corner->posX + pull, 395.0f),
                                 std::min(corner->posY + pull, 295.0f));
            TPhysics::Update();
            torn += TearStretched(*cloth, kLimit);
        }
    }
};

TEST_F(Tearing, ClothUnderItsLimitKeepsEveryLink) {
    const int before = Constraints(*cloth);
    Run(400, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(Constraints(*cloth), before);
}

TEST_F(Tearing, ClothPulledPastItsLimitLosesLinksAndKeepsTheOthersSlots) {
    const int before = Constraints(*cloth);
    const int last = cloth->ConMaxIndex();
    Run(200, 2);
    EXPECT_GT(torn, 0);
    EXPECT_EQ(Constraints(*cloth), before - torn);
    EXPECT_EQ(cloth->ConMaxIndex(), last);
    EXPECT_EQ(Ends(*cloth, 0), std::make_pair(0, 1));
    for (int i = 0; i <= last; ++i) {
        if (cloth->ConExists(i)) {
            EXPECT_LE(cloth->ConGetStress(i), kLimit) << i;
        }
    }
}

TEST_F(Tearing, NoLimitAtOrBelowRestTearsAnything) {
    cloth->MassMove(100, 0, 30); // stretch a few links
    for (float limit : {1.0f, 0.5f, 0.0f, -2.0f, std::nanf("")})
        EXPECT_EQ(TearStretched(*cloth, limit), 0) << limit;
    EXPECT_GT(TearStretched(*cloth, 1.5f), 0);
}

TEST_F(Builders, PressureNeverTears) {
    TBlobDef def;
    def.x = 200, def.y = 150;
    def.restArea = 10; // the ring holds a hundred times that
    core::Ref<TAdvBody> blob = BuildBlob(def);
    ASSERT_GT(blob->ConGetStress(def.rim), 100);
    EXPECT_EQ(TearStretched(*blob, 2), 0);
    EXPECT_EQ(blob->ConExists(def.rim), 1);
}

// A blob dropped on the world's floor and left to settle; its area over its
// rest area. In stacking mode 0 the in-order solve sets a ring rolling along
// the floor, bobbing over its corners; only mode 2 has to come to rest.
float SettledArea(const TBlobDef& def, int stacking) {
    TPhysics::SetStacking(stacking);
    core::Ref<TAdvBody> blob = BuildBlob(def);
    blob->Activate();
    auto centreY = [&] {
        float sum = 0;
        for (int k = 0; k < def.rim; ++k) sum += blob->MassGetY(k);
        return sum / static_cast<float>(def.rim);
    };
    float before = 0;
    for (int step = 0; step < 600; ++step) {
        before = centreY();
        TPhysics::Update();
    }
    const float floorY = 300;
    EXPECT_GT(centreY(), floorY - def.radius - 5) << "the blob did not reach the floor";
    if (stacking == 2) {
        EXPECT_LT(std::abs(centreY() - before), 0.01f) << "the blob did not settle";
    }
    return blob->ConGetLength(def.rim) / blob->ConGetRestLength(def.rim);
}

class BlobOnTheFloor : public Builders, public ::testing::WithParamInterface<int> {};

TEST_P(BlobOnTheFloor, KeepsItsAreaWithPressureAndSlumpsWithout) {
    TBlobDef def;
    def.x = 200, def.y = 100, def.radius = 30, def.rim = 24;
    def.material.friction = 0.5f;
    const float kept = SettledArea(def, GetParam());
    EXPECT_GT(kept, 0.95f);
    EXPECT_LT(kept, 1.05f);
    def.pressure = 0;
    EXPECT_LT(SettledArea(def, GetParam()), 0.9f);
}

TEST_P(BlobOnTheFloor, KeepsItsAreaWithACompliantPressure) {
    TBlobDef def;
    def.x = 200, def.y = 100, def.radius = 30, def.rim = 24;
    def.pressureCompliance = 0.001f;
    def.material.compliance = 0.0001f;
    const float kept = SettledArea(def, GetParam());
    EXPECT_GT(kept, 0.95f);
    EXPECT_LT(kept, 1.05f);
}

// A jelly dropped on the floor lands without folding: its rim keeps most of
// its area, for either interior and either solver mode.
class JellyOnTheFloor : public Builders,
                        public ::testing::WithParamInterface<std::tuple<int, TJellyDef::Interior>> {
};

TEST_P(JellyOnTheFloor, LandsWithoutFolding) {
    TPhysics::SetStacking(std::get<0>(GetParam()));
    TJellyDef def;
    def.x = 200, def.y = 100, def.radius = 30, def.rim = 16;
    def.interior = std::get<1>(GetParam());
    def.material.radius = 5;
    core::Ref<TAdvBody> jelly = BuildJelly(def);
    auto rimArea = [&] {
        double twice = 0;
        for (int k = 0; k < 16; ++k) {
            const int a = 1 + k, b = 1 + (k + 1) % 16;
            twice += double{jelly->MassGetX(a)} * jelly->MassGetY(b) -
                     double{jelly->MassGetX(b)} * jelly->MassGetY(a);
        }
        return std::abs(twice) / 2;
    };
    const double rest = rimArea();
    jelly->Activate();
    for (int step = 0; step < 400; ++step) TPhysics::Update();
    EXPECT_GT(jelly->MassGetY(0), 250);
    EXPECT_GT(rimArea() / rest, 0.9);
}

INSTANTIATE_TEST_SUITE_P(StackingAndInterior, JellyOnTheFloor,
                         ::testing::Combine(::testing::Values(0, 2),
                                            ::testing::Values(TJellyDef::SPOKES, TJellyDef::MESH)));

INSTANTIATE_TEST_SUITE_P(Stacking, BlobOnTheFloor, ::testing::Values(0, 2));

} // namespace
