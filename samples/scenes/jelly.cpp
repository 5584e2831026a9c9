// Jelly: soft bodies, rings of masses held by spokes, dropped onto slopes.
// Softness is the constraints' stiffness: each relaxation pass moves a
// constraint only that part of the way back to its rest length.
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
constexpr int kIterations = 4;
constexpr int kJellies = 6;
constexpr int kRim = 16;
constexpr float kJellyRadius = 34;
constexpr Material kJelly{
    .mass = 1, .radius = 6, .friction = 0.4f, .stiffness = 0.3f, .colGroup = -1};
constexpr float kZoneFriction = 0.3f;
constexpr int kTreeLevel = 5;
// What a jelly must keep of the area it had at rest.
constexpr float kKeptArea = 0.8f;

class Jelly final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 16);
        for (int k = 0; k < kJellies; ++k) {
            const float x = 110 + 120 * k, y = 60 + 50 * (k % 2);
            jellies_.push_back(BuildJelly({.x = x,
                                           .y = y,
                                           .radius = kJellyRadius,
                                           .rim = kRim,
                                           .material = kJelly,
                                           .innerStiffness = kJelly.stiffness}));
            jellies_.back()->Activate();
            restArea_.push_back(PolygonArea(*jellies_.back(), 1, kRim));
        }
        slopes_.push_back(TZone::Create({0, 300, 360, 420, 360, 440, 0, 340}, TZone::FILL,
                                        kZoneFriction, -1, kTreeLevel));
        slopes_.push_back(TZone::Create({800, 380, 440, 500, 440, 520, 800, 420}, TZone::FILL,
                                        kZoneFriction, -1, kTreeLevel));
    }

    std::string Check() const override {
        for (std::size_t k = 0; k < jellies_.size(); ++k) {
            const float area = PolygonArea(*jellies_[k], 1, kRim);
            if (area < kKeptArea * restArea_[k]) {
                char text[96];
                std::snprintf(text, sizeof text, "jelly %zu kept %.0f%% of its area", k,
                              static_cast<double>(100 * area / restArea_[k]));
                return text;
            }
        }
        return {};
    }

  private:
    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TAdvBody>> jellies_;
    std::vector<float> restArea_;
    std::vector<core::Ref<TZone>> slopes_;
};

} // namespace

std::unique_ptr<Scene> MakeJelly() { return std::make_unique<Jelly>(); }

} // namespace samples
