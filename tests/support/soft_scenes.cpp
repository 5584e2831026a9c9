#include "tests/support/soft_scenes.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "physics/tangle.h"

namespace soft_scenes {

using namespace kel::tangle;

namespace {

constexpr float kFloorY = 700;

void FloorZone(float width, float friction = 0.5f) {
    TZone::Create({0, kFloorY, width, kFloorY, width, kFloorY + 100, 0, kFloorY + 100}, TZone::FILL,
                  friction, TakeAutoColGroup(), 4);
}

// The mean change of the rim masses' directions from the ring's centroid,
// radians, wrapped to a half turn each.
class TurnMeter {
  public:
    TurnMeter(const TAdvBody& body, int first, int count)
        : body_(body), first_(first), count_(count) {
        Angles(last_);
    }
    float Step() {
        Angles(now_);
        float sum = 0;
        for (int k = 0; k < count_; ++k) {
            float d = now_[k] - last_[k];
            if (d > std::numbers::pi_v<float>) d -= 2 * std::numbers::pi_v<float>;
            if (d < -std::numbers::pi_v<float>) d += 2 * std::numbers::pi_v<float>;
            sum += d;
        }
        last_.swap(now_);
        return sum / static_cast<float>(count_);
    }

  private:
    void Angles(std::vector<float>& out) const {
        float cx = 0, cy = 0;
        for (int k = 0; k < count_; ++k) {
            cx += body_.MassGetX(first_ + k);
            cy += body_.MassGetY(first_ + k);
        }
        cx /= static_cast<float>(count_);
        cy /= static_cast<float>(count_);
        out.clear();
        for (int k = 0; k < count_; ++k)
            out.push_back(
                std::atan2(body_.MassGetY(first_ + k) - cy, body_.MassGetX(first_ + k) - cx));
    }

    const TAdvBody& body_;
    int first_, count_;
    std::vector<float> last_, now_;
};

} // namespace

WheelDrop VariedWheel(int k, int stacking, bool onEdge) {
    std::mt19937 random(static_cast<std::uint32_t>(1000 + k));
    constexpr float kFrictions[] = {0, 0.5f, 1};
    WheelDrop drop;
    drop.stacking = stacking;
    drop.onEdge = onEdge;
    drop.floatTrig = random() % 2 == 0;
    drop.clockwise = random() % 2 == 0;
    drop.massRadius = std::uniform_real_distribution<float>(3, 6)(random);
    drop.friction = kFrictions[random() % 3];
    drop.floorFriction = kFrictions[random() % 3];
    return drop;
}

WheelResult DropWheel(const WheelDrop& drop) {
    constexpr int kRim = 16;
    constexpr float kRadius = 40;
    const float massRadius = drop.massRadius;
    TPhysics::Create(kWheelWorldWidth, 800, 0.1f, 0, 8);
    TPhysics::SetGridSize(32);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetStacking(drop.stacking);
    FloorZone(kWheelWorldWidth, drop.floorFriction);

    const float cx = kWheelWorldWidth / 2, cy = kFloorY - 400 - kRadius;
    const float side = drop.mirrored ? -1.0f : 1.0f;
    const float turn = drop.clockwise ? -1.0f : 1.0f;
    core::Ref<TAdvBody> wheel = core::Make<TAdvBody>();
    const int group = TakeAutoColGroup();
    wheel->MassAdd(cx, cy, 1, massRadius, drop.friction, group);
    for (int k = 0; k < kRim; ++k) {
        const double a = turn * 2 * std::numbers::pi * (k + (drop.onEdge ? 0.5 : 0.0)) / kRim;
        const float fa = static_cast<float>(a);
        const float c = drop.floatTrig ? std::cos(fa) : static_cast<float>(std::cos(a));
        const float s = drop.floatTrig ? std::sin(fa) : static_cast<float>(std::sin(a));
        wheel->MassAdd(cx + side * kRadius * c, cy + kRadius * s, 1, massRadius, drop.friction,
                       group);
    }
    for (int k = 0; k < kRim; ++k) {
        wheel->ConAdd(0, 1 + k, 0, 0.5f);
        wheel->ConAdd(1 + k, 1 + (k + 1) % kRim, 0, 0.9f);
    }
    wheel->Activate();

    WheelResult result;
    TurnMeter meter(*wheel, 1, kRim);
    bool touched = false;
    float turned = 0;
    for (int step = 0; step < drop.steps; ++step) {
        TPhysics::Update();
        turned += meter.Step();
        for (int k = 1; k <= kRim && !touched; ++k) {
            if (wheel->MassGetY(k) + massRadius >= kFloorY - 0.01f) {
                touched = true;
                result.touchX = wheel->MassGetX(0);
            }
        }
    }
    result.endX = wheel->MassGetX(0);
    result.endY = wheel->MassGetY(0);
    // On screen y grows downwards: a positive turn in these coordinates is clockwise.
    result.turned = -turned * 180 / std::numbers::pi_v<float>;
    return result;
}

float HangingChainSag(int passes, int stacking, float compliance, int links) {
    TPhysics::Create(1000, 1000, 0.1f, 0, passes);
    TPhysics::SetStacking(stacking);
    constexpr float kSpan = 400, kLeft = 300, kTop = 200;
    core::Ref<TAdvBody> chain = core::Make<TAdvBody>();
    const int group = TakeAutoColGroup();
    for (int k = 0; k <= links; ++k)
        chain->MassAdd(kLeft + kSpan * static_cast<float>(k) / static_cast<float>(links), kTop, 1,
                       2, 0.5f, group);
    const float link = 1.1f * kSpan / static_cast<float>(links);
    for (int k = 0; k < links; ++k)
        chain->ConSetCompliance(chain->ConAdd(k, k + 1, link, 1), compliance, 1);
    chain->MassFreeze(0);
    chain->MassFreeze(links);
    chain->Activate();
    for (int step = 0; step < 3000; ++step) TPhysics::Update();
    return chain->MassGetY(links / 2) - kTop;
}

BlobResult SqueezeBlob(int passes, int stacking) {
    constexpr int kRim = 24;
    constexpr float kRadius = 50, kWidth = 600;
    TPhysics::Create(kWidth, 800, 0.1f, 0, passes);
    TPhysics::SetGridSize(32);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetStacking(stacking);
    FloorZone(kWidth);

    core::Ref<TAdvBody> blob = core::Make<TAdvBody>();
    const int group = TakeAutoColGroup();
    std::vector<int> ring;
    for (int k = 0; k < kRim; ++k) {
        const double a = 2 * std::numbers::pi * k / kRim;
        ring.push_back(blob->MassAdd(kWidth / 2 + kRadius * static_cast<float>(std::cos(a)),
                                     kFloorY - 200 + kRadius * static_cast<float>(std::sin(a)), 1,
                                     7, 0.5f, group));
    }
    for (int k = 0; k < kRim; ++k)
        blob->ConSetCompliance(blob->ConAdd(k, (k + 1) % kRim, 0, 1), 0.01f, 1);
    const int pressure = blob->ConAddPressure(ring, 0, 1);
    blob->ConSetCompliance(pressure, 5000, 1);
    blob->Activate();
    TConstraint* gas = blob->ConGet(pressure);
    auto ratio = [&] { return gas->GetLength() / gas->GetRestLength(); };

    BlobResult result;
    for (int step = 0; step < 600; ++step) TPhysics::Update();
    result.settled = ratio();

    // A bar of heavy masses, rigidly tied, laid across the blob where it is.
    float cx = 0, top = kFloorY;
    for (int k : ring) {
        cx += blob->MassGetX(k) / kRim;
        top = std::fmin(top, blob->MassGetY(k));
    }
    core::Ref<TAdvBody> block = core::Make<TAdvBody>();
    const int blockGroup = TakeAutoColGroup();
    constexpr int kBar = 15;
    for (int k = 0; k < kBar; ++k)
        block->MassAdd(cx + 16 * static_cast<float>(k - kBar / 2), top - 30, 10, 8, 0.5f,
                       blockGroup);
    block->ConAddAll(1);
    block->Activate();
    for (int step = 0; step < 600; ++step) TPhysics::Update();
    result.squeezed = ratio();

    block->DeActivate();
    for (int step = 0; step < 600; ++step) TPhysics::Update();
    result.recovered = ratio();
    return result;
}

} // namespace soft_scenes
