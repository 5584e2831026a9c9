// The step on several threads against the step on one: the settled pile of
// step_bench (10,000 masses of radius 4 joined in pairs, one pass per step).
// Range 0 is the thread count: 0 is the step as it always was, 1 the strip
// schedule on the calling thread alone, 2 and up the schedule on that many
// threads. The runs alternate so that a busy machine weighs on each alike.
//
//   build/bench/physics/threads_bench --benchmark_repetitions=5

#include <benchmark/benchmark.h>

#include "alloc_counter.h"
#include "physics/detail/step.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr float kPairStiffness = 0.5f;

// Built and settled once, for every run.
bench_scenes::TangleScene& Pile() {
    static bench_scenes::TangleScene scene = bench_scenes::BuildTangle(
        bench_scenes::Make(bench_scenes::Layout::Pile, kMasses), true, kPairStiffness);
    return scene;
}

void BM_PileOnThreads(benchmark::State& state) {
    Pile();
    const int threads = static_cast<int>(state.range(0));
    TPhysics::SetThreads(threads);
    detail::TStepAccess::Of(*currentWorld).Threads().ScheduleAlone(threads == 1);
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

BENCHMARK(BM_PileOnThreads)
    ->Unit(benchmark::kMicrosecond)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(0);

} // namespace
