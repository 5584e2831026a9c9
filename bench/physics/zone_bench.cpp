// Cost of one mass-zone contact test: a 64-vertex FILL zone at quadtree
// level 6 against 10,000 masses spread over its surroundings, split by what
// the coarse (quadtree) test answers. The response does nothing, so the
// masses stay where they are and every iteration repeats the same work.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "alloc_counter.h"
#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

constexpr int kVertices = 64;
constexpr int kMasses = 10000;
constexpr float kRadius = 4;

struct ZoneScene {
    core::Ref<TZone> zone;
    std::vector<core::Ref<TMass>> rejected, accepted;
    int contacts = 0; // accepted masses that touch the zone
};

int Ignore(TZone*, TMass*, float, float, float) { return 0; }

// A star-shaped rock, radius 150 to 250 around (500, 500), among masses on a
// lattice over the 1000 x 1000 square around it.
ZoneScene Build() {
    TPhysics::Free();
    TPhysics::Create(1000, 1000, 0, 0, 1);
    std::vector<float> area;
    for (int k = 0; k < kVertices; ++k) {
        const double a = k * 2 * 3.14159265358979 / kVertices;
        const double r = 200 + 50 * std::sin(5 * a) * std::cos(3 * a);
        area.push_back(static_cast<float>(r * std::cos(a)));
        area.push_back(static_cast<float>(r * std::sin(a)));
    }
    ZoneScene s;
    s.zone = TZone::Create(area, TZone::FILL, 0.5f, 1, 6);
    s.zone->Position(500, 500);
    s.zone->OverrideCollision(Ignore);
    const int side = static_cast<int>(std::sqrt(kMasses));
    for (int k = 0; k < side * side; ++k) {
        const float x = 5 + (k % side) * 990.0f / side, y = 5 + (k / side) * 990.0f / side;
        core::Ref<TMass> m = TMass::Create(x, y, 1, kRadius, 0.5f, 2);
        // The zone's own coarse test: outside the root box a FILL zone
        // answers no.
        const int near =
            s.zone->quadTree->Collide(500, 500, x - kRadius, y - kRadius, 2 * kRadius, 0);
        (near ? s.accepted : s.rejected).push_back(m);
    }
    TColEvent::Flush();
    for (TMass* m : s.accepted) s.zone->Collide(m);
    s.contacts = TColEvent::QueueCount();
    TColEvent::Flush();
    return s;
}

void Run(benchmark::State& state, bool accepted) {
    ZoneScene scene = Build();
    const std::vector<core::Ref<TMass>>& masses = accepted ? scene.accepted : scene.rejected;
    TZone* zone = scene.zone;
    const alloc_counter::Totals before = alloc_counter::Now();
    for (auto _ : state) {
        for (TMass* m : masses) zone->Collide(m);
        TColEvent::Flush();
    }
    const alloc_counter::Totals after = alloc_counter::Now();
    const double tests = static_cast<double>(state.iterations()) * masses.size();
    state.counters["per_test"] =
        benchmark::Counter(tests, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["masses"] = static_cast<double>(masses.size());
    state.counters["contacts"] = accepted ? scene.contacts : 0;
    state.counters["tree_nodes"] = scene.zone->quadTree->NodeCount();
    state.counters["allocs_per_test"] = (after.calls - before.calls) / tests;
    scene = ZoneScene{};
    TPhysics::Free();
}

void BM_ZoneCoarseRejects(benchmark::State& state) { Run(state, false); }
void BM_ZoneCoarseAccepts(benchmark::State& state) { Run(state, true); }

BENCHMARK(BM_ZoneCoarseRejects)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ZoneCoarseAccepts)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
