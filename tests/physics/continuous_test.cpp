// Continuous collision: fast masses shot at thin obstacles never end a step
// on the far side, whatever their speed and angle; a bullet does not cross a
// chain; and masses that stop being finite inside a step are taken out.

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/hook.h"
#include "physics/zones/zone_boxes.h"
#include "physics/tangle.h"
#include "tests/physics/scene.h"

namespace {

using namespace kel::tangle;
using scene::PhysicsTest;

constexpr float kWallX = 1000;
constexpr float kRadius = 4;

// A world without gravity, wide enough for a shot of 500 units a step.
void MakeWorld(bool continuous) {
    TPhysics::Free();
    TColEvent::Flush();
    TWorldDef def;
    def.right = 4000;
    def.bottom = 2000;
    def.gravityY = 0;
    def.continuous = continuous;
    TPhysics::Create(def);
}

// An obstacle across the line x = kWallX; `beyond` tells whether a centre
// has crossed it, `step` moves it between steps.
struct Obstacle {
    std::string name;
    std::function<void()> make;
    std::function<bool(float x, float y)> beyond = [](float x, float) { return x > kWallX; };
    std::function<void(int step)> step = [](int) {};
};

core::Ref<TZone> turning;
std::vector<core::Ref<TMass>> wall;

std::vector<Obstacle> Obstacles() {
    const int group = 5;
    auto zone = [group](std::vector<float> v, int style) {
        return [v, style, group] { TZone::Create(v, style, 0.5f, group, 6); };
    };
    std::vector<Obstacle> all;
    all.push_back({"LINE", zone({kWallX, 0, kWallX, 2000}, TZone::LINE)});
    all.push_back({"LOOP", zone({kWallX, 0, kWallX + 300, 0, kWallX + 300, 2000, kWallX, 2000},
                                TZone::LOOP)});
    all.push_back({"FILL 4 thick",
                   zone({kWallX, 0, kWallX + 4, 0, kWallX + 4, 2000, kWallX, 2000}, TZone::FILL)});
    all.push_back({"HOLE", zone({-10, -10, kWallX, -10, kWallX, 2010, -10, 2010}, TZone::HOLE)});
    // A thin bar turning to and fro about its middle, its line through
    // (kWallX, 1000); what slides off its ends is not beyond it. It turns
    // slowly: a zone that itself moves farther than a mass's radius in a
    // step can still jump over the mass.
    Obstacle turn{"turning FILL", [group] {
                      turning = TZone::Create({-2, -600, 2, -600, 2, 600, -2, 600}, TZone::FILL,
                                              0.5f, group, 6);
                      turning->Position(kWallX, 1000);
                  }};
    turn.beyond = [](float x, float y) {
        const double a = turning->GetRotation() * 3.14159265358979 / 180;
        // The bar's long axis turned by a; its normal points to +x at a = 0.
        const double across = (x - kWallX) * std::cos(a) + (y - 1000) * std::sin(a);
        const double along = -(x - kWallX) * std::sin(a) + (y - 1000) * std::cos(a);
        return across > 0 && std::fabs(along) < 600 - kRadius;
    };
    turn.step = [](int s) { turning->Rotate(static_cast<float>(((s % 8) - 4) * 0.25)); };
    all.push_back(turn);
    Obstacle frozen{"frozen masses", [group] {
                        wall.clear();
                        for (float y = 0; y <= 2000; y += 2 * kRadius) {
                            wall.push_back(scene::Enter(kWallX, y, kRadius, group));
                            wall.back()->Freeze();
                        }
                    }};
    all.push_back(frozen);
    return all;
}

// Shoots a mass at the obstacle: true when it never ended a step beyond it.
bool Holds(const Obstacle& o, float speed, float degrees, bool continuous) {
    MakeWorld(continuous);
    o.make();
    const double a = degrees * 3.14159265358979 / 180;
    const float vx = static_cast<float>(speed * std::cos(a));
    const float vy = static_cast<float>(speed * std::sin(a));
    // Reaches the obstacle in its third step, at a speed-dependent phase.
    const float startX = kWallX - 2 * kRadius - 2.37f * vx;
    const float startY = 1000 - 2.37f * vy + 40;
    core::Ref<TMass> m = scene::Enter(startX, startY, kRadius, 1);
    m->SetVelocity(vx, vy);
    for (int s = 0; s < 8; ++s) {
        o.step(s);
        TPhysics::Update();
        if (o.beyond(m->GetX(), m->GetY())) return false;
    }
    turning = nullptr;
    wall.clear();
    return true;
}

class ContinuousTest : public PhysicsTest {
  protected:
    void TearDown() override {
        turning = nullptr;
        wall.clear();
        PhysicsTest::TearDown();
    }
};

TEST_F(ContinuousTest, FastMassesNeverEndBeyondThinObstacles) {
    for (const Obstacle& o : Obstacles()) {
        int throughWithout = 0;
        for (float speed : {4.f, 8.f, 12.f, 16.f, 24.f, 50.f, 100.f, 200.f, 500.f}) {
            for (float degrees : {0.f, 10.f, 45.f}) {
                EXPECT_TRUE(Holds(o, speed, degrees, true))
                    << o.name << " at " << speed << " units a step, " << degrees << " degrees";
                if (!Holds(o, speed, degrees, false)) ++throughWithout;
            }
        }
        // The shots are fast enough to matter: without sweeping, most pass
        // (but nothing passes a HOLE's matter, which has no far side).
        if (o.name != "HOLE") {
            EXPECT_GT(throughWithout, 10) << o.name;
        }
    }
}

// A disc left touching a line by the last step starts at the radius only to
// rounding: its distance to the edge may round above the radius where its
// distance along the normal rounds to it. Heading through, it must still be
// stopped (it once went through, the two roundings disagreeing).
TEST_F(ContinuousTest, ADiscThatStartsTouchingAnEdgeIsStoppedHeadingThrough) {
    core::Ref<TZone> line = TZone::Create({100, 900, 1500, 950}, TZone::LINE, 0.3f, -1, 6);
    const float x = 263.165833f, y = 902.825439f;
    const TSweptDisc path{x, y, 269.204895f - x, 907.601624f - y, 3};
    TTouch touch;
    EXPECT_EQ(line->FirstTouch(path, touch), TSweepFound::Touch);
    EXPECT_LE(touch.t, 0.5f);
    // And sliding along it, it is not stopped.
    const TSweptDisc slide{x, y, 28, 1, 3};
    TTouch none;
    EXPECT_NE(line->FirstTouch(slide, none), TSweepFound::Touch);
}

TEST_F(ContinuousTest, AStoppedMassSlidesOnAndRaisesItsEvents) {
    MakeWorld(true);
    core::Ref<TZone> floor = TZone::Create({0, 500, 4000, 500}, TZone::LINE, 0, 5, 6);
    core::Ref<TMass> m = scene::Enter(100, 400, kRadius, 1);
    m->SetVelocity(30, 150);
    scene::HookCounter events;
    TPhysics::Update();
    // Stopped on the line, where it touched, and sliding on along it.
    EXPECT_NEAR(m->GetY(), 500 - kRadius, 1e-3);
    EXPECT_GT(m->GetX(), 110);
    EXPECT_GE(events.seen, 1);
    for (int s = 0; s < 30; ++s) TPhysics::Update();
    EXPECT_LT(m->GetY(), 500);
}

TEST_F(ContinuousTest, ABulletCannotCrossAChainOfRestingMasses) {
    for (bool bullet : {true, false}) {
        MakeWorld(true);
        // A chain hanging still across the bullet's way: free masses, each
        // tied to the next, the ends frozen.
        std::vector<core::Ref<TMass>> chain;
        std::vector<core::Ref<TConstraint>> links;
        for (float y = 600; y <= 1400; y += 2 * kRadius) {
            chain.push_back(TMass::Create(kWallX, y, 1, kRadius, 0, 5));
            if (chain.size() > 1) {
                links.push_back(TConstraint::Create(chain[chain.size() - 2].Get(),
                                                    chain.back().Get(), 2 * kRadius, 1));
                links.back()->AddRef();
            }
        }
        chain.front()->Freeze();
        chain.back()->Freeze();
        core::Ref<TMass> m = scene::Enter(kWallX - 300, 1003, kRadius, 1);
        m->SetBullet(bullet ? 1 : 0);
        m->SetVelocity(150, 0);
        bool crossed = false;
        for (int s = 0; s < 6; ++s) {
            TPhysics::Update();
            // The chain's mass it meets may be pushed on, but the bullet
            // stays behind the chain.
            float chainX = 1e9f;
            for (const auto& c : chain)
                if (std::fabs(c->GetY() - m->GetY()) < 2 * kRadius)
                    chainX = std::fmin(chainX, c->GetX());
            if (chainX < 1e9f && m->GetX() > chainX) crossed = true;
        }
        if (bullet)
            EXPECT_FALSE(crossed);
        else
            EXPECT_TRUE(crossed) << "the chain stops only bullets";
        TPhysics::Free();
    }
}

TEST_F(ContinuousTest, SlowMassesStepAsWithoutIt) {
    // A mass that never moves half its radius in a pass is never swept: the
    // step is the same bit for bit.
    std::vector<float> places[2];
    for (int on = 0; on < 2; ++on) {
        MakeWorld(on != 0);
        TPhysics::SetGravity(0, 0.05f);
        core::Ref<TZone> floor = scene::Floor(4000, 300);
        std::vector<core::Ref<TMass>> pile;
        for (int k = 0; k < 40; ++k)
            pile.push_back(scene::Enter(100 + 7.5f * static_cast<float>(k % 10),
                                        280 - 8 * static_cast<float>(k / 10), kRadius, -1));
        for (int s = 0; s < 120; ++s) TPhysics::Update();
        for (const auto& m : pile) places[on].insert(places[on].end(), {m->GetX(), m->GetY()});
        TPhysics::Free();
    }
    EXPECT_EQ(places[0], places[1]);
}

// A hook that writes what is not a number into the first mass it meets.
core::Ref<core::Object> Poison(int, core::Object* data, core::Object*) {
    if (auto* e = core::As<TColEvent>(data)) {
        if (TMass* m = e->obj1.Get()) m->posX = NAN;
    }
    return data;
}

TEST_F(ContinuousTest, AMassThatStopsBeingFiniteIsTakenOutAndCounted) {
    MakeWorld(true);
    core::Ref<TZone> floor = scene::Floor(4000, 300);
    core::Ref<TMass> m = scene::Enter(100, 298, kRadius, 1); // in the floor
    core::Ref<TMass> other = scene::Enter(200, 200, kRadius, 2);
    TPhysics::SetGravity(0, 0.1f);
    EXPECT_EQ(TPhysics::NonFiniteCount(), 0);
    core::AddHook(TColEvent::colHookId, Poison);
    TPhysics::Update();
    core::RemoveHook(TColEvent::colHookId, Poison);
    EXPECT_EQ(TPhysics::NonFiniteCount(), 1);
    EXPECT_TRUE(std::isfinite(m->GetX()) && std::isfinite(m->GetY()));
    EXPECT_EQ(m->IsFrozen(), 1);
    EXPECT_NEAR(m->GetX(), 100, 1);
    // The others go on as ever.
    EXPECT_EQ(other->IsFrozen(), 0);
    for (int s = 0; s < 10; ++s) TPhysics::Update();
    EXPECT_EQ(TPhysics::NonFiniteCount(), 1);
    EXPECT_GT(other->GetY(), 200);

    // Written straight into the fields between steps: taken out at the next.
    core::Ref<TMass> third = scene::Enter(300, 100, kRadius, 3);
    third->oldPosY = INFINITY;
    TPhysics::Update();
    TPhysics::Update();
    EXPECT_EQ(TPhysics::NonFiniteCount(), 2);
    EXPECT_TRUE(std::isfinite(third->GetY()));
    EXPECT_EQ(third->IsFrozen(), 1);
}

TEST_F(ContinuousTest, TheSettingFollowsTheWorld) {
    TPhysics::Create(640, 480, 0.1f, 0, 4);
    EXPECT_EQ(TPhysics::GetContinuous(), 0) << "the positional Create keeps the old step";
    TPhysics::SetContinuous(5);
    EXPECT_EQ(TPhysics::GetContinuous(), 1);
    TPhysics::Create(TWorldDef{});
    EXPECT_EQ(TPhysics::GetContinuous(), 1) << "a definition turns it on";
    TPhysics::Free();
    EXPECT_EQ(TPhysics::GetContinuous(), 0);
}

TEST_F(ContinuousTest, SnapshotsAndWorldFilesKeepTheSettingAndTheBullets) {
    MakeWorld(true);
    core::Ref<TMass> m = scene::Enter(100, 100, kRadius, 1);
    m->SetBullet(1);
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot();
    const std::string path = ::testing::TempDir() + "continuous_world.tnw";
    TPhysics::SaveWorld(path, 0);
    TPhysics::SetContinuous(0);
    m->SetBullet(0);
    ASSERT_EQ(TPhysics::RestoreSnapshot(snapshot.Get()), 0);
    EXPECT_EQ(TPhysics::GetContinuous(), 1);
    EXPECT_EQ(m->IsBullet(), 1);

    TPhysics::Create(640, 480, 0.1f, 0, 4);
    ASSERT_TRUE(TPhysics::LoadWorld(path));
    EXPECT_EQ(TPhysics::GetContinuous(), 1);
    ASSERT_EQ(massList->Count(), 1);
    EXPECT_EQ(core::As<TMass>(massList->FirstLink()->Value())->IsBullet(), 1);
}

} // namespace

namespace {

// A spray of fast masses among thin zones and a wall of frozen masses, on n
// threads: every place after 60 steps.
std::vector<float> Spray(int threads) {
    TWorldDef def;
    def.right = 1600;
    def.bottom = 1200;
    def.gravityY = 0.15f;
    def.largestRadius = 4;
    TPhysics::Create(def);
    TPhysics::SetThreads(threads);
    const int group = 9;
    std::vector<core::Ref<TZone>> zones{
        TZone::Create({100, 900, 1500, 950}, TZone::LINE, 0.3f, group, 6),
        TZone::Create({200, 600, 1400, 600, 1400, 604, 200, 604}, TZone::FILL, 0.3f, group, 6),
        TZone::Create({20, 20, 1580, 20, 1580, 1180, 20, 1180}, TZone::HOLE, 0.3f, group, 6)};
    std::vector<core::Ref<TMass>> masses;
    for (float x = 300; x <= 1300; x += 8) {
        masses.push_back(scene::Enter(x, 400, kRadius, group));
        masses.back()->Freeze();
    }
    for (int k = 0; k < 600; ++k) {
        const float x = 60 + static_cast<float>((k * 37) % 1480);
        const float y = 60 + static_cast<float>((k * 53) % 300);
        masses.push_back(scene::Enter(x, y, 3, -1));
        masses.back()->SetVelocity(static_cast<float>((k * 7) % 41 - 20),
                                   20 + static_cast<float>((k * 11) % 40));
    }
    for (int s = 0; s < 60; ++s) TPhysics::Update();
    std::vector<float> places;
    for (const auto& m : masses) places.insert(places.end(), {m->GetX(), m->GetY()});
    TPhysics::Free();
    return places;
}

TEST_F(ContinuousTest, TheSameForAnyNumberOfThreads) {
    const std::vector<float> two = Spray(2);
    EXPECT_EQ(Spray(3), two);
    EXPECT_EQ(Spray(4), two);
}

} // namespace

namespace {

// The sweep looks first at the zones of the bucket its path lies in. Every
// zone whose box the path's box meets must be among them, in list order,
// and the HOLE wherever its tree has matter near the path; a path across
// buckets sees every zone.
TEST_F(ContinuousTest, TheZonesABucketGivesIncludeEveryZoneThePathMeets) {
    TPhysics::Create(1000, 1000, 0, 0, 1);
    std::vector<core::Ref<TZone>> zones;
    zones.push_back(TZone::Create({5, 5, 995, 5, 995, 995, 5, 995}, TZone::HOLE, 0, 1, 5));
    for (int k = 0; k < 60; ++k) {
        const float x = static_cast<float>((k * 137) % 900) + 20;
        const float y = static_cast<float>((k * 71) % 900) + 20;
        const float w = 3 + static_cast<float>((k * 13) % 60),
                    h = 3 + static_cast<float>((k * 29) % 40);
        zones.push_back(TZone::Create({x, y, x + w, y, x + w, y + h, x, y + h},
                                      k % 3 ? TZone::FILL : TZone::LOOP, 0, 1, 4));
    }
    detail::TZoneBoxes boxes;
    boxes.Build(zoneList.Get());
    int narrowed = 0, holeSkipped = 0;
    for (int k = 0; k < 2000; ++k) {
        const TSweptDisc path{static_cast<float>((k * 53) % 1000),
                              static_cast<float>((k * 97) % 1000), static_cast<float>(k % 41 - 20),
                              static_cast<float>(k % 23 - 11), 3};
        const detail::TPathBox box(path, 3);
        std::vector<const TZoneBase*> seen;
        boxes.ForEachNear(box, [&](const detail::TZoneBox& z) { seen.push_back(z.zone); });
        narrowed += seen.size() < zones.size();
        holeSkipped += std::find(seen.begin(), seen.end(), zones.front().Get()) == seen.end();
        std::size_t at = 0;
        for (const auto& z : zones) {
            const TQuadTree* t = z->quadTree;
            const bool inRoot = box.x0 >= t->posX && box.x1 <= t->posX + t->sizeX &&
                                box.y0 >= t->posY && box.y1 <= t->posY + t->sizeY;
            const bool meets =
                z->style == TZone::HOLE
                    ? !inRoot || t->CollideBox(0, 0, box.x0, box.y0, box.x1, box.y1, 1) != 0
                    : !(box.x1 < t->posX || box.x0 > t->posX + t->sizeX || box.y1 < t->posY ||
                        box.y0 > t->posY + t->sizeY);
            const auto found =
                std::find(seen.begin() + static_cast<std::ptrdiff_t>(at), seen.end(), z.Get());
            if (meets) {
                ASSERT_NE(found, seen.end()) << "path " << k << " missed a zone it meets";
            }
            if (found != seen.end()) at = static_cast<std::size_t>(found - seen.begin()) + 1;
        }
    }
    EXPECT_GT(narrowed, 800) << "paths within a bucket should see fewer zones than all";
    EXPECT_GT(holeSkipped, 200) << "paths in the open should not look at the HOLE";
}

} // namespace
