// The step benchmarks' scenes (scenes.h) side by side in kel.tangle and in
// the two engines that Debian packages: Box2D 2.4 (libbox2d-dev) and
// Chipmunk 7 (libchipmunk-dev). Every engine builds the same scene the same
// way: the same start positions, circles of radius 4 and mass 1, friction
// 0.5, pairs joined rigidly, gravity 0.15 units per step squared at 60 steps
// per second, a closed box of 1000 x 2000, settled before it is timed; no
// sleeping. After the runs, a table gives each engine's median time per step
// and its ratio to kel.tangle's.
//
// Each engine is told the scene's length scale where it has such a setting:
// - Box2D 2.4 fixes its length unit when it is compiled (tuned for bodies
//   from 0.1 to 10 metres), so the scene is given to it in metres, eight
//   units to the metre: the circles are a metre across.
// - Chipmunk's spatial hash is sized to the circles (cells one diameter
//   across, twice as many cells as shapes).

#include <benchmark/benchmark.h>

#include <box2d/box2d.h>
#include <chipmunk/chipmunk.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tangle_scene.h"

namespace {

using bench_scenes::Layout;
using bench_scenes::Scene;

constexpr int kMasses = 10000;
constexpr float kDt = 1 / Scene::kStepsPerSecond;
// Gravity in units per second squared.
float Gravity(const Scene& s) { return s.gravity * Scene::kStepsPerSecond * Scene::kStepsPerSecond; }

class Engine {
  public:
    virtual ~Engine() = default;
    virtual void Step() = 0;
    void Settle(const Scene& s) {
        for (int step = 0; step < s.settleSteps; ++step) Step();
    }
};

class Tangle final : public Engine {
  public:
    explicit Tangle(const Scene& s) : scene_(bench_scenes::BuildTangle(s, true, kRigid)) {}
    ~Tangle() override { kel::tangle::TPhysics::Free(); }
    void Step() override { kel::tangle::TPhysics::Update(); }

  private:
    static constexpr float kRigid = 1; // the whole error taken out per pass
    bench_scenes::TangleScene scene_;
};

class Box2d final : public Engine {
  public:
    explicit Box2d(const Scene& s) : world_(b2Vec2(0, Gravity(s) / kUnitsPerMetre)) {
        b2BodyDef wallDef;
        b2Body* walls = world_.CreateBody(&wallDef);
        const b2Vec2 corners[4] = {{0, 0}, {Metres(Scene::kWidth), 0},
                                   {Metres(Scene::kWidth), Metres(Scene::kHeight)},
                                   {0, Metres(Scene::kHeight)}};
        b2ChainShape box;
        box.CreateLoop(corners, 4);
        walls->CreateFixture(&box, 0);

        b2CircleShape circle;
        circle.m_radius = Metres(Scene::kRadius);
        b2FixtureDef fixture;
        fixture.shape = &circle;
        fixture.density = Scene::kMass / (b2_pi * circle.m_radius * circle.m_radius);
        fixture.friction = Scene::kFriction;
        std::vector<b2Body*> bodies;
        for (const bench_scenes::Point& at : s.starts) {
            b2BodyDef def;
            def.type = b2_dynamicBody;
            def.position.Set(Metres(at.x), Metres(at.y));
            def.allowSleep = false;
            b2Body* body = world_.CreateBody(&def);
            body->CreateFixture(&fixture);
            bodies.push_back(body);
            if (bodies.size() % 2 == 0) {
                b2Body* a = bodies[bodies.size() - 2];
                b2DistanceJointDef joint; // rigid: no stiffness, fixed length
                joint.Initialize(a, body, a->GetPosition(), body->GetPosition());
                world_.CreateJoint(&joint);
            }
        }
        Settle(s);
    }
    void Step() override { world_.Step(kDt, kVelocityIterations, kPositionIterations); }

  private:
    static constexpr float kUnitsPerMetre = 8;
    static constexpr int kVelocityIterations = 8, kPositionIterations = 3; // Box2D's advice
    static float Metres(float units) { return units / kUnitsPerMetre; }
    b2World world_;
};

class Chipmunk final : public Engine {
  public:
    explicit Chipmunk(const Scene& s) : space_(cpSpaceNew()) {
        cpSpaceSetGravity(space_, cpv(0, Gravity(s)));
        cpSpaceUseSpatialHash(space_, 2 * Scene::kRadius, 2 * static_cast<int>(s.starts.size()));
        cpBody* walls = cpSpaceGetStaticBody(space_);
        const cpVect corners[4] = {cpv(0, 0), cpv(Scene::kWidth, 0),
                                   cpv(Scene::kWidth, Scene::kHeight), cpv(0, Scene::kHeight)};
        for (int k = 0; k < 4; ++k) Keep(cpSegmentShapeNew(walls, corners[k], corners[(k + 1) % 4], 0));
        const cpFloat moment = cpMomentForCircle(Scene::kMass, 0, Scene::kRadius, cpvzero);
        std::vector<cpBody*> bodies;
        for (const bench_scenes::Point& at : s.starts) {
            cpBody* body = cpSpaceAddBody(space_, cpBodyNew(Scene::kMass, moment));
            cpBodySetPosition(body, cpv(at.x, at.y));
            bodies_.push_back(body);
            bodies.push_back(body);
            Keep(cpCircleShapeNew(body, Scene::kRadius, cpvzero));
            if (bodies.size() % 2 == 0) {
                cpConstraint* pin = cpPinJointNew(bodies[bodies.size() - 2], body, cpvzero, cpvzero);
                constraints_.push_back(cpSpaceAddConstraint(space_, pin));
            }
        }
        Settle(s);
    }
    ~Chipmunk() override {
        // A space frees none of what was added to it.
        for (cpConstraint* c : constraints_) cpConstraintFree(c);
        for (cpShape* shape : shapes_) cpShapeFree(shape);
        for (cpBody* body : bodies_) cpBodyFree(body);
        cpSpaceFree(space_);
    }
    void Step() override { cpSpaceStep(space_, kDt); }

  private:
    void Keep(cpShape* shape) {
        cpShapeSetFriction(shape, Scene::kFriction);
        shapes_.push_back(cpSpaceAddShape(space_, shape));
    }
    cpSpace* space_;
    std::vector<cpBody*> bodies_;
    std::vector<cpShape*> shapes_;
    std::vector<cpConstraint*> constraints_;
};

// One scene at a time is alive: kel.tangle has one current world.
std::unique_ptr<Engine> alive;
std::string aliveName;

template <class E> void StepEngine(benchmark::State& state, Layout layout, const char* name) {
    if (aliveName != name) {
        alive = nullptr;
        alive = std::make_unique<E>(bench_scenes::Make(layout, kMasses));
        aliveName = name;
    }
    for (auto _ : state) alive->Step();
}

#define ENGINE_BENCH(name, engine, layout)                                                         \
    void name(benchmark::State& state) { StepEngine<engine>(state, layout, #name); }               \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)

ENGINE_BENCH(BM_Pile_tangle, Tangle, Layout::Pile);
ENGINE_BENCH(BM_Pile_box2d, Box2d, Layout::Pile);
ENGINE_BENCH(BM_Pile_chipmunk, Chipmunk, Layout::Pile);
ENGINE_BENCH(BM_Spread_tangle, Tangle, Layout::Spread);
ENGINE_BENCH(BM_Spread_box2d, Box2d, Layout::Spread);
ENGINE_BENCH(BM_Spread_chipmunk, Chipmunk, Layout::Spread);

// Prints the runs as usual, then each engine's median against kel.tangle's.
class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-8s %-9s %12s %16s\n", "scene", "engine", "median ms", "x kel.tangle");
        for (const char* scene : {"Pile", "Spread"}) {
            const double ours = medians_[std::string("BM_") + scene + "_tangle"];
            for (const char* engine : {"tangle", "box2d", "chipmunk"}) {
                const auto at = medians_.find(std::string("BM_") + scene + "_" + engine);
                if (at == medians_.end()) continue;
                std::printf("%-8s %-9s %12.3f %16.2f\n", scene, engine, at->second,
                            ours > 0 ? at->second / ours : 0.0);
            }
        }
    }

  private:
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    alive = nullptr;
    benchmark::Shutdown();
    return 0;
}
