// Soft bodies: pressure blobs and jellies from the library's builders, dropped
// one after another onto two slopes and onto each other. A blob is a ring
// round the air it holds: its pressure constraint pushes the ring out while
// it encloses less than its rest area. A jelly is a ring on springs of the
// material (a compliance) round a centre.
//
// The buttons switch the solver's mode 2, which solves the constraints
// together so that a round body does not set itself rolling, and the blobs'
// pressure: without it a blob is a loose loop and slumps.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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
constexpr int kIterations = 8;
constexpr int kGridSize = 16;
constexpr int kSolveTogether = 2; // the stacking mode the first button switches

constexpr int kBodies = 10;
constexpr int kDropEvery = 45; // steps
constexpr float kDropY = 50;
constexpr float kDropX[] = {170, 560, 300, 660, 120, 470, 240, 620, 380, 700};

constexpr int kBlobRim = 24;
constexpr float kBlobRadius = 34;
constexpr float kPressure = 1; // per pass: all of the missing area
constexpr TMaterial kBlobSkin{.mass = 1, .radius = 4, .friction = 0.4f, .stiffness = 1};

constexpr int kJellyRim = 16;
constexpr float kJellyRadius = 30;
constexpr TMaterial kJellySkin{
    .mass = 1, .radius = 4, .friction = 0.4f, .compliance = 0.02f, .damping = 1};
constexpr float kJellyInside = 0.1f; // compliance of the inner links

constexpr float kZoneFriction = 0.3f;
constexpr int kTreeLevel = 5;

// What a blob must keep of its rest area while its pressure is on, and a
// jelly always.
constexpr float kBlobKeeps = 0.85f;
constexpr float kJellyKeeps = 0.6f;

constexpr Colour kBlobFill{60, 110, 170};
constexpr Colour kJellyFill{70, 140, 90};

// One dropped body: its ring of masses and, for a blob, its pressure slot.
struct Shape {
    core::Ref<TAdvBody> body;
    int firstRim = 0, rim = 0;
    int pressure = -1; // -1 for a jelly
    float restArea = 0;
};

class SoftBodies final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, kGridSize);
        TPhysics::SetStacking(kSolveTogether);
        zones_.push_back(TZone::Create({0, 250, 330, 350, 330, 370, 0, 275}, TZone::FILL,
                                       kZoneFriction, -1, kTreeLevel));
        zones_.push_back(TZone::Create({800, 330, 470, 440, 470, 460, 800, 355}, TZone::FILL,
                                       kZoneFriction, -1, kTreeLevel));
        zones_.push_back(TZone::Create({330, 600, 400, 545, 470, 600}, TZone::FILL, kZoneFriction,
                                       -1, kTreeLevel));
    }

    void Step() override {
        if (steps_ % kDropEvery == 0 && static_cast<int>(bodies_.size()) < kBodies) Drop();
        ++steps_;
        Scene::Step();
    }

    void Draw() const override {
        DrawBounds();
        DrawZones();
        for (const Shape& b : bodies_) Fill(b);
        DrawConstraints();
        DrawMasses();
    }

    std::string Check() const override {
        for (std::size_t k = 0; k < bodies_.size(); ++k) {
            const Shape& b = bodies_[k];
            const float kept = Area(b) / b.restArea;
            const bool blob = b.pressure >= 0;
            if (!std::isfinite(kept)) return "a body's area is not a number";
            if ((blob && pressureOn_ && kept < kBlobKeeps) || (!blob && kept < kJellyKeeps)) {
                char text[96];
                std::snprintf(text, sizeof text, "%s %zu kept %.0f%% of its area",
                              blob ? "blob" : "jelly", k, static_cast<double>(100 * kept));
                return text;
            }
        }
        return {};
    }

    std::vector<SceneOption> Options() override {
        return {{"Together", [] { TPhysics::SetStacking(TogetherOn() ? 0 : kSolveTogether); },
                 &TogetherOn},
                {"Pressure",
                 [this] {
                     pressureOn_ = !pressureOn_;
                     for (const Shape& b : bodies_) ApplyPressure(b);
                 },
                 [this] { return pressureOn_; }}};
    }

  private:
    void Drop() {
        const int n = static_cast<int>(bodies_.size());
        const float x = kDropX[n % std::size(kDropX)];
        Shape b;
        if (n % 2 == 0) {
            TBlobDef def;
            def.x = x, def.y = kDropY, def.radius = kBlobRadius, def.rim = kBlobRim;
            def.pressure = kPressure;
            def.material = kBlobSkin;
            b = {BuildBlob(def), 0, kBlobRim, kBlobRim};
        } else {
            TJellyDef def;
            def.x = x, def.y = kDropY, def.radius = kJellyRadius, def.rim = kJellyRim;
            // Every other jelly with an inner ring, which holds its shape better.
            def.interior = n % 4 == 1 ? TJellyDef::SPOKES : TJellyDef::MESH;
            def.material = kJellySkin;
            def.innerCompliance = kJellyInside;
            b = {BuildJelly(def), 1, kJellyRim, -1};
        }
        b.restArea = Area(b);
        ApplyPressure(b);
        b.body->Activate();
        bodies_.push_back(b);
    }

    static bool TogetherOn() { return TPhysics::GetStacking() == kSolveTogether; }

    void ApplyPressure(const Shape& b) const {
        if (b.pressure >= 0) b.body->ConSetStiffness(b.pressure, pressureOn_ ? kPressure : 0);
    }

    static float Area(const Shape& b) { return PolygonArea(*b.body, b.firstRim, b.rim); }

    // A fan of triangles from the ring's middle: a ring squashed out of
    // convexity still fills correctly.
    static void Fill(const Shape& b) {
        float cx = 0, cy = 0;
        for (int k = 0; k < b.rim; ++k) {
            cx += b.body->MassGetX(b.firstRim + k);
            cy += b.body->MassGetY(b.firstRim + k);
        }
        cx /= static_cast<float>(b.rim);
        cy /= static_cast<float>(b.rim);
        SetColour(b.pressure >= 0 ? kBlobFill : kJellyFill);
        std::vector<float> triangle(6);
        for (int k = 0; k < b.rim; ++k) {
            const int here = b.firstRim + k, next = b.firstRim + (k + 1) % b.rim;
            triangle = {cx,
                        cy,
                        b.body->MassGetX(here),
                        b.body->MassGetY(here),
                        b.body->MassGetX(next),
                        b.body->MassGetY(next)};
            TPhysics::DrawPoly(triangle, 0, 0);
        }
    }

    core::Ref<TPhysics> world_;
    std::vector<core::Ref<TZone>> zones_;
    std::vector<Shape> bodies_;
    bool pressureOn_ = true;
    int steps_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeSoftBodies() { return std::make_unique<SoftBodies>(); }

} // namespace samples
