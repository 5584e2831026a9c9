// The world's queries against a walk over every mass and zone edge with the
// same exact tests: the grid and the quadtrees may only skip what cannot
// answer. Then the answers themselves on hand-made cases.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "physics/queries/query_geometry.h"
#include "physics/tangle.h"

namespace {

using namespace kel::tangle;
using detail::TQueryBox;
using detail::TRay;

// ---- The reference: every mass of the list, every zone, no shortcuts.

std::vector<TRayHit> ReferenceRay(float x1, float y1, float x2, float y2, const TQueryFilter& f) {
    const TRay ray{x1, y1, x2 - x1, y2 - y1};
    std::vector<TRayHit> hits;
    for (TMass* m : massList->Each<TMass>()) {
        TRayHit h;
        h.mass = m;
        if (detail::FilterPasses(f, m) && detail::RayMeetsDisc(ray, m->posX, m->posY, m->radius, h))
            hits.push_back(h);
    }
    for (TZone* z : zoneList->Each<TZone>()) {
        TRayHit h;
        if (detail::FilterPasses(f, z) && detail::RayMeetsZone(ray, *z, h)) hits.push_back(h);
    }
    std::sort(hits.begin(), hits.end(), detail::HitBefore);
    return hits;
}

struct Found {
    std::vector<TMass*> masses;
    std::vector<TZone*> zones;
    void Sort() {
        std::sort(masses.begin(), masses.end());
        std::sort(zones.begin(), zones.end());
    }
    bool operator==(const Found&) const = default;
};

Found ReferenceBox(float x1, float y1, float x2, float y2, const TQueryFilter& f) {
    const TQueryBox box = TQueryBox::Of(x1, y1, x2, y2);
    Found found;
    for (TMass* m : massList->Each<TMass>())
        if (detail::FilterPasses(f, m) && detail::DiscMeetsBox(m->posX, m->posY, m->radius, box))
            found.masses.push_back(m);
    for (TZone* z : zoneList->Each<TZone>())
        if (detail::FilterPasses(f, z) && detail::ZoneMeetsBox(*z, box)) found.zones.push_back(z);
    found.Sort();
    return found;
}

TMass* ReferenceNearest(float x, float y, float reach, const TQueryFilter& f, float& distance) {
    detail::TNearKey best{};
    bool any = false;
    for (TMass* m : massList->Each<TMass>()) {
        detail::TNearKey key;
        if (detail::FilterPasses(f, m) && detail::NearKeyOf(m, x, y, reach, key) &&
            (!any || key.Before(best))) {
            best = key;
            any = true;
        }
    }
    if (any) distance = best.edge;
    return any ? best.mass : nullptr;
}

// ---- What the queries answer, gathered.

std::vector<TRayHit> AllHits(float x1, float y1, float x2, float y2, const TQueryFilter& f) {
    std::vector<TRayHit> hits;
    TPhysics::RayCastAll(
        x1, y1, x2, y2,
        [&](const TRayHit& h) {
            hits.push_back(h);
            return true;
        },
        f);
    return hits;
}

Found InBox(float x1, float y1, float x2, float y2, const TQueryFilter& f) {
    Found found;
    TPhysics::QueryBox(
        x1, y1, x2, y2,
        [&](TMass* m, TZone* z) {
            if (m) found.masses.push_back(m);
            if (z) found.zones.push_back(z);
            return true;
        },
        f);
    found.Sort();
    return found;
}

Found AtPoint(float x, float y, const TQueryFilter& f) {
    Found found;
    TPhysics::QueryPoint(
        x, y,
        [&](TMass* m, TZone* z) {
            if (m) found.masses.push_back(m);
            if (z) found.zones.push_back(z);
            return true;
        },
        f);
    found.Sort();
    return found;
}

bool SameHit(const TRayHit& a, const TRayHit& b) {
    return a.mass == b.mass && a.zone == b.zone && a.edge == b.edge && a.fraction == b.fraction &&
           a.x == b.x && a.y == b.y && a.normalX == b.normalX && a.normalY == b.normalY;
}

// ---- A random world: masses everywhere, some on cell borders, some outside
// the bounds, some never in the world; four zones of every style, moved,
// turned and scaled.

constexpr float kW = 400, kH = 300;

class RandomWorld {
  public:
    // With a cell size, the grid is one of any size (SetCellSize).
    RandomWorld(unsigned seed, int gridSize, int gridOn, float cellSize = 0) : rng_(seed) {
        TPhysics::Free();
        TPhysics::Create(kW, kH, 0, 0, 1);
        TPhysics::SetGridSize(gridSize);
        TPhysics::UseShiftedGrid(gridOn);
        TPhysics::SetCellSize(cellSize);
        const float cell =
            cellSize > 0 ? cellSize : std::fmin(kW, kH) / static_cast<float>(gridSize);
        const float sideX = cellSize > 0 ? cellSize : kW / static_cast<float>(gridSize),
                    sideY = cellSize > 0 ? cellSize : kH / static_cast<float>(gridSize);
        for (int k = 0; k < 160; ++k) {
            float x = U(-20, kW + 20), y = U(-20, kH + 20);
            // A quarter sit exactly on a cell border along one axis or both.
            if (k % 4 == 0) x = std::floor(x / sideX) * sideX;
            if (k % 8 == 0) y = std::floor(y / sideY) * sideY;
            const float r = k % 10 == 0 ? 0.0f : U(0.5f, cell * 0.4f);
            const int group = k % 7 == 0 ? 0 : (k % 3 == 0 ? -3 : -1);
            core::Ref<TMass> m = TMass::Create(x, y, 1, r, 0.5f, group);
            if (k % 16 != 5) m->AddRef(); // a few never enter the world
            masses_.push_back(m);
        }
        // A twin on one mass: same place, same size, ties broken by list order.
        core::Ref<TMass> twin =
            TMass::Create(masses_[1]->posX, masses_[1]->posY, 1, masses_[1]->radius, 0.5f, -1);
        twin->AddRef();
        masses_.push_back(twin);

        zones_.push_back(TZone::Create({0, 0, 60, 10, 40, 50, -10, 30}, TZone::FILL, 0, -1, 5));
        zones_.back()->Position(U(50, 300), U(50, 200));
        zones_.back()->Rotate(U(0, 360));
        zones_.push_back(TZone::Create({0, 0, 80, 0, 80, 60}, TZone::LOOP, 0, -3, 4));
        zones_.back()->Position(U(50, 300), U(50, 200));
        zones_.back()->SetScale(1.5f, 0.75f);
        zones_.push_back(TZone::Create({0, 0, 50, 20, 90, 0, 120, 40}, TZone::LINE, 0, -1, 4));
        zones_.back()->Position(U(20, 250), U(20, 250));
        zones_.push_back(TZone::Create({10, 10, kW - 10, 10, kW - 10, kH - 10, 10, kH - 10},
                                       TZone::HOLE, 0, 0, 6));
    }
    ~RandomWorld() {
        for (auto& m : masses_)
            while (m->refCounter > 0) m->SubRef();
        TPhysics::Free();
    }

    float U(float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng_); }
    int I(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
    TMass& AnyMass() { return *masses_[static_cast<std::size_t>(I(0, 160))]; }
    TZone& AnyZone() { return *zones_[static_cast<std::size_t>(I(0, 3))]; }

    // A point: anywhere, on a mass's centre or edge, on a zone's vertex or
    // edge, or on a cell border.
    void Point(float& x, float& y) {
        switch (I(0, 4)) {
        case 0: {
            TMass& m = AnyMass();
            const float a = U(0, 6.3f);
            const float along = I(0, 1) ? 0.0f : m.radius;
            x = m.posX + along * std::cos(a);
            y = m.posY + along * std::sin(a);
            return;
        }
        case 1: {
            TZone& z = AnyZone();
            const int n = static_cast<int>(z.area.size() / 2), k = I(0, n - 1), j = (k + 1) % n;
            const float t = I(0, 1) ? 0.0f : U(0, 1);
            x = z.offsetX + z.area[2 * k] + t * (z.area[2 * j] - z.area[2 * k]);
            y = z.offsetY + z.area[2 * k + 1] + t * (z.area[2 * j + 1] - z.area[2 * k + 1]);
            return;
        }
        case 2:
            x = static_cast<float>(I(0, 8)) * kW / 8;
            y = static_cast<float>(I(0, 8)) * kH / 8;
            return;
        default:
            x = U(-50, kW + 50);
            y = U(-50, kH + 50);
        }
    }

    // A filter: none, a group, or a predicate on masses and zones.
    TQueryFilter Filter(int kind) {
        TQueryFilter f;
        if (kind == 1) f = TQueryFilter::Group(I(0, 1) ? -3 : 7);
        if (kind == 2) {
            f.massTest = oddMasses_;
            f.zoneTest = notLoops_;
        }
        if (kind == 3) f.zones = false;
        return f;
    }

  private:
    std::mt19937 rng_;
    std::vector<core::Ref<TMass>> masses_;
    std::vector<core::Ref<TZone>> zones_;
    // Named, so that filters may refer to them.
    std::function<bool(TMass*)> oddMasses_ = [](TMass* m) {
        return static_cast<int>(m->posX * 7) % 2 != 0;
    };
    std::function<bool(TZone*)> notLoops_ = [](TZone* z) { return z->style != TZone::LOOP; };
};

struct Tally {
    int cases = 0, nonEmpty = 0;
};

void CheckRay(RandomWorld& world, const TQueryFilter& f, float x1, float y1, float x2, float y2,
              Tally& tally) {
    const std::vector<TRayHit> want = ReferenceRay(x1, y1, x2, y2, f);
    const std::vector<TRayHit> got = AllHits(x1, y1, x2, y2, f);
    ++tally.cases;
    if (!want.empty()) ++tally.nonEmpty;
    ASSERT_EQ(got.size(), want.size()) << x1 << "," << y1 << " -> " << x2 << "," << y2;
    for (std::size_t k = 0; k < got.size(); ++k) ASSERT_TRUE(SameHit(got[k], want[k])) << k;
    TRayHit first;
    first.fraction = -7;
    const bool hit = TPhysics::RayCast(x1, y1, x2, y2, first, f);
    ASSERT_EQ(hit, !want.empty());
    if (hit)
        EXPECT_TRUE(SameHit(first, want[0]));
    else
        EXPECT_EQ(first.fraction, -7); // left as it was
    (void)world;
}

void CheckWorld(unsigned seed, int gridSize, int gridOn, int steps, float cellSize = 0) {
    RandomWorld world(seed, gridSize, gridOn, cellSize);
    // Stepped worlds leave masses a little off the cells they were put in.
    TPhysics::SetGravity(0, 0.05f);
    for (int s = 0; s < steps; ++s) TPhysics::Update();
    Tally rays, boxes, points, nearest;
    for (int c = 0; c < 300; ++c) {
        const TQueryFilter f = world.Filter(c % 4);
        float x1, y1, x2, y2;
        world.Point(x1, y1);
        world.Point(x2, y2);
        switch (c % 5) {
        case 0: // zero length
            x2 = x1, y2 = y1;
            break;
        case 1: { // along a zone's edge, past both ends
            TZone& z = world.AnyZone();
            const int n = static_cast<int>(z.area.size() / 2), k = world.I(0, n - 2);
            const float ax = z.offsetX + z.area[2 * k], ay = z.offsetY + z.area[2 * k + 1];
            const float bx = z.offsetX + z.area[2 * k + 2], by = z.offsetY + z.area[2 * k + 3];
            x1 = ax - (bx - ax) * 0.5f, y1 = ay - (by - ay) * 0.5f;
            x2 = bx + (bx - ax) * 0.5f, y2 = by + (by - ay) * 0.5f;
            break;
        }
        case 2: // across the whole world
            x1 = world.U(-30, kW + 30), y1 = -30, x2 = world.U(-30, kW + 30), y2 = kH + 30;
            break;
        default:
            break;
        }
        ASSERT_NO_FATAL_FAILURE(CheckRay(world, f, x1, y1, x2, y2, rays));

        // Boxes: small, large, larger than the world, one point.
        float bx1, by1, bx2, by2;
        world.Point(bx1, by1);
        const float size = c % 7 == 0 ? 1000.0f : (c % 3 == 0 ? 0.0f : world.U(0, 60));
        bx2 = bx1 + (c % 2 ? size : -size);
        by2 = by1 + (c % 4 < 2 ? size : -size);
        const Found wantBox = ReferenceBox(bx1, by1, bx2, by2, f);
        ASSERT_EQ(InBox(bx1, by1, bx2, by2, f), wantBox);
        ++boxes.cases;
        if (!wantBox.masses.empty() || !wantBox.zones.empty()) ++boxes.nonEmpty;

        float px, py;
        world.Point(px, py);
        const Found wantPoint = ReferenceBox(px, py, px, py, f);
        ASSERT_EQ(AtPoint(px, py, f), wantPoint);
        ++points.cases;
        if (!wantPoint.masses.empty()) ++points.nonEmpty;

        const float reach = c % 9 == 0 ? 1e6f : (c % 9 == 1 ? -world.U(0, 3) : world.U(0, 40));
        float wantD = -99, gotD = -99;
        TMass* want = ReferenceNearest(px, py, reach, f, wantD);
        TMass* got = TPhysics::NearestMass(px, py, reach, gotD, f);
        ASSERT_EQ(got, want) << px << "," << py << " reach " << reach;
        EXPECT_EQ(gotD, wantD);
        ++nearest.cases;
        if (want) ++nearest.nonEmpty;
    }
    // Enough cases found something for the agreement to mean anything.
    EXPECT_GT(rays.nonEmpty, rays.cases / 3);
    EXPECT_GT(boxes.nonEmpty, boxes.cases / 3);
    EXPECT_GT(points.nonEmpty, points.cases / 20);
    EXPECT_GT(nearest.nonEmpty, nearest.cases / 3);
}

TEST(QueryAgreement, GridOnMatchesEveryShapeWalk) {
    for (unsigned seed = 1; seed <= 6; ++seed)
        for (int grid : {8, 16, 64}) ASSERT_NO_FATAL_FAILURE(CheckWorld(seed, grid, 1, 0));
}

TEST(QueryAgreement, SteppedWorldsMatchToo) {
    for (unsigned seed = 11; seed <= 14; ++seed)
        for (int grid : {8, 32}) ASSERT_NO_FATAL_FAILURE(CheckWorld(seed, grid, 1, 5));
}

// Cells of any size: fewer cells than a large box or reach covers (which
// walks the cells there are), many more, and cells wider than a third of
// the world (not stepped: its discs, up to 60 wide and piled on each other,
// are pushed further than the half cell the queries allow for).
TEST(QueryAgreement, CellsOfAnySizeMatchEveryShapeWalk) {
    for (unsigned seed = 31; seed <= 34; ++seed)
        for (float cell : {4.0f, 11.0f, 150.0f}) {
            const int steps = seed % 2 && cell < 100 ? 5 : 0;
            ASSERT_NO_FATAL_FAILURE(CheckWorld(seed, 8, 1, steps, cell)) << cell << " " << seed;
        }
}

TEST(QueryAgreement, GridOffWalksEveryMass) {
    for (unsigned seed = 21; seed <= 23; ++seed) ASSERT_NO_FATAL_FAILURE(CheckWorld(seed, 8, 0, 0));
}

// ---- The answers themselves.

class QueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TPhysics::Free();
        TPhysics::Create(200, 200, 0, 0, 1);
        TPhysics::SetGridSize(8); // cells of 25: masses up to radius 12.5
        TPhysics::UseShiftedGrid(1);
    }
    void TearDown() override {
        for (auto& m : masses)
            while (m->refCounter > 0) m->SubRef();
        TPhysics::Free();
    }
    TMass* Ball(float x, float y, float r, int group = -1) {
        masses.push_back(TMass::Create(x, y, 1, r, 0.5f, group));
        masses.back()->AddRef();
        return masses.back();
    }
    std::vector<core::Ref<TMass>> masses;
};

TEST_F(QueryTest, RayMeetsTheNearSideOfADiscWithItsNormal) {
    TMass* far = Ball(150, 100, 5);
    TMass* near = Ball(100, 100, 5);
    TRayHit hit;
    ASSERT_TRUE(TPhysics::RayCast(0, 100, 200, 100, hit));
    EXPECT_EQ(hit.mass, near);
    EXPECT_FLOAT_EQ(hit.x, 95);
    EXPECT_FLOAT_EQ(hit.fraction, 95.0f / 200);
    EXPECT_FLOAT_EQ(hit.normalX, -1);
    EXPECT_FLOAT_EQ(hit.normalY, 0);
    // Every hit, in order; a visitor that stops ends the walk.
    std::vector<TMass*> order;
    EXPECT_EQ(TPhysics::RayCastAll(0, 100, 200, 100,
                                   [&](const TRayHit& h) {
                                       order.push_back(h.mass);
                                       return true;
                                   }),
              2);
    EXPECT_EQ(order, (std::vector<TMass*>{near, far}));
    EXPECT_EQ(TPhysics::RayCastAll(0, 100, 200, 100, [](const TRayHit&) { return false; }), 1);
    // A grazing ray touches; one a hair off misses.
    EXPECT_TRUE(TPhysics::RayCast(0, 95, 200, 95, hit));
    EXPECT_FALSE(TPhysics::RayCast(0, 94.99f, 200, 94.99f, hit));
}

TEST_F(QueryTest, RayFromInsideADiscHitsItAtItsStart) {
    TMass* m = Ball(100, 100, 10);
    TRayHit hit;
    ASSERT_TRUE(TPhysics::RayCast(104, 103, 180, 103, hit));
    EXPECT_EQ(hit.mass, m);
    EXPECT_EQ(hit.fraction, 0);
    EXPECT_FLOAT_EQ(hit.normalX, 0.8f); // from the centre through the start
    EXPECT_FLOAT_EQ(hit.normalY, 0.6f);
    // From the very centre there is no direction.
    ASSERT_TRUE(TPhysics::RayCast(100, 100, 100, 100, hit));
    EXPECT_EQ(hit.normalX, 0);
    EXPECT_EQ(hit.normalY, 0);
    // A zero-length ray outside meets nothing.
    EXPECT_FALSE(TPhysics::RayCast(120, 100, 120, 100, hit));
}

TEST_F(QueryTest, RayHitsZoneEdgesFacingItsStart) {
    core::Ref<TZone> box = TZone::Create({0, 0, 40, 0, 40, 40, 0, 40}, TZone::FILL, 0, -1, 4);
    box->Position(80, 80);
    TRayHit hit;
    ASSERT_TRUE(TPhysics::RayCast(100, 10, 100, 190, hit));
    EXPECT_EQ(hit.zone, box.Get()) << hit.mass << " " << hit.fraction << " " << hit.y;
    EXPECT_EQ(hit.edge, 0);
    EXPECT_FLOAT_EQ(hit.y, 80);
    EXPECT_FLOAT_EQ(hit.normalY, -1);
    // From inside the solid the ray meets the edge it leaves by.
    ASSERT_TRUE(TPhysics::RayCast(100, 100, 100, 190, hit));
    EXPECT_FLOAT_EQ(hit.y, 120);
    EXPECT_FLOAT_EQ(hit.normalY, -1);
    // Along an edge: first where they overlap.
    ASSERT_TRUE(TPhysics::RayCast(60, 80, 190, 80, hit));
    EXPECT_FLOAT_EQ(hit.x, 80);
    box->Free();
    EXPECT_FALSE(TPhysics::RayCast(100, 10, 100, 190, hit)); // out of the world
}

TEST_F(QueryTest, ZonesHoldPointsByTheirMatter) {
    const std::vector<float> square{50, 50, 150, 50, 150, 150, 50, 150};
    core::Ref<TZone> fill = TZone::Create(square, TZone::FILL, 0, -1, 4);
    core::Ref<TZone> hole = TZone::Create(square, TZone::HOLE, 0, -1, 4);
    core::Ref<TZone> loop = TZone::Create(square, TZone::LOOP, 0, -1, 4);
    core::Ref<TZone> line = TZone::Create(square, TZone::LINE, 0, -1, 4);
    auto zonesAt = [](float x, float y) {
        std::vector<TZone*> found;
        TPhysics::QueryPoint(x, y, [&](TMass*, TZone* z) {
            found.push_back(z);
            return true;
        });
        return found;
    };
    EXPECT_EQ(zonesAt(100, 100), (std::vector<TZone*>{fill}));
    EXPECT_EQ(zonesAt(10, 10), (std::vector<TZone*>{hole}));
    EXPECT_EQ(zonesAt(500, -300), (std::vector<TZone*>{hole})); // far beyond its tree
    // The outline belongs to all four; the LINE has no closing edge.
    EXPECT_EQ(zonesAt(100, 50), (std::vector<TZone*>{fill, hole, loop, line}));
    EXPECT_EQ(zonesAt(50, 100), (std::vector<TZone*>{fill, hole, loop}));
    // A box inside the LOOP but clear of its outline meets only the FILL.
    std::vector<TZone*> inBox;
    TPhysics::QueryBox(60, 60, 140, 140, [&](TMass*, TZone* z) {
        inBox.push_back(z);
        return true;
    });
    EXPECT_EQ(inBox, (std::vector<TZone*>{fill}));
}

TEST_F(QueryTest, FiltersActAsAGroupOrAPredicate) {
    TMass* a = Ball(100, 100, 10, -5);
    TMass* b = Ball(105, 100, 10, -6);
    TMass* none = Ball(95, 100, 10, 0);
    auto massesAt = [](const TQueryFilter& f) {
        std::vector<TMass*> found;
        TPhysics::QueryPoint(
            100, 100,
            [&](TMass* m, TZone*) {
                found.push_back(m);
                return true;
            },
            f);
        std::sort(found.begin(), found.end());
        return found;
    };
    std::vector<TMass*> all{a, b, none}, notFive{b};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(massesAt({}), all);
    EXPECT_EQ(massesAt(TQueryFilter::Group(-5)), notFive); // own group and group 0 left out
    EXPECT_TRUE(massesAt(TQueryFilter::Group(0)).empty()); // group 0 collides with nothing
    auto onlyA = [&](TMass* m) { return m == a; };
    EXPECT_EQ(massesAt(TQueryFilter::Masses(onlyA)), std::vector<TMass*>{a});
}

TEST_F(QueryTest, OnlyMassesOfTheWorldAreFoundAsleepOrAwake) {
    TMass* in = Ball(100, 100, 5);
    core::Ref<TMass> out = TMass::Create(100, 100, 1, 5, 0.5f, -1);
    out->AddToGrid(); // in a cell, but not in the world's list
    float d = 0;
    EXPECT_EQ(TPhysics::NearestMass(100, 100, 1, d), in);
    EXPECT_EQ(d, -5);
    int found = TPhysics::QueryPoint(100, 100, [](TMass*, TZone*) { return true; });
    EXPECT_EQ(found, 1);

    TPhysics::SetGravity(0, 0);
    TPhysics::SetSleep(0.01f, 2);
    for (int s = 0; s < 10; ++s) TPhysics::Update();
    ASSERT_EQ(in->IsAwake(), 0);
    EXPECT_EQ(TPhysics::NearestMass(100, 100, 1, d), in);
}

TEST_F(QueryTest, NearestMassMeasuresToTheEdgeAndBreaksTiesByCentreThenList) {
    TMass* big = Ball(108, 100, 12);  // edge 10 from (130, 100)
    TMass* small = Ball(141, 100, 1); // edge 10 too, centre nearer
    float d = 0;
    EXPECT_EQ(TPhysics::NearestMass(130, 100, 10, d), small);
    EXPECT_FLOAT_EQ(d, 10);
    EXPECT_EQ(TPhysics::NearestMass(130, 100, 9.5f, d), nullptr);
    EXPECT_FLOAT_EQ(d, 10); // unchanged
    // Two alike at one distance: the earlier in the world's list.
    TMass* left = Ball(60, 50, 3);
    TMass* right = Ball(40, 50, 3);
    EXPECT_EQ(TPhysics::NearestMass(50, 50, 100, d), left);
    (void)big;
    (void)right;
    // Without a world nothing is found.
    TPhysics::Free();
    EXPECT_EQ(TPhysics::NearestMass(50, 50, 100, d), nullptr);
    TRayHit hit;
    EXPECT_FALSE(TPhysics::RayCast(0, 0, 100, 100, hit));
}

// The game picks the blob whose centre is nearest to a click, the lower
// slot on ties, within 10 units, with a loop of its own; NearestMass with a
// reach of 10 must pick the same among masses of one radius, ties included.
TEST_F(QueryTest, NearestMassAmongEqualRadiiIsTheNearestCentreThenTheEarlier) {
    std::vector<TMass*> blobs;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) blobs.push_back(Ball(40 + 20.0f * c, 40 + 20.0f * r, 11));
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(20, 160);
    int ties = 0, found = 0;
    for (int q = 0; q < 4000; ++q) {
        // Every other point halfway between two blobs: an exact tie.
        float x = u(rng), y = u(rng);
        if (q % 2) {
            x = 50 + 20.0f * static_cast<float>(q % 5);
            y = 40 + 20.0f * static_cast<float>(q % 6) + static_cast<float>(q % 7);
        }
        int best = -1;
        float bestD = 1e6f;
        for (std::size_t i = 0; i < blobs.size(); ++i) {
            const float dx = x - blobs[i]->posX, dy = y - blobs[i]->posY;
            const float d = dx * dx + dy * dy;
            if (d == bestD) ++ties;
            if (d < bestD) best = static_cast<int>(i), bestD = d;
        }
        float edge = 0;
        TMass* got = TPhysics::NearestMass(x, y, 10, edge);
        TMass* want = bestD <= 100 ? blobs[static_cast<std::size_t>(best)] : nullptr;
        const float dx = got ? x - got->posX : 0, dy = got ? y - got->posY : 0;
        if (got && dx * dx + dy * dy > 100) got = nullptr; // the game's own reach test
        ASSERT_EQ(got, want) << x << "," << y;
        if (want) ++found;
    }
    EXPECT_GT(ties, 100);
    EXPECT_GT(found, 1000);
}

TEST_F(QueryTest, EndlessRegionsReachEveryCell) {
    TMass* far = Ball(190, 190, 3);
    Ball(-50, -50, 3); // beyond the bounds, in the first cell
    const float inf = std::numeric_limits<float>::infinity();
    float d = 0;
    EXPECT_EQ(TPhysics::NearestMass(180, 185, inf, d), far);
    EXPECT_EQ(TPhysics::QueryBox(-inf, -inf, inf, inf, [](TMass*, TZone*) { return true; }), 2);
}

TEST_F(QueryTest, AVisitorMayAskAgain) {
    Ball(50, 100, 5);
    Ball(100, 100, 5);
    Ball(150, 100, 5);
    int inner = 0;
    const int outer = TPhysics::RayCastAll(0, 100, 200, 100, [&](const TRayHit& h) {
        TRayHit again;
        if (TPhysics::RayCast(h.x, 0, h.x, 200, again)) ++inner;
        return true;
    });
    EXPECT_EQ(outer, 3);
    EXPECT_EQ(inner, 3);
}

TEST_F(QueryTest, ProceduralFormsForward) {
    TMass* m = Ball(100, 100, 5);
    TRayHit hit;
    EXPECT_TRUE(WorldRayCast(0, 100, 200, 100, hit, {}));
    EXPECT_EQ(hit.mass, m);
    float d = 0;
    EXPECT_EQ(WorldNearestMass(100, 110, 10, d, {}), m);
    EXPECT_EQ(WorldQueryBox(0, 0, 200, 200, [](TMass*, TZone*) { return true; }, {}), 1);
    EXPECT_EQ(WorldQueryPoint(100, 100, [](TMass*, TZone*) { return true; }, {}), 1);
    EXPECT_EQ(WorldRayCastAll(0, 100, 200, 100, [](const TRayHit&) { return true; }, {}), 1);
}

} // namespace
