// Cost of one world step on settled scenes: masses of radius 4 joined in
// pairs, resting under gravity in a 1000 x 2000 world, one pass per step.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "alloc_counter.h"
#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

struct Scene {
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
};

enum class Layout { Spread, Pile };

// Masses on a lattice, each even mass joined to the next at its current
// distance, then stepped until nothing changes any more:
// - Spread: the lattice covers the whole world, without gravity (at rest
//   where there is room; 50,000 masses of radius 4 cannot all fit and keep
//   pushing each other).
// - Pile: rows of touching masses stacked from the floor under the game's
//   gravity, squeezed into a pile with resting contacts everywhere.
Scene Build(int count, bool grid, Layout layout) {
    TPhysics::Free();
    const bool pile = layout == Layout::Pile;
    TPhysics::Create(1000, 2000, pile ? 0.15f : 0, 0, 1);
    TPhysics::SetGridSize(64);
    TPhysics::UseShiftedGrid(grid ? 1 : 0);
    Scene s;
    // Pile: rows of touching masses. Spread: columns and rows that fill the
    // world (inside the bounds by 5 units).
    int perRow = pile ? 116 : static_cast<int>(std::ceil(std::sqrt(count * 0.5)));
    int rows = (count + perRow - 1) / perRow;
    float sx = pile ? 8.5f : 990.0f / perRow;
    float sy = pile ? 8.5f : 1990.0f / rows;
    for (int k = 0; k < count; ++k) {
        float x = 5 + (k % perRow) * sx + ((k / perRow) % 2) * sx * 0.25f;
        float y = 1995 - (k / perRow) * sy;
        s.masses.push_back(TMass::Create(x, y, 1, 4, 0.5f, -1));
        if (k % 2) TConstraint::Create(s.masses[k - 1], s.masses[k], 0, 0.5f)->Assign(s.body);
    }
    for (int step = 0; step < (pile ? 300 : 30); ++step) TPhysics::Update();
    return s;
}

void Step(benchmark::State& state, bool grid, Layout layout) {
    const int count = static_cast<int>(state.range(0));
    Scene scene = Build(count, grid, layout);
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
    scene = Scene{};
    TPhysics::Free();
    TColEvent::Flush();
}

void BM_GridSpread(benchmark::State& state) { Step(state, true, Layout::Spread); }
void BM_GridPile(benchmark::State& state) { Step(state, true, Layout::Pile); }
void BM_AllPairsSpread(benchmark::State& state) { Step(state, false, Layout::Spread); }
void BM_AllPairsPile(benchmark::State& state) { Step(state, false, Layout::Pile); }

#define STEP_BENCH(name)                                                                           \
    BENCHMARK(name)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)

STEP_BENCH(BM_GridSpread)->Arg(1000)->Arg(10000)->Arg(50000);
STEP_BENCH(BM_GridPile)->Arg(1000)->Arg(10000);
STEP_BENCH(BM_AllPairsSpread)->Arg(1000);
STEP_BENCH(BM_AllPairsPile)->Arg(1000);

} // namespace
