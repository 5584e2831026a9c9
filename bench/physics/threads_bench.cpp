// The step on several threads against the step on one: the settled pile of
// step_bench (10,000 masses of radius 4 joined in pairs, one pass per step,
// the 64 x 64 grid), and the wide world of scale_bench (160,000 masses, 16
// such piles side by side, cells 12 wide). Range 0 is the thread count: 0
// is the step as it always was, 1 the strip schedule on the calling thread
// alone, 2 and up the schedule on that many threads. Every run starts from
// the same snapshot of the settled world and times the same steps, so the
// runs do the same work (the wide world is still settling: stepped on from
// run to run, it would change under them). The runs alternate so that a busy
// machine weighs on each alike; times are on the wall clock.
//
//   build/bench/physics/threads_bench --benchmark_filter=Pile --benchmark_repetitions=5
//   build/bench/physics/threads_bench --benchmark_filter=Wide
//   build/bench/physics/threads_bench --benchmark_filter=Cloth

#include <benchmark/benchmark.h>

#include "alloc_counter.h"
#include "physics/step/step.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr float kPairStiffness = 0.5f;
constexpr int kWideMasses = 160000;
constexpr float kWideCells = 12;

// Steps timed per run.
constexpr int kPileSteps = 200;
constexpr int kWideSteps = 10;

struct SettledWorld {
    bench_scenes::TangleScene scene;
    core::Ref<TWorldSnapshot> settled;
};

SettledWorld Settle(bench_scenes::TangleScene scene) {
    core::Ref<TWorldSnapshot> settled = TPhysics::TakeSnapshot();
    return {std::move(scene), settled};
}

// Each built and settled once, for every run of its benchmark.
TWorldSnapshot* Pile() {
    static SettledWorld world = Settle(bench_scenes::BuildTangle(
        bench_scenes::Make(bench_scenes::Layout::Pile, kMasses), true, kPairStiffness));
    return world.settled.Get();
}
TWorldSnapshot* Wide() {
    static SettledWorld world = Settle(bench_scenes::BuildTangle(
        bench_scenes::MakeSideBySide(kWideMasses, kMasses), true, 1, kWideCells));
    return world.settled.Get();
}

void StepOnThreads(benchmark::State& state, TWorldSnapshot* settled) {
    const int threads = static_cast<int>(state.range(0));
    TPhysics::SetThreads(threads);
    detail::TStepAccess::Of(*currentWorld).Threads().ScheduleAlone(threads == 1);
    TPhysics::RestoreSnapshot(settled);
    TPhysics::Update(); // anything that grows once has grown
    TPhysics::Update();
    const alloc_counter::Totals before = alloc_counter::Now();
    for (auto _ : state) TPhysics::Update();
    const alloc_counter::Totals after = alloc_counter::Now();
    const double steps = static_cast<double>(state.iterations());
    state.counters["allocs_per_step"] = (after.calls - before.calls) / steps;
    TPhysics::SetThreads(1);
    detail::TStepAccess::Of(*currentWorld).Threads().ScheduleAlone(false);
}

// A cloth of 300 x 300 masses with shear links of compliance 0.5, solved
// together (stacking mode 2), cells 12 wide, swinging from its pinned top
// row: the constraints' share of the step.
TWorldSnapshot* Cloth() {
    static core::Ref<TAdvBody> body;
    static core::Ref<TWorldSnapshot> swinging = [] {
        TWorldDef def;
        def.right = 4000;
        def.bottom = 4000;
        def.gravityY = 0.1f;
        def.passes = 8;
        def.largestRadius = 3;
        def.cellSize = 12;
        def.stacking = STACKING_TOGETHER;
        TPhysics::Create(def);
        TClothDef cloth;
        cloth.x = 200;
        cloth.y = 100;
        cloth.columns = 300;
        cloth.rows = 300;
        cloth.spacing = 10;
        cloth.shear = true;
        cloth.material.compliance = 0.5f;
        body = BuildCloth(cloth);
        body->Activate();
        for (int k = 0; k < 20; ++k) TPhysics::Update();
        return TPhysics::TakeSnapshot({body.Get()});
    }();
    return swinging.Get();
}

void BM_PileOnThreads(benchmark::State& state) { StepOnThreads(state, Pile()); }
void BM_ClothOnThreads(benchmark::State& state) { StepOnThreads(state, Cloth()); }
void BM_WideOnThreads(benchmark::State& state) { StepOnThreads(state, Wide()); }

// The thread counts in the order they run: each schedule twice, apart, so
// that a busy spell of the machine weighs on both.
void ThreadCounts(benchmark::internal::Benchmark* b) {
    for (const int threads : {0, 1, 2, 1, 2, 4}) b->Arg(threads);
}

BENCHMARK(BM_PileOnThreads)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Apply(ThreadCounts)
    ->Arg(0)
    ->Iterations(kPileSteps);
BENCHMARK(BM_ClothOnThreads)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(ThreadCounts)
    ->Iterations(kWideSteps);
BENCHMARK(BM_WideOnThreads)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(ThreadCounts)
    ->Iterations(kWideSteps);

} // namespace
