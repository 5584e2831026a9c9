// Sleeping islands: they fall asleep and stay still, wake exactly when
// disturbed, and sleep the same way every time.
#include <gtest/gtest.h>

#include <vector>

#include "pile.h"
#include "scene.h"

namespace {

using namespace scene;

constexpr float kSleepSpeed = 0.01f;
constexpr int kSleepSteps = 30;

class Sleep : public PhysicsTest {
  protected:
    // Two columns of three masses standing on the floor of a 200 x 200 world,
    // far apart: two islands.
    void Build() {
        TPhysics::Create(200, 200, 0.15f, 0, 1);
        TPhysics::UseShiftedGrid(1);
        TPhysics::SetSleep(kSleepSpeed, kSleepSteps);
        for (float x : {50.0f, 150.0f}) {
            std::vector<core::Ref<TMass>>& column = x < 100 ? left : right;
            for (int k = 0; k < 3; ++k) column.push_back(Enter(x, 196 - 8.0f * k, 4, -1, 0.5f));
        }
    }
    static void Steps(int n) {
        for (int k = 0; k < n; ++k) TPhysics::Update();
    }
    static bool Awake(const std::vector<core::Ref<TMass>>& masses) {
        for (const auto& m : masses)
            if (!m->IsAwake()) return false;
        return true;
    }
    static bool Asleep(const std::vector<core::Ref<TMass>>& masses) {
        for (const auto& m : masses)
            if (m->IsAwake()) return false;
        return true;
    }
    std::vector<core::Ref<TMass>> left, right;
};

TEST_F(Sleep, StillIslandsFallAsleepAndNeverDrift) {
    Build();
    Steps(kSleepSteps / 2);
    EXPECT_TRUE(Awake(left)) << "asleep before being still for long enough";
    Steps(200);
    ASSERT_TRUE(Asleep(left));
    ASSERT_TRUE(Asleep(right));
    EXPECT_EQ(TPhysics::AwakeCount(), 0);
    std::vector<float> before;
    for (const auto& m : left)
        before.insert(before.end(), {m->posX, m->posY, m->oldPosX, m->oldPosY});
    Steps(300);
    std::vector<float> after;
    for (const auto& m : left)
        after.insert(after.end(), {m->posX, m->posY, m->oldPosX, m->oldPosY});
    EXPECT_EQ(before, after); // bit for bit
    EXPECT_TRUE(Asleep(left));
    EXPECT_EQ(TColEvent::QueueCount(), 0) << "sleeping masses raised events";
}

TEST_F(Sleep, ADroppedMassWakesOnlyTheIslandItLandsOn) {
    Build();
    Steps(200);
    ASSERT_EQ(TPhysics::AwakeCount(), 0);
    core::Ref<TMass> drop = Enter(50, 100, 4, -1, 0.5f);
    Steps(15); // it falls, still far above
    EXPECT_TRUE(Asleep(left));
    bool leftWoke = false;
    for (int step = 0; step < 60; ++step) {
        TPhysics::Update();
        leftWoke = leftWoke || Awake(left);
        EXPECT_TRUE(Asleep(right)) << "the far island woke at step " << step;
    }
    EXPECT_TRUE(leftWoke) << "the island it landed on slept through it";
    EXPECT_GT(drop->posY, 160) << "the dropped mass did not land on the column";
    EXPECT_LT(drop->posY, 175) << "the dropped mass fell through the column";
    Steps(300);
    EXPECT_TRUE(Asleep(left)) << "the island did not go back to sleep";
    EXPECT_FALSE(drop->IsAwake());
}

TEST_F(Sleep, TakingAwayTheSupportWakesTheIslandAndItFalls) {
    Build();
    Steps(200);
    ASSERT_TRUE(Asleep(left));
    const float topY = left[2]->posY;
    left[0]->SubRef(); // the bottom mass leaves the world
    Steps(60);
    EXPECT_TRUE(left[2]->IsAwake() || left[2]->posY > topY);
    EXPECT_NEAR(left[1]->posY, 196, 0.5) << "the middle mass did not fall to the floor";
    EXPECT_TRUE(Asleep(right));
}

TEST_F(Sleep, RemovingAConstraintWakesAHangingChain) {
    TPhysics::Create(200, 200, 0.15f, 0, 1);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetSleep(kSleepSpeed, kSleepSteps);
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> chain;
    for (int k = 0; k < 4; ++k) chain.push_back(TMass::Create(100, 20 + 10.0f * k, 1, 3, 0.5f, 1));
    chain[0]->Freeze();
    std::vector<core::Ref<TConstraint>> links;
    for (int k = 0; k + 1 < 4; ++k) {
        links.push_back(TConstraint::Create(chain[k], chain[k + 1], 0, 1));
        links.back()->Assign(body);
    }
    Steps(300);
    ASSERT_FALSE(chain[3]->IsAwake());
    links[1]->Free(body);
    Steps(30);
    EXPECT_GT(chain[3]->posY, 60) << "the cut end did not fall";
    EXPECT_NEAR(chain[1]->posY, 30, 0.5) << "the part still held moved";
}

TEST_F(Sleep, TheApiWakesWhatItMovesAndZonesWakeEverything) {
    Build();
    Steps(200);
    ASSERT_EQ(TPhysics::AwakeCount(), 0);
    left[2]->AddVelocity(0, -3);
    EXPECT_TRUE(Awake(left));
    EXPECT_TRUE(Asleep(right));
    Steps(300);
    ASSERT_EQ(TPhysics::AwakeCount(), 0);
    core::Ref<TZone> shelf = TZone::Create({0, 100, 20, 100}, TZone::LINE, 0.5f, -1, 1);
    Steps(1);
    EXPECT_EQ(TPhysics::AwakeCount(), 6);
    Steps(300);
    ASSERT_EQ(TPhysics::AwakeCount(), 0);
    TPhysics::SetSleep(0, kSleepSteps); // off: everything wakes and moves again
    EXPECT_EQ(TPhysics::AwakeCount(), 6);
}

TEST_F(Sleep, SleepingAndWakingAreDeterministic) {
    auto run = [] {
        Reset();
        Pile pile(8, 0.5f);
        TPhysics::SetSleep(0.05f, 20);
        TPhysics::SetStacking(1);
        std::vector<float> trace;
        for (int step = 0; step < 500; ++step) {
            if (step == 300) {
                // Proves something only if islands did fall asleep by now.
                EXPECT_LT(TPhysics::AwakeCount(), static_cast<int>(pile.masses.size()));
                pile.masses[40]->AddVelocity(0, -2);
            }
            TPhysics::Update();
        }
        for (const auto& m : pile.masses)
            trace.insert(trace.end(), {m->posX, m->posY, static_cast<float>(m->IsAwake())});
        return trace;
    };
    const std::vector<float> first = run();
    EXPECT_EQ(first, run());
}

} // namespace

namespace {

// A body's centre, velocity and wakefulness, each in one call: weighted by
// the masses, and asleep only when every mass is.
TEST_F(Sleep, ABodyTellsItsCentreVelocityAndWakefulnessInOneCall) {
    TPhysics::Create(200, 200, 0.15f, 0, 1);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetSleep(kSleepSpeed, kSleepSteps);
    core::Ref<TAdvBody> body = core::Make<TAdvBody>();
    float x = -1, y = -1;
    EXPECT_EQ(body->GetCenter(x, y), 0);
    EXPECT_EQ(x, -1); // untouched without masses
    EXPECT_EQ(body->IsAwake(), 0);
    body->MassAdd(40, 196, 1, 4, 0.5f, -1);
    body->MassAdd(48, 196, 3, 4, 0.5f, -1);
    body->ConAdd(0, 1, 0, 1);
    body->Activate();
    ASSERT_EQ(body->GetCenter(x, y), 2);
    EXPECT_FLOAT_EQ(x, 46); // (40 * 1 + 48 * 3) / 4
    EXPECT_FLOAT_EQ(y, 196);
    body->MassSetVelocity(0, 4, 0);
    float vx = 0, vy = 0;
    ASSERT_EQ(body->GetVelocity(vx, vy), 2);
    EXPECT_FLOAT_EQ(vx, 1); // 4 * 1 / 4
    EXPECT_EQ(body->IsAwake(), 1);
    for (int k = 0; k < 300; ++k) TPhysics::Update();
    EXPECT_EQ(body->IsAwake(), 0);
    body->MassSetVelocity(1, 0, -1); // wakes its island
    EXPECT_EQ(body->IsAwake(), 1);
}

} // namespace
