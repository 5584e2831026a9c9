// What snapshots cost, against the step of the world they are taken of: the
// settled pile of step_bench (10,000 masses of radius 4 joined in pairs, one
// pass per step). The target: taking and restoring each cost at most a
// quarter of a step (compare the medians).
//   BM_PileStep          one step of the pile
//   BM_TakeSnapshot      one snapshot of it
//   BM_RestoreSnapshot   one restore into the world that holds its objects;
//                        counter allocs_per_restore (the target is 0)
//   BM_SleepingPileReplay  not a timing: the same pile in stacking mode 1
//                        with sleeping, snapshot taken while part of it
//                        sleeps; 600 steps after the snapshot and 600 after
//                        restoring it must agree bit for bit (counter
//                        exact: 1), else the benchmark reports an error;
//                        counters: the masses awake at the snapshot and
//                        600 steps after it.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "alloc_counter.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr float kPairStiffness = 0.5f;

// A settled pile as the current world, dropped when it goes.
struct SettledPile {
    bench_scenes::TangleScene scene = bench_scenes::BuildTangle(
        bench_scenes::Make(bench_scenes::Layout::Pile, kMasses), true, kPairStiffness);
    SettledPile() { TPhysics::Update(); } // anything that grows once has grown
    ~SettledPile() {
        scene = {};
        TPhysics::Free();
        TColEvent::Flush();
    }
    std::vector<TBody*> Bodies() const { return {scene.body.Get()}; }
};

void BM_PileStep(benchmark::State& state) {
    SettledPile pile;
    for (auto _ : state) TPhysics::Update();
}

void BM_TakeSnapshot(benchmark::State& state) {
    SettledPile pile;
    const std::vector<TBody*> bodies = pile.Bodies();
    for (auto _ : state) benchmark::DoNotOptimize(TPhysics::TakeSnapshot(bodies));
}

void BM_RestoreSnapshot(benchmark::State& state) {
    SettledPile pile;
    core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot(pile.Bodies());
    TPhysics::Update(); // restoring has something to put back
    TPhysics::RestoreSnapshot(snapshot);
    const alloc_counter::Totals before = alloc_counter::Now();
    for (auto _ : state) TPhysics::RestoreSnapshot(snapshot);
    const alloc_counter::Totals after = alloc_counter::Now();
    state.counters["allocs_per_restore"] =
        static_cast<double>(after.calls - before.calls) / static_cast<double>(state.iterations());
}

std::uint64_t Hash(const std::vector<core::Ref<TMass>>& masses) {
    std::uint64_t h = 1469598103934665603ull;
    for (const auto& m : masses) {
        for (float f : {m->posX, m->posY, m->oldPosX, m->oldPosY}) {
            unsigned char bytes[sizeof f];
            std::memcpy(bytes, &f, sizeof f);
            for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
        }
    }
    return h;
}

void BM_SleepingPileReplay(benchmark::State& state) {
    for (auto _ : state) {
        // Dropped straight into stacking mode 1, as rest_bench's resting pile.
        bench_scenes::Scene dropped = bench_scenes::Make(bench_scenes::Layout::Pile, kMasses);
        dropped.settleSteps = 0;
        bench_scenes::TangleScene pile = bench_scenes::BuildTangle(dropped, true, kPairStiffness);
        TPhysics::SetStacking(1);
        TPhysics::SetSleep(0.05f, 30);
        const int count = static_cast<int>(pile.masses.size());
        for (int step = 0; step < 3000 && TPhysics::AwakeCount() == count; ++step)
            TPhysics::Update();
        // Whatever still moves, plus a few masses dropped on the top.
        std::vector<core::Ref<TMass>> falling;
        for (int k = 0; k < 40; ++k) {
            falling.push_back(TMass::Create(100 + 20.0f * k, 1000, 1, 4, 0.5f, -1));
            falling.back()->AddRef();
        }
        for (int step = 0; step < 5; ++step) TPhysics::Update();
        const int awake = TPhysics::AwakeCount();
        core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot({pile.body.Get()});
        for (int step = 0; step < 600; ++step) TPhysics::Update();
        const std::uint64_t first = Hash(pile.masses) ^ Hash(falling);
        // The falling masses wake islands of the pile: the replay goes
        // through waking as well as sleeping.
        state.counters["awake_after_600"] = TPhysics::AwakeCount();
        TPhysics::RestoreSnapshot(snapshot);
        for (int step = 0; step < 600; ++step) TPhysics::Update();
        const std::uint64_t second = Hash(pile.masses) ^ Hash(falling);
        state.counters["awake_at_snapshot"] = awake;
        state.counters["exact"] = first == second ? 1 : 0;
        if (awake == 0 || awake == count + 40) state.SkipWithError("no part of the pile slept");
        if (first != second) state.SkipWithError("the restored run differs");
        snapshot = nullptr;
        falling.clear();
        pile = {};
        TPhysics::Free();
        TColEvent::Flush();
    }
}

#define SNAPSHOT_BENCH(name)                                                                       \
    BENCHMARK(name)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)

SNAPSHOT_BENCH(BM_PileStep);
SNAPSHOT_BENCH(BM_TakeSnapshot);
SNAPSHOT_BENCH(BM_RestoreSnapshot);
BENCHMARK(BM_SleepingPileReplay)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
