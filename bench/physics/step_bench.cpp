// Cost of one world step on settled scenes (scenes.h): masses of radius 4
// joined in pairs in a 1000 x 2000 world, one pass per step.

#include <benchmark/benchmark.h>

#include "alloc_counter.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

using bench_scenes::Layout;

// The pairs are joined softly, half the error taken out per pass.
constexpr float kPairStiffness = 0.5f;

void Step(benchmark::State& state, bool grid, Layout layout, int stacking = 0) {
    const int count = static_cast<int>(state.range(0));
    bench_scenes::TangleScene scene =
        bench_scenes::BuildTangle(bench_scenes::Make(layout, count), grid, kPairStiffness);
    TPhysics::SetStacking(stacking);
    TPhysics::Update(); // anything that grows once has grown
    alloc_counter::Totals before = alloc_counter::Now();
    std::int64_t events = 0;
    for (auto _ : state) {
        TPhysics::Update();
        events += TColEvent::QueueCount();
    }
    alloc_counter::Totals after = alloc_counter::Now();
    double steps = static_cast<double>(state.iterations());
    state.counters["per_mass"] = benchmark::Counter(steps * count, benchmark::Counter::kIsRate |
                                                                       benchmark::Counter::kInvert);
    state.counters["alloc_bytes_per_step"] = (after.bytes - before.bytes) / steps;
    state.counters["allocs_per_step"] = (after.calls - before.calls) / steps;
    state.counters["queued_events"] = events / steps;
    scene = {};
    TPhysics::Free();
    TColEvent::Flush();
}

void BM_GridSpread(benchmark::State& state) { Step(state, true, Layout::Spread); }
void BM_GridPile(benchmark::State& state) { Step(state, true, Layout::Pile); }
// The settled pile under each solver mode (range 1): what solving the
// constraints together (2) costs against the step as it always was (0).
void BM_GridPileMode(benchmark::State& state) {
    Step(state, true, Layout::Pile, static_cast<int>(state.range(1)));
}
void BM_AllPairsSpread(benchmark::State& state) { Step(state, false, Layout::Spread); }
void BM_AllPairsPile(benchmark::State& state) { Step(state, false, Layout::Pile); }

#define STEP_BENCH(name)                                                                           \
    BENCHMARK(name)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)

STEP_BENCH(BM_GridSpread)->Arg(1000)->Arg(10000)->Arg(50000);
STEP_BENCH(BM_GridPile)->Arg(1000)->Arg(10000);
STEP_BENCH(BM_GridPileMode)->Args({10000, 0})->Args({10000, 2})->Args({10000, 0})->Args({10000, 2});
STEP_BENCH(BM_AllPairsSpread)->Arg(1000);
STEP_BENCH(BM_AllPairsPile)->Arg(1000);

} // namespace
