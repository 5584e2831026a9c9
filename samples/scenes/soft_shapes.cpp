// Soft shapes: stars and block letters built from their outlines, jellies and
// pressure blobs, dropped one after another into a bowl while a rain of
// small balls falls on them. Shape matching keeps the stars' points and the
// letters' corners, which soft links alone let fold. Every body wears a
// skin: the gaps between its rim masses would let the balls through, and
// the skin makes the edges between them solid, so the balls roll off
// instead of slipping in.
//
// The buttons take the skins and the shape matching out of the world and
// put them back: without skins the rain fills the bodies, without shape
// matching the letters slump.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
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
constexpr int kSolveTogether = 2; // the stacking mode that solves the constraints together

// The bowl: a half ellipse cut out of a block, its lips at kBowlTop.
constexpr float kBowlX = 400, kBowlTop = 200, kBowlRadiusX = 330, kBowlRadiusY = 370;
constexpr float kBowlLip = 40, kBowlFloor = 590;
constexpr int kBowlSegments = 24;
constexpr float kZoneFriction = 0.3f;
constexpr int kTreeLevel = 5;

// Rim masses 10 apart with a radius of 3 leave gaps of 4: wide enough for
// the rain's balls were it not for the skins.
constexpr float kSpacing = 10;
constexpr float kRimRadius = 3;
constexpr TMaterial kShapeMaterial{
    .mass = 1, .radius = kRimRadius, .friction = 0.4f, .compliance = 0.02f, .damping = 1};
constexpr float kShapeStiffness = 0.5f;
constexpr float kStarOuter = 45, kStarInner = 20;
constexpr int kStarPoints = 5;
// Block letters round their middles, x, y pairs.
const std::vector<float> kLetterL{-28, -42, -2, -42, -2, 16, 36, 16, 36, 42, -28, 42};
const std::vector<float> kLetterT{-38, -42, 38,  -42, 38,  -16, 13,  -16,
                                  13,  42,  -13, 42,  -13, -16, -38, -16};

constexpr int kJellyRim = 16;
constexpr float kJellyRadius = 32;
constexpr TMaterial kJellyMaterial{
    .mass = 1, .radius = kRimRadius, .friction = 0.4f, .compliance = 0.02f, .damping = 1};
constexpr float kJellyInside = 0.1f; // compliance of the inner links

constexpr int kBlobRim = 24;
constexpr float kBlobRadius = 34;
constexpr float kPressure = 1; // per pass: all of the missing area
constexpr TMaterial kBlobMaterial{
    .mass = 1, .radius = kRimRadius, .friction = 0.4f, .stiffness = 1};

enum class Kind { Star, LetterL, LetterT, Jelly, Blob };
struct Drop {
    Kind kind;
    float x;
};
constexpr Drop kDrops[] = {{Kind::Jelly, 260},   {Kind::Blob, 540},  {Kind::Star, 400},
                           {Kind::LetterL, 200}, {Kind::Jelly, 600}, {Kind::LetterT, 330},
                           {Kind::Blob, 470},    {Kind::Star, 250}};
constexpr int kDropEvery = 40; // steps
constexpr float kDropY = 70;

// The rain: a ball every few steps over the bowl; past kMostBalls the oldest
// ball goes back to the top, so the rain can go on for ever.
constexpr int kRainEvery = 12; // steps: 5 a second
constexpr int kMostBalls = 80;
constexpr float kRainY = 10, kRainLeft = 120, kRainWidth = 560;
constexpr float kBallMass = 0.5f, kBallFriction = 0.3f;
constexpr float kSmallest = 1, kLargest = 2; // radii

// How far (RMS, world units) a star or letter may stray from its own form
// while its shape matching is on.
constexpr float kMostOutOfShape = 5;
// A ball lies on a skin within this of touching one of its edges or masses;
// at the end of a run at least kLeastResting balls must.
constexpr float kTouching = 0.5f;
constexpr int kLeastResting = 5;

constexpr Colour kStarFill{200, 160, 60};
constexpr Colour kLetterFill{170, 90, 150};
constexpr Colour kJellyFill{70, 140, 90};
constexpr Colour kBlobFill{60, 110, 170};

// The fractional part of k times an irrational number: a spread of places
// and sizes that repeats from run to run without a random generator.
float Spread(int k, double step) {
    const double v = k * step;
    return static_cast<float>(v - std::floor(v));
}

std::vector<float> Bowl() {
    std::vector<float> xy{kBowlX - kBowlRadiusX - kBowlLip, kBowlTop};
    for (int k = 0; k <= kBowlSegments; ++k) {
        const double a = std::numbers::pi * (1 - static_cast<double>(k) / kBowlSegments);
        xy.push_back(kBowlX + static_cast<float>(kBowlRadiusX * std::cos(a)));
        xy.push_back(kBowlTop + static_cast<float>(kBowlRadiusY * std::sin(a)));
    }
    xy.insert(xy.end(),
              {kBowlX + kBowlRadiusX + kBowlLip, kBowlTop, kBowlX + kBowlRadiusX + kBowlLip,
               kBowlFloor, kBowlX - kBowlRadiusX - kBowlLip, kBowlFloor});
    return xy;
}

std::vector<float> Star(float x, float y) {
    std::vector<float> xy;
    for (int k = 0; k < 2 * kStarPoints; ++k) {
        const double a = -std::numbers::pi / 2 + std::numbers::pi * k / kStarPoints;
        const double r = k % 2 == 0 ? kStarOuter : kStarInner;
        xy.push_back(x + static_cast<float>(r * std::cos(a)));
        xy.push_back(y + static_cast<float>(r * std::sin(a)));
    }
    return xy;
}

std::vector<float> Moved(std::vector<float> xy, float x, float y) {
    for (std::size_t k = 0; k < xy.size(); k += 2) xy[k] += x, xy[k + 1] += y;
    return xy;
}

core::Ref<TAdvBody> Build(Kind kind, float x, float y) {
    switch (kind) {
    case Kind::Jelly:
        return BuildJelly({.x = x,
                           .y = y,
                           .radius = kJellyRadius,
                           .rim = kJellyRim,
                           .interior = TJellyDef::MESH,
                           .material = kJellyMaterial,
                           .innerCompliance = kJellyInside,
                           .skin = true});
    case Kind::Blob:
        return BuildBlob({.x = x,
                          .y = y,
                          .radius = kBlobRadius,
                          .rim = kBlobRim,
                          .pressure = kPressure,
                          .material = kBlobMaterial,
                          .skin = true});
    default:
        return BuildShape({.outline = kind == Kind::Star      ? Star(x, y)
                                      : kind == Kind::LetterL ? Moved(kLetterL, x, y)
                                                              : Moved(kLetterT, x, y),
                           .spacing = kSpacing,
                           .shapeStiffness = kShapeStiffness,
                           .skin = true,
                           .material = kShapeMaterial});
    }
}

Colour FillOf(Kind kind) {
    switch (kind) {
    case Kind::Star:
        return kStarFill;
    case Kind::Jelly:
        return kJellyFill;
    case Kind::Blob:
        return kBlobFill;
    default:
        return kLetterFill;
    }
}

// The highest constraint slot of that kind; -1 for none.
int SlotOf(const TAdvBody& body, TConstraint::Kind kind) {
    for (int k = body.ConMaxIndex(); k >= 0; --k)
        if (const TConstraint* c = body.ConGet(k); c && c->GetKind() == kind) return k;
    return -1;
}

// Where a point lies against a closed ring of masses: inside it or not (by
// the even-odd rule), and how far from its nearest edge.
struct RingPlace {
    bool inside = false;
    float distance = INFINITY;
};
RingPlace PlaceOn(const TConstraint& ring, float x, float y) {
    RingPlace place;
    for (int i = 0, j = ring.GetRingSize() - 1; i < ring.GetRingSize(); j = i++) {
        const TMass &a = *ring.GetRingMass(i), &b = *ring.GetRingMass(j);
        if ((a.posY > y) != (b.posY > y) &&
            x < (b.posX - a.posX) * (y - a.posY) / (b.posY - a.posY) + a.posX)
            place.inside = !place.inside;
        const float ex = b.posX - a.posX, ey = b.posY - a.posY;
        const float along = ex * ex + ey * ey > 0
                                ? ((x - a.posX) * ex + (y - a.posY) * ey) / (ex * ex + ey * ey)
                                : 0;
        const float t = std::clamp(along, 0.0f, 1.0f);
        place.distance =
            std::fmin(place.distance, std::hypot(x - a.posX - t * ex, y - a.posY - t * ey));
    }
    return place;
}

// Triangles (three corner numbers each) that tile a simple polygon of x, y
// pairs, found by cutting off ears. GL fills only convex polygons, and the
// bowl, a star or a letter is not one.
std::vector<int> Triangulate(const std::vector<float>& xy) {
    const int n = static_cast<int>(xy.size() / 2);
    auto cross = [&](int a, int b, int c) {
        return (xy[2 * b] - xy[2 * a]) * (xy[2 * c + 1] - xy[2 * a + 1]) -
               (xy[2 * b + 1] - xy[2 * a + 1]) * (xy[2 * c] - xy[2 * a]);
    };
    float twiceArea = 0;
    for (int k = 1; k + 1 < n; ++k) twiceArea += cross(0, k, k + 1);
    const float turn = twiceArea > 0 ? 1.0f : -1.0f;
    std::vector<int> left(static_cast<std::size_t>(n)), triangles;
    for (int k = 0; k < n; ++k) left[static_cast<std::size_t>(k)] = k;
    while (left.size() > 3) {
        const std::size_t count = left.size();
        std::size_t ear = count;
        for (std::size_t i = 0; i < count && ear == count; ++i) {
            const int a = left[(i + count - 1) % count], b = left[i], c = left[(i + 1) % count];
            if (turn * cross(a, b, c) <= 0) continue; // a notch, or flat
            ear = i;
            for (int q : left) {
                if (q != a && q != b && q != c && turn * cross(a, b, q) >= 0 &&
                    turn * cross(b, c, q) >= 0 && turn * cross(c, a, q) >= 0) {
                    ear = count; // another corner in the way
                    break;
                }
            }
        }
        if (ear == count) break; // nothing more to cut: leave the rest unfilled
        triangles.insert(triangles.end(),
                         {left[(ear + count - 1) % count], left[ear], left[(ear + 1) % count]});
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(ear));
    }
    if (left.size() == 3) triangles.insert(triangles.end(), left.begin(), left.end());
    return triangles;
}

// Fills the triangles, whose corners place(k, x, y) gives.
template <class Place>
void FillTriangles(const std::vector<int>& triangles, Place place, std::vector<float>& scratch) {
    scratch.resize(6);
    for (std::size_t k = 0; k + 2 < triangles.size(); k += 3) {
        for (std::size_t c = 0; c < 3; ++c)
            place(triangles[k + c], scratch[2 * c], scratch[2 * c + 1]);
        TPhysics::DrawPoly(scratch, 0, 0);
    }
}

// A dropped body: its skin and shape-matching slots, and how it is filled.
struct Body {
    core::Ref<TAdvBody> body;
    int skin = -1;
    int shape = -1; // -1 for a jelly or a blob
    std::vector<int> triangles;
    Colour fill;
    const TConstraint& Skin() const { return *body->ConGet(skin); }
};

class SoftShapes final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, kGridSize);
        TPhysics::SetStacking(kSolveTogether);
        bowl_ = TZone::Create(Bowl(), TZone::FILL, kZoneFriction, -1, kTreeLevel);
        bowlTriangles_ = Triangulate(bowl_->area);
        balls_.reserve(kMostBalls);
    }

    void Step() override {
        if (steps_ % kDropEvery == 0 && bodies_.size() < std::size(kDrops)) DropBody();
        if (steps_ % kRainEvery == 0) Rain();
        ++steps_;
        Scene::Step();
    }

    void Draw() const override {
        DrawBounds();
        std::vector<float> scratch;
        // The bowl's own fill: the world draws a zone as one polygon, which
        // GL fills wrongly where it is concave.
        SetColour(palette::kZone);
        FillTriangles(
            bowlTriangles_,
            [&](int k, float& x, float& y) {
                x = bowl_->area[2 * k] + bowl_->offsetX;
                y = bowl_->area[2 * k + 1] + bowl_->offsetY;
            },
            scratch);
        for (const Body& s : bodies_) {
            SetColour(s.fill);
            FillTriangles(
                s.triangles,
                [&](int k, float& x, float& y) {
                    x = s.Skin().GetRingMass(k)->posX;
                    y = s.Skin().GetRingMass(k)->posY;
                },
                scratch);
        }
        DrawConstraints();
        DrawMasses();
    }

    std::string Check() const override {
        if (bodies_.size() < std::size(kDrops)) return "not every body was dropped";
        char text[128];
        for (std::size_t k = 0; k < bodies_.size(); ++k) {
            const Body& s = bodies_[k];
            for (int r = 0; r < s.Skin().GetRingSize(); ++r) {
                const TMass& m = *s.Skin().GetRingMass(r);
                if (!std::isfinite(m.posX) || !std::isfinite(m.posY))
                    return "a position on the rim of body " + std::to_string(k) + " is not finite";
            }
            const float off = s.shape >= 0 ? s.body->ConGetLength(s.shape) : 0;
            if (shapesOn_ && off > kMostOutOfShape) {
                std::snprintf(text, sizeof text, "body %zu is %.1f units out of its own shape", k,
                              static_cast<double>(off));
                return text;
            }
        }
        int resting = 0;
        for (const core::Ref<TMass>& ball : balls_) {
            if (!std::isfinite(ball->posX) || !std::isfinite(ball->posY))
                return "a ball's position is not finite";
            if (!skinsOn_) continue;
            bool onSkin = false;
            for (std::size_t k = 0; k < bodies_.size(); ++k) {
                const RingPlace place = PlaceOn(bodies_[k].Skin(), ball->posX, ball->posY);
                if (place.inside) {
                    std::snprintf(
                        text, sizeof text, "a ball at (%.1f, %.1f) is inside the skin of body %zu",
                        static_cast<double>(ball->posX), static_cast<double>(ball->posY), k);
                    return text;
                }
                onSkin |= place.distance <= ball->radius + kRimRadius + kTouching;
            }
            resting += onSkin;
        }
        // Balls that never reached a skin would prove nothing about it.
        if (skinsOn_ && resting < kLeastResting) {
            std::snprintf(text, sizeof text, "only %d balls lie on a skin", resting);
            return text;
        }
        return {};
    }

    std::vector<SceneOption> Options() override {
        return {{"Skins",
                 [this] {
                     skinsOn_ = !skinsOn_;
                     for (const Body& s : bodies_) Apply(s);
                 },
                 [this] { return skinsOn_; }},
                {"Shape matching",
                 [this] {
                     shapesOn_ = !shapesOn_;
                     for (const Body& s : bodies_) Apply(s);
                 },
                 [this] { return shapesOn_; }}};
    }

  private:
    void DropBody() {
        const Drop& d = kDrops[bodies_.size()];
        Body s;
        s.body = Build(d.kind, d.x, kDropY);
        s.skin = SlotOf(*s.body, TConstraint::SKIN);
        s.shape = SlotOf(*s.body, TConstraint::SHAPE);
        // The triangles of the rest shape still tile the body as it moves:
        // it keeps its form well enough.
        std::vector<float> rest;
        for (int k = 0; k < s.Skin().GetRingSize(); ++k)
            rest.insert(rest.end(), {s.Skin().GetRingMass(k)->posX, s.Skin().GetRingMass(k)->posY});
        s.triangles = Triangulate(rest);
        s.fill = FillOf(d.kind);
        s.body->Activate();
        Apply(s);
        bodies_.push_back(std::move(s));
    }

    void Rain() {
        const int k = rained_++;
        const float x = kRainLeft + kRainWidth * Spread(k, 0.6180339887);
        if (balls_.size() == static_cast<std::size_t>(kMostBalls)) {
            balls_[static_cast<std::size_t>(k) % kMostBalls]->Position(x, kRainY);
            return;
        }
        // A group of its own: a ball meets every other ball and every body.
        const Material ball{.mass = kBallMass,
                            .radius = kSmallest + (kLargest - kSmallest) * Spread(k, 0.4142135624),
                            .friction = kBallFriction,
                            .colGroup = TakeAutoColGroup()};
        balls_.push_back(AddBall(x, kRainY, ball));
    }

    // Puts the body's skin and shape matching in the world or takes them out,
    // as the buttons say; its links keep its masses in the world meanwhile.
    void Apply(const Body& s) const {
        Switch(*s.body, s.skin, skinsOn_);
        Switch(*s.body, s.shape, shapesOn_);
    }
    static void Switch(TAdvBody& body, int slot, bool on) {
        if (slot < 0) return;
        if (on)
            body.ConAssign(slot);
        else
            body.ConFree(slot);
    }

    core::Ref<TPhysics> world_;
    core::Ref<TZone> bowl_;
    std::vector<int> bowlTriangles_;
    std::vector<Body> bodies_;
    std::vector<core::Ref<TMass>> balls_;
    bool skinsOn_ = true, shapesOn_ = true;
    int steps_ = 0, rained_ = 0;
};

} // namespace

std::unique_ptr<Scene> MakeSoftShapes() { return std::make_unique<SoftShapes>(); }

} // namespace samples
