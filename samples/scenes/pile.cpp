// Pile: a few thousand balls poured into a funnel and heaped on the floor.
// Every ball has a group of its own, so every pair can touch: the grid keeps
// that affordable.
#include <vector>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.08f;
constexpr int kIterations = 2;
constexpr int kColumns = 76, kRows = 28; // 2128 balls
constexpr float kSpacing = 9.5f;
constexpr float kTop = 15;
constexpr Material kBall{.mass = 1, .radius = 4, .friction = 0.3f, .stiffness = 1, .colGroup = -1};
// The funnel: two slopes from the walls down to a gap in the middle.
constexpr float kFunnelTop = 290, kFunnelY = 440, kFunnelGap = 60;
constexpr float kZoneFriction = 0.4f;
constexpr int kTreeLevel = 5;
// Sleeping: a ball that moved less than this for that many steps in a row.
constexpr float kSleepSpeed = 0.02f;
constexpr int kSleepSteps = 60;

class Pile final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, TPhysics::MAX_GRID);
        const float left = (kWidth - (kColumns - 1) * kSpacing) / 2;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                // Every other row shifted by half a ball, so the heap does not
                // stand in columns.
                const float shift = (r % 2) * kSpacing / 2;
                balls_.push_back(AddBall(left + c * kSpacing + shift, kTop + r * kSpacing, kBall));
            }
        const float mid = kWidth / 2;
        funnel_.push_back(
            TZone::Create({0, kFunnelTop, mid - kFunnelGap / 2, kFunnelY, 0, kFunnelY}, TZone::FILL,
                          kZoneFriction, -1, kTreeLevel));
        funnel_.push_back(
            TZone::Create({kWidth, kFunnelTop, kWidth, kFunnelY, mid + kFunnelGap / 2, kFunnelY},
                          TZone::FILL, kZoneFriction, -1, kTreeLevel));
    }

    // Stable stacking lets the heap come to rest; sleeping then stops what
    // rests from costing anything (watch the step time and the awake count).
    std::vector<SceneOption> Options() override {
        return {{"Stacking", [] { TPhysics::SetStacking(StackingOn() ? 0 : 1); }, &StackingOn},
                {"Sleep", [] { TPhysics::SetSleep(SleepOn() ? 0 : kSleepSpeed, kSleepSteps); },
                 &SleepOn}};
    }

  private:
    static bool StackingOn() { return TPhysics::GetStacking() == 1; }
    static bool SleepOn() {
        const TPhysics* w = currentWorld;
        return w && w->sleepSpeed > 0;
    }

    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TMass>> balls_;
    std::vector<core::Ref<TZone>> funnel_;
};

} // namespace

std::unique_ptr<Scene> MakePile() { return std::make_unique<Pile>(); }

} // namespace samples
