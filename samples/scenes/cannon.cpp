// Cannon: four cannons fire balls of radius 4 along four lanes, each at one
// thin obstacle: a LINE zone, a FILL zone 4 units thick, a wall of touching
// frozen masses and a rope of resting masses tied across the lane from its
// ceiling to its floor. The slider under the lanes sets the speed, from 10
// to 200 units a step; the digits at the end of each lane count the balls
// that got through and the balls fired since the settings last changed.
//
// A step tests contacts where a ball ends it, not along its way, so a ball
// that moves farther than about its radius in a step can land beyond a thin
// wall without ever touching it. With continuous collision on (the first
// button), a fast ball is swept from where it was to where it is and stops
// at the first zone or frozen mass it touches: the first three lanes hold
// at any speed. The rope's masses are free, and only bullets (the second
// button) are swept against free masses too.
//
// The balls share one group, so they pass through each other: a ball resting
// against a wall is never shoved across it by the next one.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/draw2d.h"
#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/palette.h"
#include "samples/scenes/scenes.h"
#include "samples/world_draw.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 4;
constexpr int kGridSize = 16;
constexpr float kZoneFriction = 0.3f;
constexpr int kTreeLevel = 4;

// Four lanes one above the other, each a shelf's thickness from the next.
enum Lane { kLineLane, kFillLane, kWallLane, kRopeLane, kLanes };
constexpr float kLaneHeight = 137.5f;
constexpr float kShelfHalf = 4;
constexpr float LaneTop(int lane) { return lane * kLaneHeight; }
constexpr float LaneFloor(int lane) { return (lane + 1) * kLaneHeight - kShelfHalf; }

// The cannons: a ball leaves each muzzle level, high enough in its lane that
// the slowest ball still meets the obstacle above the floor.
constexpr float kMuzzleX = 80, kMuzzleDrop = 50; // below the lane's top
constexpr float kBreechX = 18, kBarrelHalf = 7;
constexpr int kFireEvery = 6;  // steps, lane after lane
constexpr int kFlashSteps = 3; // the muzzle flashes this long after a shot
constexpr int kLifetime = 150; // steps a ball lives
constexpr int kBallGroup = 1;  // shared: balls pass through each other
constexpr Material kBall{.mass = 1, .radius = 4, .friction = 0.2f, .colGroup = kBallGroup};

// The obstacles, all at one x.
constexpr float kObstacleX = 440;
constexpr float kFillThickness = 4;
constexpr Material kWallMass{.mass = 1, .radius = 4, .friction = 0.3f, .colGroup = -1};
constexpr Material kRopeMass{
    .mass = 4, .radius = 4, .friction = 0.3f, .stiffness = 1, .colGroup = -1};
// A ball this far past its obstacle got through. The rope bows when it is
// hit, so it gets more room.
constexpr float kPastWall = 2 * kBall.radius, kPastRope = 40;

// The speed slider, in the strip under the lanes.
constexpr float kStripTop = LaneFloor(kLanes - 1) + kShelfHalf;
constexpr float kSliderY = (kStripTop + kHeight) / 2;
constexpr float kSliderLeft = 160, kSliderRight = 760, kKnobRadius = 7;
constexpr float kSlowest = 10, kFastest = 200; // units per step
constexpr float kStartSpeed = 40;
constexpr std::array kSpeedTicks{10.0f, 20.0f, 50.0f, 100.0f, 200.0f};

// Seven-segment digits, in world units.
constexpr float kDigitHeight = 18, kDigitWidth = 9, kDigitGap = 5;
constexpr float kCountX = 640, kCountDrop = 12; // below the lane's top

constexpr Colour kLineColour{250, 175, 60};
constexpr Colour kFillColour{200, 130, 250};
constexpr Colour kRopeColour{215, 175, 120};
constexpr Colour kBarrel{150, 156, 178};
constexpr Colour kMount{112, 118, 142};
constexpr Colour kFlash{255, 190, 70};
constexpr float kTrailAlpha = 0.45f;
constexpr Colour kThrough = palette::kStretched;
constexpr Colour kHeld = palette::kHighlight;
constexpr Colour kBullet = palette::kHeld;

// The fractional part of k times an irrational number: a spread of values in
// 0 ... 1 that repeats from run to run without a random generator.
float Spread(int k) {
    const double v = k * 0.6180339887;
    return static_cast<float>(v - std::floor(v));
}

// The slider's place (0 ... 1) of a speed, on a logarithmic scale so that
// the slow speeds, where walls begin to fail, get as much room as the fast.
float SliderPlace(float speed) {
    return std::log(speed / kSlowest) / std::log(kFastest / kSlowest);
}
float SliderX(float speed) {
    return kSliderLeft + (kSliderRight - kSliderLeft) * SliderPlace(speed);
}
float SpeedAt(float x) {
    const float t = std::clamp((x - kSliderLeft) / (kSliderRight - kSliderLeft), 0.0f, 1.0f);
    return std::round(kSlowest * std::pow(kFastest / kSlowest, t));
}

// Draws `value` in seven-segment digits with its top-left corner at (x, y);
// returns the x after the last digit.
float DrawNumber(int value, float x, float y) {
    constexpr float w = kDigitWidth, h = kDigitHeight / 2;
    // Each segment's ends: top, top right, bottom right, bottom, bottom
    // left, top left, middle; and the segments each digit lights.
    static constexpr float kEnds[7][4] = {{0, 0, w, 0},         {w, 0, w, h},     {w, h, w, 2 * h},
                                          {0, 2 * h, w, 2 * h}, {0, h, 0, 2 * h}, {0, 0, 0, h},
                                          {0, h, w, h}};
    static constexpr unsigned char kLit[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66,
                                               0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    for (char c : std::to_string(std::max(value, 0))) {
        for (int s = 0; s < 7; ++s)
            if (kLit[c - '0'] & (1u << s))
                TPhysics::DrawLine(x + kEnds[s][0], y + kEnds[s][1], x + kEnds[s][2],
                                   y + kEnds[s][3]);
        x += kDigitWidth + kDigitGap;
    }
    return x;
}

std::vector<float> Box(float x0, float y0, float x1, float y1) {
    return {x0, y0, x1, y0, x1, y1, x0, y1};
}

core::Ref<TZone> Zone(std::vector<float> area, int style, const Colour& c) {
    core::Ref<TZone> zone = TZone::Create(std::move(area), style, kZoneFriction, -1, kTreeLevel);
    zone->SetColor(c.r, c.g, c.b);
    return zone;
}

struct Shot {
    core::Ref<TMass> ball;
    int lane = 0;
    int firedAt = 0;
    bool through = false;
};

class Cannon final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, kGridSize);
        TPhysics::SetContinuous(1);
        for (int lane = 0; lane < kLanes; ++lane) {
            const float floor = LaneFloor(lane);
            zones_.push_back(
                Zone(Box(0, floor, kWidth, floor + 2 * kShelfHalf), TZone::FILL, palette::kZone));
        }
        const float top = LaneTop(kLineLane), bottom = LaneFloor(kLineLane);
        zones_.push_back(Zone({kObstacleX, top, kObstacleX, bottom}, TZone::LINE, kLineColour));
        zones_.push_back(Zone(Box(kObstacleX - kFillThickness / 2, LaneTop(kFillLane),
                                  kObstacleX + kFillThickness / 2, LaneFloor(kFillLane)),
                              TZone::FILL, kFillColour));
        for (float y = LaneTop(kWallLane) + kWallMass.radius; y < LaneFloor(kWallLane);
             y += 2 * kWallMass.radius) {
            wall_.push_back(AddBall(kObstacleX, y, kWallMass));
            wall_.back()->Freeze();
        }
        // Links no longer than a mass is wide: nothing fits between its masses.
        const float ropeTop = LaneTop(kRopeLane) + kShelfHalf + kRopeMass.radius;
        const float ropeBottom = LaneFloor(kRopeLane) - kRopeMass.radius;
        rope_ = BuildRope({.x1 = kObstacleX,
                           .y1 = ropeTop,
                           .x2 = kObstacleX,
                           .y2 = ropeBottom,
                           .segmentLength = 2 * kRopeMass.radius,
                           .freezeStart = true,
                           .freezeEnd = true,
                           .material = kRopeMass});
        rope_->Activate();
    }

    void Step() override {
        if (steps_ % kFireEvery == 0) Fire((steps_ / kFireEvery) % kLanes);
        ++steps_;
        Scene::Step();
        for (Shot& shot : shots_) {
            const float past = shot.lane == kRopeLane ? kPastRope : kPastWall;
            if (!shot.through && shot.ball->posX > kObstacleX + past) {
                shot.through = true;
                ++through_[static_cast<std::size_t>(shot.lane)];
            }
        }
        std::erase_if(shots_, [this](const Shot& shot) {
            if (steps_ - shot.firedAt < kLifetime) return false;
            shot.ball->SubRef();
            return true;
        });
    }

    void Draw() const override {
        DrawBounds();
        const float width = draw2d::GetLineWidth();
        draw2d::SetLineWidth(2);
        DrawZones(palette::kOwnColours);
        for (int lane = 0; lane < kLanes; ++lane) DrawCannon(lane, FlashOf(lane));
        DrawConstraints();
        for (const core::Ref<TMass>& m : wall_) {
            SetColour(palette::kFrozenMass);
            m->Draw();
        }
        for (int k = 0; k <= rope_->MassMaxIndex(); ++k) {
            if (const TMass* m = rope_->MassGet(k)) {
                SetColour(m->IsFrozen() ? palette::kFrozenMass : kRopeColour);
                m->Draw();
            }
        }
        // Each ball with the way it came in the last step, faint: a fast one
        // shows the wall it jumped over.
        for (const Shot& shot : shots_) {
            const TMass& b = *shot.ball;
            SetColour(shot.through ? kThrough : bullets_ ? kBullet : palette::kMass);
            draw2d::SetAlpha(kTrailAlpha);
            TPhysics::DrawLine(b.oldPosX, b.oldPosY, b.posX, b.posY);
            draw2d::SetAlpha(1);
            b.Draw();
        }
        DrawCounts();
        DrawSlider();
        draw2d::SetLineWidth(width);
    }

    bool Mouse(const MouseAction& action) override {
        if (action.kind == MouseAction::Press) sliding_ = action.y >= kStripTop;
        if (!sliding_) return false;
        if (action.kind == MouseAction::Release) {
            sliding_ = false;
            return true;
        }
        if (const float speed = SpeedAt(action.x); speed != speed_) {
            speed_ = speed;
            StartCounting();
        }
        return true;
    }

    // With continuous collision on, nothing gets through a zone or a frozen
    // wall, however fast, nor through the rope when the balls are bullets.
    std::string Check() const override {
        char text[128];
        for (int lane = 0; lane < kLanes; ++lane) {
            const auto k = static_cast<std::size_t>(lane);
            if (fired_[k] == 0) return "no ball was fired along lane " + std::to_string(lane);
            const bool mustHold = lane != kRopeLane || bullets_;
            if (mustHold && TPhysics::GetContinuous() && through_[k] > 0) {
                std::snprintf(text, sizeof text,
                              "%d of %d balls at %.0f units a step got through obstacle %d",
                              through_[k], fired_[k], static_cast<double>(speed_), lane);
                return text;
            }
        }
        return {};
    }

    std::vector<SceneOption> Options() override {
        return {{"Continuous",
                 [this] {
                     TPhysics::SetContinuous(TPhysics::GetContinuous() ? 0 : 1);
                     StartCounting();
                 },
                 [] { return TPhysics::GetContinuous() != 0; }},
                {"Bullets",
                 [this] {
                     bullets_ = !bullets_;
                     for (const Shot& shot : shots_) shot.ball->SetBullet(bullets_ ? 1 : 0);
                     StartCounting();
                 },
                 [this] { return bullets_; }}};
    }

  private:
    void Fire(int lane) {
        const float y = LaneTop(lane) + kMuzzleDrop;
        // The ball leaves the muzzle somewhere within the step, so that where
        // it lands step after step differs from shot to shot.
        const float x = kMuzzleX + Spread(shotCount_++) * speed_;
        Shot shot{AddBall(x, y, kBall), lane, steps_, false};
        shot.ball->SetVelocity(speed_, 0);
        shot.ball->SetBullet(bullets_ ? 1 : 0);
        shots_.push_back(std::move(shot));
        ++fired_[static_cast<std::size_t>(lane)];
    }

    // Forgets the counts and the balls on their way: what follows shows the
    // settings as they are now.
    void StartCounting() {
        fired_.fill(0);
        through_.fill(0);
        for (const Shot& shot : shots_) shot.ball->SubRef();
        shots_.clear();
    }

    // 1 just after the lane's cannon fired, down to 0 kFlashSteps later.
    float FlashOf(int lane) const {
        const int since = (steps_ - 1) - ((steps_ - 1) / kFireEvery) * kFireEvery;
        const int last = (steps_ - 1) / kFireEvery % kLanes;
        return steps_ > 0 && lane == last && since < kFlashSteps
                   ? 1 - static_cast<float>(since) / kFlashSteps
                   : 0;
    }

    static void DrawCannon(int lane, float flash) {
        const float y = LaneTop(lane) + kMuzzleDrop, floor = LaneFloor(lane);
        if (flash > 0) {
            SetColour(kFlash);
            const float reach = 10 + 16 * flash, half = kBarrelHalf + 4 * flash;
            TPhysics::DrawPoly({kMuzzleX, y - half, kMuzzleX + reach, y, kMuzzleX, y + half}, 0, 0);
        }
        SetColour(kMount);
        TPhysics::DrawPoly(
            {kBreechX + 12, y, kBreechX + 34, y, kBreechX + 44, floor, kBreechX + 2, floor}, 0, 0);
        SetColour(kBarrel);
        TPhysics::DrawPoly(Box(kBreechX, y - kBarrelHalf, kMuzzleX, y + kBarrelHalf), 0, 0);
        TPhysics::DrawOval(kBreechX - kBarrelHalf - 2, y - kBarrelHalf - 2, 2 * kBarrelHalf + 4,
                           2 * kBarrelHalf + 4);
        TPhysics::DrawPoly(Box(kMuzzleX - 6, y - kBarrelHalf - 2, kMuzzleX, y + kBarrelHalf + 2), 0,
                           0);
    }

    // "through / fired" at the end of each lane.
    void DrawCounts() const {
        for (int lane = 0; lane < kLanes; ++lane) {
            const auto k = static_cast<std::size_t>(lane);
            const float y = LaneTop(lane) + kShelfHalf + kCountDrop;
            SetColour(through_[k] > 0 ? kThrough : kHeld);
            float x = DrawNumber(through_[k], kCountX, y);
            SetColour(palette::kText);
            TPhysics::DrawLine(x, y + kDigitHeight, x + kDigitWidth, y);
            DrawNumber(fired_[k], x + kDigitWidth + kDigitGap, y);
        }
    }

    void DrawSlider() const {
        SetColour(palette::kText);
        DrawNumber(static_cast<int>(speed_), 40, kSliderY - kDigitHeight / 2);
        SetColour(palette::kConstraint);
        TPhysics::DrawLine(kSliderLeft, kSliderY, kSliderRight, kSliderY);
        for (float tick : kSpeedTicks) {
            const float x = SliderX(tick);
            TPhysics::DrawLine(x, kSliderY - 6, x, kSliderY + 6);
        }
        SetColour(kBullet);
        const float x = SliderX(speed_);
        TPhysics::DrawOval(x - kKnobRadius, kSliderY - kKnobRadius, 2 * kKnobRadius,
                           2 * kKnobRadius);
    }

    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TZone>> zones_;
    std::vector<core::Ref<TMass>> wall_;
    core::Ref<TAdvBody> rope_;
    std::vector<Shot> shots_;
    std::array<int, kLanes> fired_{}, through_{};
    float speed_ = kStartSpeed;
    bool bullets_ = false, sliding_ = false;
    int steps_ = 0, shotCount_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeCannon() { return std::make_unique<Cannon>(); }

} // namespace samples
