// Cloth: a grid of constraints hanging from its top row that tears where a
// constraint's stress (length over rest length) passes a limit. It hangs
// whole under its own weight; after a while a hand takes a bottom corner and
// pulls it away to a point well inside the world, where it holds it, and the
// cloth tears on the way. Drag it with the mouse to tear it yourself.
#include <cmath>
#include <cstdio>
#include <string>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.05f;
constexpr int kIterations = 6;
constexpr int kColumns = 36, kRows = 24;
constexpr float kSpacing = 12;
constexpr float kLeft = (kWidth - (kColumns - 1) * kSpacing) / 2, kTop = 40;
// Group 0 collides with nothing: the cloth only hangs and tears, and the
// step spends no time on its contacts.
constexpr Material kCloth{.mass = 1, .radius = 3, .friction = 0.2f, .stiffness = 1, .colGroup = 0};
// A constraint stretched beyond this stress tears.
constexpr float kTearStress = 1.8f;
// The hand: when it takes the corner, how far it pulls it each step, and
// where it stops. The stop keeps clear of the walls: pulled on until the
// walls stopped it, the corner would end in the world's very corner, on the
// edge of the view.
constexpr int kPullFrom = 240;
constexpr float kPullSpeed = 1.8f;
constexpr float kStopX = kWidth - 100, kStopY = kHeight - 100;

class Cloth final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 32);
        cloth_ = BuildCloth({.x = kLeft,
                             .y = kTop,
                             .columns = kColumns,
                             .rows = kRows,
                             .spacing = kSpacing,
                             .material = kCloth});
        cloth_->Activate();
        corner_ = cloth_->MassGet((kRows - 1) * kColumns + kColumns - 1);
    }

    void Step() override {
        if (steps_ == kPullFrom) {
            // The hand holds the corner fast: frozen, the constraints cannot
            // pull it back.
            corner_->Freeze();
            corner_->GetPosition(handX_, handY_);
        }
        if (steps_ >= kPullFrom && corner_->InWorld()) {
            const float dx = kStopX - handX_, dy = kStopY - handY_;
            const float left = std::hypot(dx, dy);
            const float part = left > kPullSpeed ? kPullSpeed / left : 1;
            handX_ += dx * part;
            handY_ += dy * part;
            corner_->Position(handX_, handY_);
        }
        ++steps_;
        Scene::Step();
        Tear();
    }

    std::string Check() const override {
        if (tornBeforePull_ > 0) {
            char text[96];
            std::snprintf(text, sizeof text, "%d constraints tore under the cloth's own weight",
                          tornBeforePull_);
            return text;
        }
        if (steps_ > kPullFrom && torn_ == 0) return "pulled past its limit, the cloth held";
        return {};
    }

  private:
    // The library tears: every link stretched past the limit goes.
    void Tear() {
        const int torn = TearStretched(*cloth_, kTearStress);
        torn_ += torn;
        if (steps_ <= kPullFrom) tornBeforePull_ += torn;
    }

    core::Ref<TPhysics> world_;
    core::Ref<TAdvBody> cloth_;
    core::Ref<TMass> corner_;
    float handX_ = 0, handY_ = 0;
    int steps_ = 0;
    int torn_ = 0, tornBeforePull_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeCloth() { return std::make_unique<Cloth>(); }

} // namespace samples
