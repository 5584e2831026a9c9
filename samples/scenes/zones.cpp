// Zones: every zone style side by side. Balls rain onto an open line, a
// closed outline with balls caught inside, and a solid polygon, and leave
// at the floor; a hole, solid everywhere outside its outline, keeps its own
// balls in. The button shows each zone's quadtree.
//
// A hole is solid everywhere outside it, so everything that is not meant to
// be caught in it shares the hole's collision group, which keeps the two
// apart (two things never collide when their groups are equal). The rain
// therefore does not collide with itself.
#include <cmath>
#include <numbers>
#include <vector>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/palette.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 2;
constexpr float kZoneFriction = 0.2f;
constexpr int kTreeLevel = 5;
constexpr int kOutsideGroup = 7; // the rain's and the hole's
constexpr Material kRain{
    .mass = 1, .radius = 5, .friction = 0.2f, .stiffness = 1, .colGroup = kOutsideGroup};
constexpr Material kCaught{
    .mass = 1, .radius = 7, .friction = 0.2f, .stiffness = 1, .colGroup = -1};
constexpr int kRainEvery = 4;    // steps between drops
constexpr int kRainColumns = 12; // places a drop falls from, across three panels
constexpr float kRainTop = 15;
constexpr float kLeaveAt = kHeight - 30; // rain below this leaves the world
constexpr float kPanel = kWidth / 4;     // four panels, one per style
constexpr int kCaughtInLoop = 6, kCaughtInHole = 10;
// The star hole, in the middle of the last panel with room to spare to the
// right wall, so that it and its quadtree stay in view.
constexpr float kStarX = 3.5f * kPanel, kStarY = 300, kStarOuter = 80, kStarInner = 45;

// A polygon of `corners` corners round (cx, cy), alternately `outer` and
// `inner` from the centre: a regular polygon when they agree, else a star.
// The first corner points straight up, so a star of an even count of corners
// reaches as far left as right.
std::vector<float> Ring(float cx, float cy, int corners, float outer, float inner) {
    std::vector<float> xy;
    for (int k = 0; k < corners; ++k) {
        const double angle = 2 * std::numbers::pi * k / corners - std::numbers::pi / 2;
        const float r = k % 2 ? inner : outer;
        xy.push_back(cx + r * static_cast<float>(std::cos(angle)));
        xy.push_back(cy + r * static_cast<float>(std::sin(angle)));
    }
    return xy;
}

class Zones final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 32);
        Add({20, 200, 80, 260, 120, 230, 180, 300}, TZone::LINE, -1);
        Add(Ring(1.5f * kPanel, 300, 8, 80, 80), TZone::LOOP, -1);
        Add({2 * kPanel + 20, 380, 3 * kPanel - 20, 380, 2.5f * kPanel, 240}, TZone::FILL, -1);
        Add(Ring(kStarX, kStarY, 10, kStarOuter, kStarInner), TZone::HOLE, kOutsideGroup);
        for (int k = 0; k < kCaughtInLoop; ++k)
            balls_.push_back(AddBall(1.5f * kPanel - 30 + 12 * k, 300, kRain));
        for (int k = 0; k < kCaughtInHole; ++k)
            balls_.push_back(AddBall(kStarX - 25 + 5 * k, kStarY - 10 + 2 * (k % 3), kCaught));
    }

    void Step() override {
        if (steps_ % kRainEvery == 0) {
            const int column = (steps_ / kRainEvery) * 5 % kRainColumns;
            const float x = 20 + column * (3 * kPanel - 40) / (kRainColumns - 1);
            rain_.push_back(AddBall(x, kRainTop, kRain));
        }
        ++steps_;
        Scene::Step();
        // Rain at the floor leaves the world.
        std::erase_if(rain_, [](const core::Ref<TMass>& m) {
            if (m->posY < kLeaveAt) return false;
            m->SubRef();
            return true;
        });
    }

    void Draw() const override {
        Scene::Draw();
        if (!showTrees_) return;
        SetColour(palette::kQuadTree);
        for (const auto& zone : zones_) zone->DrawQuadTree(0);
    }

    std::vector<SceneOption> Options() override {
        return {{"Quadtrees", [this] { showTrees_ = !showTrees_; }, [this] { return showTrees_; }}};
    }

  private:
    void Add(std::vector<float> area, int style, int group) {
        zones_.push_back(TZone::Create(std::move(area), style, kZoneFriction, group, kTreeLevel));
    }

    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TZone>> zones_;
    std::vector<core::Ref<TMass>> balls_, rain_;
    int steps_ = 0;
    bool showTrees_ = false;
};

} // namespace

std::unique_ptr<Scene> MakeZones() { return std::make_unique<Zones>(); }

} // namespace samples
