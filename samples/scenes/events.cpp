// Events: a collision hook marks every contact of the step at its point,
// coloured from green (light) to red (hard), and a pad with a response of
// its own throws back whatever lands on it. The hook runs before the event
// is queued; the queue then holds one event per touching pair.
#include <algorithm>
#include <string>
#include <vector>

#include "core/hook.h"
#include "graphics/draw2d.h"
#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/palette.h"
#include "samples/scenes/scenes.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 3;
constexpr float kZoneFriction = 0.3f;
constexpr int kTreeLevel = 5;
constexpr Material kBall{.mass = 1, .radius = 9, .friction = 0.3f, .stiffness = 1, .colGroup = -1};
constexpr Material kJelly{
    .mass = 1, .radius = 6, .friction = 0.4f, .stiffness = 0.4f, .colGroup = -1};
constexpr int kBalls = 24;
// The pad sends a mass off at this part of the speed it came in with.
constexpr float kBounce = 0.95f;
// Force at which a mark is drawn fully red, and the marks' size.
constexpr float kHardForce = 4;
constexpr float kMarkSize = 7, kMarkWidth = 2;
constexpr Colour kLight{60, 220, 90}, kHard{250, 50, 40};

struct Mark {
    float x, y, force;
};

// What the hook fills in: hooks take their context as an object.
class Marks final : public core::Object {
  public:
    std::vector<Mark> marks;
    int seen = 0; // events the hook saw in the last step
};

// Counts the pad's bounces; a response is a plain function with no context.
int padBounces = 0;

// The pad's response: out of the pad, then the speed along the normal
// turned round, as a ball off a trampoline.
int Bounce(TZone*, TMass* mass, float nx, float ny, float depth) {
    const float vx = mass->GetVX(), vy = mass->GetVY();
    mass->posX += nx * depth;
    mass->posY += ny * depth;
    const float along = vx * nx + vy * ny;
    if (along < 0) {
        mass->SetVelocity(vx - (1 + kBounce) * along * nx, vy - (1 + kBounce) * along * ny);
        ++padBounces;
    }
    return 0;
}

class Events final : public Scene {
  public:
    ~Events() override { core::RemoveHook(TColEvent::colHookId, &MarkContact, marks_); }

    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 16);
        core::AddHook(TColEvent::colHookId, &MarkContact, marks_);
        padBounces = 0;
        for (int k = 0; k < kBalls; ++k)
            balls_.push_back(AddBall(60 + 28 * k, 40 + 30 * (k % 3), kBall));
        jelly_ = BuildJelly({.x = 200,
                             .y = 200,
                             .radius = 40,
                             .rim = 14,
                             .material = kJelly,
                             .innerStiffness = kJelly.stiffness});
        jelly_->Activate();
        zones_.push_back(TZone::Create({0, 420, 500, 520, 500, 600, 0, 600}, TZone::FILL,
                                       kZoneFriction, -1, kTreeLevel));
        pad_ = TZone::Create({540, 520, 800, 520, 800, 560, 540, 560}, TZone::FILL, kZoneFriction,
                             -1, kTreeLevel);
        pad_->OverrideCollision(&Bounce);
        pad_->SetColor(250, 170, 40);
    }

    void Step() override {
        marks_->marks.clear();
        marks_->seen = 0;
        Scene::Step();
    }

    void Draw() const override {
        Scene::Draw();
        const float width = draw2d::GetLineWidth();
        draw2d::SetLineWidth(kMarkWidth);
        for (const Mark& m : marks_->marks) {
            SetColour(Mix(kLight, kHard, std::clamp(m.force / kHardForce, 0.0f, 1.0f)));
            TPhysics::DrawLine(m.x - kMarkSize, m.y - kMarkSize, m.x + kMarkSize, m.y + kMarkSize);
            TPhysics::DrawLine(m.x - kMarkSize, m.y + kMarkSize, m.x + kMarkSize, m.y - kMarkSize);
        }
        draw2d::SetLineWidth(width);
    }

    std::string Check() const override {
        if (padBounces == 0) return "nothing bounced off the pad";
        // The queue merges the events of a pair; the hook saw each one.
        if (marks_->seen < TColEvent::QueueCount()) return "the hook missed queued events";
        if (marks_->seen == 0) return "the hook saw no contact in the last step";
        return {};
    }

  private:
    static core::Ref<core::Object> MarkContact(int, core::Object* data, core::Object* context) {
        auto* marks = static_cast<Marks*>(context);
        if (auto* event = core::As<TColEvent>(data)) {
            marks->marks.push_back({event->GetX(), event->GetY(), event->GetForce()});
            ++marks->seen;
        }
        return data; // passed on: the event is still queued
    }

    core::Ref<TPhysics> world_;
    core::Ref<Marks> marks_ = core::Make<Marks>();
    std::vector<core::Ref<TMass>> balls_;
    core::Ref<TAdvBody> jelly_;
    std::vector<core::Ref<TZone>> zones_;
    core::Ref<TZone> pad_;
};

} // namespace

std::unique_ptr<Scene> MakeEvents() { return std::make_unique<Events>(); }

} // namespace samples
