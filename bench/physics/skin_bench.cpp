// What skins cost: 200 jellies dropped into a box and settled, then stepped,
// with and without skins over their rims (range 0: 1 with skins). The
// settled world is the same scene either way; the ratio of the two is the
// skins' share of the step.

#include <benchmark/benchmark.h>

#include <vector>

#include "alloc_counter.h"
#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

constexpr int kJellies = 200;
constexpr int kAcross = 14;
constexpr float kRadius = 20, kMassRadius = 3;
constexpr float kWidth = 700, kHeight = 1600;
constexpr int kSettleSteps = 1500;

void BM_Jellies(benchmark::State& state) {
    const bool skins = state.range(0) != 0;
    TPhysics::Create(kWidth, kHeight, 0.1f, 0, 8);
    TPhysics::SetGridSize(48);
    TPhysics::SetStacking(2);
    std::vector<core::Ref<TAdvBody>> jellies;
    for (int k = 0; k < kJellies; ++k) {
        TJellyDef def;
        def.x = 30 + (k % kAcross) * 2.3f * kRadius + (k / kAcross % 2) * kRadius;
        def.y = kHeight - 40 - (k / kAcross) * 2.3f * kRadius;
        def.radius = kRadius, def.rim = 12;
        def.material.radius = kMassRadius;
        def.skin = skins;
        jellies.push_back(BuildJelly(def));
        jellies.back()->Activate();
    }
    for (int step = 0; step < kSettleSteps; ++step) TPhysics::Update();
    const alloc_counter::Totals before = alloc_counter::Now();
    for (auto _ : state) TPhysics::Update();
    const alloc_counter::Totals after = alloc_counter::Now();
    const double steps = static_cast<double>(state.iterations());
    state.counters["allocs_per_step"] = (after.calls - before.calls) / steps;
    jellies.clear();
    TPhysics::Free();
    TColEvent::Flush();
}

BENCHMARK(BM_Jellies)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
