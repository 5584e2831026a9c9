// Rope bridge: a chain hanging between two frozen masses over a gap, with
// weights dropped on it one after another. The chain's masses overlap, so a
// weight cannot fall between them.
#include <cstdio>
#include <string>
#include <vector>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 8;
constexpr float kLeft = 150, kRight = 650, kDeckY = 250;
constexpr int kLinks = 50;
constexpr Material kRope{.mass = 1, .radius = 6, .friction = 0.6f, .stiffness = 1, .colGroup = -1};
constexpr Material kWeight{
    .mass = 4, .radius = 14, .friction = 0.6f, .stiffness = 1, .colGroup = -1};
constexpr int kWeights = 5;
constexpr int kDropEvery = 60; // steps
constexpr float kDropY = 80;
// How far below the anchors a weight may hang and still be held.
constexpr float kMostSag = 150;
constexpr float kCliffFriction = 0.5f;
constexpr int kTreeLevel = 4;

class RopeBridge final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 16);
        rope_ = BuildRope({.x1 = kLeft,
                           .y1 = kDeckY,
                           .x2 = kRight,
                           .y2 = kDeckY,
                           .count = kLinks,
                           .freezeStart = true,
                           .freezeEnd = true,
                           .material = kRope});
        rope_->Activate();
        cliffs_.push_back(TZone::Create(
            {0, kDeckY + 10, kLeft - 10, kDeckY + 10, kLeft - 10, kHeight, 0, kHeight}, TZone::FILL,
            kCliffFriction, -1, kTreeLevel));
        cliffs_.push_back(TZone::Create(
            {kRight + 10, kDeckY + 10, kWidth, kDeckY + 10, kWidth, kHeight, kRight + 10, kHeight},
            TZone::FILL, kCliffFriction, -1, kTreeLevel));
    }

    void Step() override {
        if (steps_ % kDropEvery == 0 && static_cast<int>(weights_.size()) < kWeights) {
            const float t = (weights_.size() + 1.0f) / (kWeights + 1.0f);
            weights_.push_back(AddBall(kLeft + (kRight - kLeft) * t, kDropY, kWeight));
        }
        ++steps_;
        Scene::Step();
    }

    std::string Check() const override {
        if (static_cast<int>(weights_.size()) < kWeights) return "not every weight was dropped";
        for (const auto& w : weights_) {
            if (!w->InWorld() || w->posY > kDeckY + kMostSag || w->posX < kLeft ||
                w->posX > kRight) {
                char text[96];
                std::snprintf(text, sizeof text, "a weight fell through, to (%.0f, %.0f)",
                              static_cast<double>(w->posX), static_cast<double>(w->posY));
                return text;
            }
        }
        return {};
    }

  private:
    core::Ref<TPhysics> world_;
    core::Ref<TAdvBody> rope_;
    std::vector<core::Ref<TZone>> cliffs_;
    std::vector<core::Ref<TMass>> weights_;
    int steps_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeRopeBridge() { return std::make_unique<RopeBridge>(); }

} // namespace samples
