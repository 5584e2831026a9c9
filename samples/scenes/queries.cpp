// Queries: asking the world what lies where. A ray runs from a fixed point
// at the top left to the pointer, every hit along it marked with its normal
// and the first one ringed; drag to draw a box, and what it holds lights up.
// Until the pointer moves over the canvas the ray and the box sweep the
// scene on their own. Each answer is checked against a look at every mass
// and zone, which is the scene's promise.
#include <cmath>
#include <cstdio>
#include <string>
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
constexpr int kGridSize = 30; // cells 27 x 20: room for balls of radius 6 and 4 of drift
constexpr float kZoneFriction = 0.4f;
constexpr int kTreeLevel = 5;
constexpr int kColumns = 30, kRows = 10;
constexpr float kSpacing = 16;
constexpr Material kSmall{.mass = 1, .radius = 4, .friction = 0.3f, .stiffness = 1, .colGroup = -1};
constexpr Material kLarge{.mass = 2, .radius = 6, .friction = 0.3f, .stiffness = 1, .colGroup = -1};
constexpr float kRayFromX = 30, kRayFromY = 30;
constexpr float kHitMark = 3;       // world units, the radius of a hit's mark
constexpr float kNormalLength = 14; // world units
constexpr int kSweepPeriod = 240;   // steps for the ray's own sweep across the scene

class Queries final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, kGridSize);
        const float left = (kWidth - (kColumns - 1) * kSpacing) / 2;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                balls_.push_back(AddBall(left + c * kSpacing + (r % 2) * kSpacing / 2,
                                         60 + r * kSpacing, (r + c) % 3 ? kSmall : kLarge));
        // A slope, a ledge left open at one end and a closed frame to cast at.
        zones_.push_back(
            TZone::Create({0, 420, 500, 560, 0, 560}, TZone::FILL, kZoneFriction, -1, kTreeLevel));
        zones_.push_back(TZone::Create({520, 330, 700, 300, 760, 340}, TZone::LINE, kZoneFriction,
                                       -1, kTreeLevel));
        zones_.push_back(TZone::Create({560, 420, 740, 420, 740, 540, 560, 540}, TZone::LOOP,
                                       kZoneFriction, -1, kTreeLevel));
    }

    void Step() override {
        Scene::Step();
        ++steps_;
        if (!userMoved_) {
            // The scene's own pointer: the ray's end sweeps the floor, and a
            // box slides along the heap.
            const float phase = static_cast<float>(steps_ % kSweepPeriod) / kSweepPeriod;
            rayToX_ = 40 + phase * (kWidth - 80);
            rayToY_ = kHeight - 10;
            boxX1_ = 20 + phase * (kWidth - 160);
            boxY1_ = 380;
            boxX2_ = boxX1_ + 120;
            boxY2_ = 480;
            hasBox_ = true;
        }
        Ask();
    }

    void Draw() const override {
        Scene::Draw();
        // The box and what it holds.
        if (hasBox_) {
            SetColour(palette::kHighlight);
            for (TMass* m : inBox_)
                TPhysics::DrawOval(m->posX - m->radius, m->posY - m->radius, 2 * m->radius,
                                   2 * m->radius);
            for (TZone* z : zonesInBox_) z->DrawQuadTree(0);
            const float x = std::fmin(boxX1_, boxX2_), y = std::fmin(boxY1_, boxY2_);
            TPhysics::DrawLine(x, y, x + std::fabs(boxX2_ - boxX1_), y);
            TPhysics::DrawLine(x, y + std::fabs(boxY2_ - boxY1_), x + std::fabs(boxX2_ - boxX1_),
                               y + std::fabs(boxY2_ - boxY1_));
            TPhysics::DrawLine(x, y, x, y + std::fabs(boxY2_ - boxY1_));
            TPhysics::DrawLine(x + std::fabs(boxX2_ - boxX1_), y, x + std::fabs(boxX2_ - boxX1_),
                               y + std::fabs(boxY2_ - boxY1_));
        }
        // The ray, its hits and their normals; the first hit ringed.
        SetColour(palette::kText);
        TPhysics::DrawLine(kRayFromX, kRayFromY, rayToX_, rayToY_);
        for (std::size_t k = 0; k < hits_.size(); ++k) {
            const TRayHit& h = hits_[k];
            SetColour(k == 0 ? palette::kHeld : palette::kStretched);
            const float r = k == 0 ? 2 * kHitMark : kHitMark;
            TPhysics::DrawOval(h.x - r, h.y - r, 2 * r, 2 * r);
            TPhysics::DrawLine(h.x, h.y, h.x + h.normalX * kNormalLength,
                               h.y + h.normalY * kNormalLength);
        }
    }

    bool Mouse(const MouseAction& action) override {
        userMoved_ = true;
        switch (action.kind) {
        case MouseAction::Press:
            dragging_ = hasBox_ = true;
            boxX1_ = boxX2_ = action.x;
            boxY1_ = boxY2_ = action.y;
            break;
        case MouseAction::Move:
            rayToX_ = action.x;
            rayToY_ = action.y;
            if (dragging_) {
                boxX2_ = action.x;
                boxY2_ = action.y;
            }
            break;
        case MouseAction::Release:
            dragging_ = false;
            break;
        }
        Ask();
        return true; // the scene's own use: no dragging of masses here
    }

    std::string Check() const override {
        if (faults_ > 0) {
            char text[96];
            std::snprintf(text, sizeof text, "%d answers differed from a look at every mass",
                          faults_);
            return text;
        }
        if (raysThatHit_ < steps_ / 2) return "the ray across the scene rarely met anything";
        if (boxesThatHeld_ < steps_ / 2) return "the box on the heap rarely held anything";
        return {};
    }

  private:
    // Asks the world about the current ray and box, and checks the answers.
    void Ask() {
        hits_.clear();
        TPhysics::RayCastAll(kRayFromX, kRayFromY, rayToX_, rayToY_, [&](const TRayHit& h) {
            hits_.push_back(h);
            return true;
        });
        inBox_.clear();
        zonesInBox_.clear();
        if (hasBox_) {
            TPhysics::QueryBox(boxX1_, boxY1_, boxX2_, boxY2_, [&](TMass* m, TZone* z) {
                if (m) inBox_.push_back(m);
                if (z) zonesInBox_.push_back(z);
                return true;
            });
        }
        if (!hits_.empty()) ++raysThatHit_;
        if (!inBox_.empty()) ++boxesThatHeld_;
        CheckAnswers();
    }

    // The answers against every mass: the box holds exactly the discs that
    // overlap it, the hits come in order and each lies on its disc (or
    // starts inside it), and the nearest mass to the ray's end is no further
    // than any other.
    void CheckAnswers() {
        const float x0 = std::fmin(boxX1_, boxX2_), x1 = std::fmax(boxX1_, boxX2_);
        const float y0 = std::fmin(boxY1_, boxY2_), y1 = std::fmax(boxY1_, boxY2_);
        std::size_t overlapping = 0;
        float nearestEdge = 1e30f;
        for (const auto& m : balls_) {
            const float qx = std::fmin(std::fmax(m->posX, x0), x1) - m->posX;
            const float qy = std::fmin(std::fmax(m->posY, y0), y1) - m->posY;
            if (hasBox_ && qx * qx + qy * qy <= m->radius * m->radius) ++overlapping;
            nearestEdge = std::fmin(nearestEdge,
                                    std::hypot(rayToX_ - m->posX, rayToY_ - m->posY) - m->radius);
        }
        if (overlapping != inBox_.size()) ++faults_;
        for (std::size_t k = 0; k < hits_.size(); ++k) {
            const TRayHit& h = hits_[k];
            if (k > 0 && h.fraction < hits_[k - 1].fraction) ++faults_;
            if (!h.mass) continue;
            const float off = std::hypot(h.x - h.mass->posX, h.y - h.mass->posY);
            const bool onEdge = std::fabs(off - h.mass->radius) < 0.01f * h.mass->radius + 0.01f;
            if (!onEdge && !(h.fraction == 0 && off <= h.mass->radius)) ++faults_;
        }
        float edge = 0;
        if (TMass* m = TPhysics::NearestMass(rayToX_, rayToY_, 1e6f, edge))
            if (std::fabs(edge - nearestEdge) > 1e-3f || !m->InWorld()) ++faults_;
    }

    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TMass>> balls_;
    std::vector<core::Ref<TZone>> zones_;
    std::vector<TRayHit> hits_;
    std::vector<TMass*> inBox_;
    std::vector<TZone*> zonesInBox_;
    float rayToX_ = kWidth / 2, rayToY_ = kHeight / 2;
    float boxX1_ = 0, boxY1_ = 0, boxX2_ = 0, boxY2_ = 0;
    bool hasBox_ = false, dragging_ = false, userMoved_ = false;
    int steps_ = 0, faults_ = 0, raysThatHit_ = 0, boxesThatHeld_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeQueries() { return std::make_unique<Queries>(); }

} // namespace samples
