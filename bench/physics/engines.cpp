#include "engines.h"

#include <box2d/box2d.h>
#include <chipmunk/chipmunk.h>

#include "tangle_scene.h"

namespace bench_engines {

namespace {

using bench_scenes::Point;
using bench_scenes::Scene;

constexpr float kDt = 1 / Scene::kStepsPerSecond;
// Gravity in units per second squared.
float Gravity(const Scene& s) {
    return s.gravity * Scene::kStepsPerSecond * Scene::kStepsPerSecond;
}

constexpr float kSleepSpeed = 0.05f; // units per step
constexpr int kSleepSteps = 30;
constexpr float kSleepSeconds = 0.5f; // Box2D's b2_timeToSleep

class Tangle final : public Engine {
  public:
    Tangle(const Scene& s, Options o) : scene_(Build(s)) {
        if (o.rest) {
            kel::tangle::TPhysics::SetStacking(1);
            kel::tangle::TPhysics::SetSleep(kSleepSpeed, kSleepSteps);
        }
        for (int step = 0; step < s.settleSteps; ++step) Step();
    }
    ~Tangle() override {
        kel::tangle::TPhysics::Free();
        kel::tangle::TColEvent::Flush();
    }
    void Step() override { kel::tangle::TPhysics::Update(); }
    void Positions(std::vector<Point>& out) const override {
        out.resize(scene_.masses.size());
        for (std::size_t k = 0; k < out.size(); ++k)
            out[k] = {scene_.masses[k]->posX, scene_.masses[k]->posY};
    }
    int AwakeCount() const override { return kel::tangle::TPhysics::AwakeCount(); }

  private:
    static constexpr float kRigid = 1; // the whole error taken out per pass
    // Unsettled: the rest options must be in place before the first step.
    static bench_scenes::TangleScene Build(Scene s) {
        s.settleSteps = 0;
        return bench_scenes::BuildTangle(s, true, kRigid);
    }
    bench_scenes::TangleScene scene_;
};

class Box2d final : public Engine {
  public:
    Box2d(const Scene& s, Options o) : world_(b2Vec2(0, Gravity(s) / kUnitsPerMetre)) {
        // Neither other engine sweeps bodies between steps. Box2D 2.4 does, and
        // each body touching a wall then costs a pass over every contact: in
        // the pile that was nine tenths of its step.
        world_.SetContinuousPhysics(false);
        b2BodyDef wallDef;
        b2Body* walls = world_.CreateBody(&wallDef);
        // A chain collides on its right side only: wound this way, that is
        // the inside of the box.
        const b2Vec2 corners[4] = {{0, 0},
                                   {0, Metres(Scene::kHeight)},
                                   {Metres(Scene::kWidth), Metres(Scene::kHeight)},
                                   {Metres(Scene::kWidth), 0}};
        b2ChainShape box;
        box.CreateLoop(corners, 4);
        walls->CreateFixture(&box, 0);

        b2CircleShape circle;
        circle.m_radius = Metres(Scene::kRadius);
        b2FixtureDef fixture;
        fixture.shape = &circle;
        fixture.density = Scene::kMass / (b2_pi * circle.m_radius * circle.m_radius);
        fixture.friction = Scene::kFriction;
        for (const Point& at : s.starts) {
            b2BodyDef def;
            def.type = b2_dynamicBody;
            def.position.Set(Metres(at.x), Metres(at.y));
            def.allowSleep = o.rest;
            b2Body* body = world_.CreateBody(&def);
            body->CreateFixture(&fixture);
            bodies_.push_back(body);
            if (bodies_.size() % 2 == 0) {
                b2Body* a = bodies_[bodies_.size() - 2];
                b2DistanceJointDef joint; // rigid: no stiffness, fixed length
                joint.Initialize(a, body, a->GetPosition(), body->GetPosition());
                world_.CreateJoint(&joint);
            }
        }
        for (int step = 0; step < s.settleSteps; ++step) Step();
    }
    void Step() override { world_.Step(kDt, kVelocityIterations, kPositionIterations); }
    void Positions(std::vector<Point>& out) const override {
        out.resize(bodies_.size());
        for (std::size_t k = 0; k < out.size(); ++k) {
            const b2Vec2 at = bodies_[k]->GetPosition();
            out[k] = {at.x * kUnitsPerMetre, at.y * kUnitsPerMetre};
        }
    }
    int AwakeCount() const override {
        int awake = 0;
        for (const b2Body* body : bodies_) awake += body->IsAwake() ? 1 : 0;
        return awake;
    }

  private:
    static constexpr float kUnitsPerMetre = 8;
    static constexpr int kVelocityIterations = 8, kPositionIterations = 3; // Box2D's advice
    static float Metres(float units) { return units / kUnitsPerMetre; }
    b2World world_;
    std::vector<b2Body*> bodies_; // the world owns them
};

class Chipmunk final : public Engine {
  public:
    Chipmunk(const Scene& s, Options o) : space_(cpSpaceNew()) {
        cpSpaceSetGravity(space_, cpv(0, Gravity(s)));
        cpSpaceUseSpatialHash(space_, 2 * Scene::kRadius, 2 * static_cast<int>(s.starts.size()));
        if (o.rest) {
            cpSpaceSetSleepTimeThreshold(space_, kSleepSeconds);
            cpSpaceSetIdleSpeedThreshold(space_, kSleepSpeed * Scene::kStepsPerSecond);
        }
        // Walls with thickness outside the box: a segment is a two-sided line,
        // and the pile's weight pushes circles through a thin one, after
        // which they fall for ever.
        cpBody* walls = cpSpaceGetStaticBody(space_);
        constexpr cpFloat r = kWallRadius, w = Scene::kWidth, h = Scene::kHeight;
        const cpVect corners[4] = {cpv(-r, -r), cpv(w + r, -r), cpv(w + r, h + r), cpv(-r, h + r)};
        for (int k = 0; k < 4; ++k)
            Keep(cpSegmentShapeNew(walls, corners[k], corners[(k + 1) % 4], r));
        const cpFloat moment = cpMomentForCircle(Scene::kMass, 0, Scene::kRadius, cpvzero);
        for (const Point& at : s.starts) {
            cpBody* body = cpSpaceAddBody(space_, cpBodyNew(Scene::kMass, moment));
            cpBodySetPosition(body, cpv(at.x, at.y));
            bodies_.push_back(body);
            Keep(cpCircleShapeNew(body, Scene::kRadius, cpvzero));
            if (bodies_.size() % 2 == 0) {
                cpConstraint* pin =
                    cpPinJointNew(bodies_[bodies_.size() - 2], body, cpvzero, cpvzero);
                constraints_.push_back(cpSpaceAddConstraint(space_, pin));
            }
        }
        for (int step = 0; step < s.settleSteps; ++step) Step();
    }
    ~Chipmunk() override {
        // A space frees none of what was added to it, but wakes its bodies
        // as it goes: it must go first.
        cpSpaceFree(space_);
        for (cpConstraint* c : constraints_) cpConstraintFree(c);
        for (cpShape* shape : shapes_) cpShapeFree(shape);
        for (cpBody* body : bodies_) cpBodyFree(body);
    }
    void Step() override { cpSpaceStep(space_, kDt); }
    void Positions(std::vector<Point>& out) const override {
        out.resize(bodies_.size());
        for (std::size_t k = 0; k < out.size(); ++k) {
            const cpVect at = cpBodyGetPosition(bodies_[k]);
            out[k] = {static_cast<float>(at.x), static_cast<float>(at.y)};
        }
    }
    int AwakeCount() const override {
        int awake = 0;
        for (const cpBody* body : bodies_) awake += cpBodyIsSleeping(body) ? 0 : 1;
        return awake;
    }

  private:
    static constexpr cpFloat kWallRadius = 4 * Scene::kRadius;
    void Keep(cpShape* shape) {
        cpShapeSetFriction(shape, Scene::kFriction);
        shapes_.push_back(cpSpaceAddShape(space_, shape));
    }
    cpSpace* space_;
    std::vector<cpBody*> bodies_;
    std::vector<cpShape*> shapes_;
    std::vector<cpConstraint*> constraints_;
};

} // namespace

std::unique_ptr<Engine> MakeTangle(const Scene& s, Options o) {
    return std::make_unique<Tangle>(s, o);
}
std::unique_ptr<Engine> MakeBox2d(const Scene& s, Options o) {
    return std::make_unique<Box2d>(s, o);
}
std::unique_ptr<Engine> MakeChipmunk(const Scene& s, Options o) {
    return std::make_unique<Chipmunk>(s, o);
}

} // namespace bench_engines
