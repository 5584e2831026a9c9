// View: a world wider than the window, seen through a view that zooms,
// turns and scrolls on its own. The mass under the pointer is found through
// TPhysics::MouseX and MouseY, which map the pointer back into the world
// through the same view, and is ringed; dragging works at any zoom or angle.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "graphics/draw2d.h"
#include "graphics/pointer.h"
#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/mass_drag.h"
#include "samples/palette.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 2400, kHeight = 900;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 3;
constexpr float kZoneFriction = 0.4f;
constexpr int kTreeLevel = 6;
constexpr Material kJelly{
    .mass = 1, .radius = 7, .friction = 0.5f, .stiffness = 0.5f, .colGroup = -1};
constexpr int kJellies = 10;
// The view: zoom swings between these, the angle within +-kMostTurn, and
// the centre crosses the world once per kScrollSteps.
constexpr float kLeastZoom = 0.6f, kMostZoom = 1.4f;
constexpr float kMostTurn = 20; // degrees
constexpr int kScrollSteps = 1200;
// How near (in screen pixels) a mass must be to the pointer to be picked.
constexpr float kPickPixels = 16;

float Wave(int step, int period) {
    return static_cast<float>(std::sin(2 * std::numbers::pi * step / period));
}

class View final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 32);
        // Rolling hills from wall to wall.
        std::vector<float> ground;
        for (int k = 0; k <= 24; ++k)
            ground.insert(ground.end(), {kWidth * k / 24, 700 + 80 * Wave(k, 8)});
        ground.insert(ground.end(), {kWidth, kHeight, 0, kHeight});
        ground_ = TZone::Create(ground, TZone::FILL, kZoneFriction, -1, kTreeLevel);
        for (int k = 0; k < kJellies; ++k) {
            jellies_.push_back(BuildJelly({.x = 150 + 230.0f * k,
                                           .y = 200 + 60.0f * (k % 3),
                                           .radius = 40,
                                           .rim = 12,
                                           .material = kJelly,
                                           .innerStiffness = kJelly.stiffness}));
            jellies_.back()->Activate();
        }
    }

    void Step() override {
        ++steps_;
        Scene::Step();
    }

    void PlaceView(float width, float height) override {
        const float fit = height / kHeight;
        const float zoom =
            fit * (kLeastZoom + (kMostZoom - kLeastZoom) * (1 + Wave(steps_, 500)) / 2);
        TPhysics::SetDrawZoom(zoom);
        TPhysics::SetDrawRotation(kMostTurn * Wave(steps_, 700));
        const float across = (1 - std::cos(2 * std::numbers::pi * steps_ / kScrollSteps)) / 2;
        const float half = width / zoom / 2;
        TPhysics::SetDrawCoords(half + (kWidth - 2 * half) * static_cast<float>(across),
                                kHeight / 2);
    }

    void Draw() const override {
        Scene::Draw();
        if (TMass* picked = Picked()) {
            SetColour(palette::kHighlight);
            const float r = picked->radius * 2;
            TPhysics::DrawOval(picked->posX - r, picked->posY - r, 2 * r, 2 * r);
        }
    }

    // Picking must find the mass whose picture is under the pointer, whatever
    // the zoom and angle: put the pointer on a mass where the view draws it.
    std::string Check() const override {
        TMass* target = jellies_.front()->MassGet(0);
        draw2d::SetPointerPosition(
            static_cast<int>(std::lround(TPhysics::ScreenX(target->posX, target->posY))),
            static_cast<int>(std::lround(TPhysics::ScreenY(target->posX, target->posY))));
        if (Picked() != target) return "the pointer over a mass did not pick it";
        return {};
    }

  private:
    static TMass* Picked() {
        const float zoom = TWorldView::Current().drawScale;
        if (zoom <= 0) return nullptr;
        return NearestMass(TPhysics::MouseX(), TPhysics::MouseY(), kPickPixels / zoom);
    }

    core::Ref<TPhysics> world_;
    core::Ref<TZone> ground_;
    std::vector<core::Ref<TAdvBody>> jellies_;
    int steps_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeView() { return std::make_unique<View>(); }

} // namespace samples
