// The world's queries on the settled pile of 10,000 masses (scenes.h: radius
// 4, a 1000 x 2000 box, a 64 x 64 grid), each against the loop a program
// would write without them: every mass of the world's list, one by one.
// Queries are aimed into the pile, where it is densest: at spots far apart
// (walk:0) or along a walk through it (walk:1).
//
//     build/bench/physics/query_bench

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr float kBox = 20, kReach = 10;
constexpr float kPairStiffness = 0.5f;

struct Pile {
    bench_scenes::TangleScene scene;
    // Where the queries are aimed: masses picked at random all over the
    // pile (each query far from the last, its masses not in the cache), or
    // a walk through it two units a query (as a mouse or a moving body asks).
    std::vector<bench_scenes::Point> spread, walk;
    float top = 0, floor = 0;
};

Pile& SettledPile() {
    static Pile pile = [] {
        Pile p;
        p.scene = bench_scenes::BuildTangle(bench_scenes::Make(bench_scenes::Layout::Pile, kMasses),
                                            true, kPairStiffness);
        TPhysics::Update();
        std::mt19937 rng(7);
        std::uniform_int_distribution<std::size_t> pick(0, p.scene.masses.size() - 1);
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (int k = 0; k < 1024; ++k) {
            const TMass* m = p.scene.masses[pick(rng)];
            p.spread.push_back({m->posX, m->posY});
            minX = std::fmin(minX, m->posX), maxX = std::fmax(maxX, m->posX);
            minY = std::fmin(minY, m->posY), maxY = std::fmax(maxY, m->posY);
        }
        // Back and forth across the pile, a little lower each time.
        float x = minX, y = minY + 20, dx = 2;
        for (int k = 0; k < 4096; ++k) {
            p.walk.push_back({x, y});
            x += dx;
            if (x > maxX || x < minX) {
                dx = -dx;
                y = y + 17 > maxY ? minY + 20 : y + 17;
            }
        }
        float boundsMinX, boundsMaxX;
        TPhysics::GetBounds(boundsMinX, p.top, boundsMaxX, p.floor);
        return p;
    }();
    return pile;
}

// The argument picks the targets: 0 spread, 1 the walk.
template <class Query> void Run(benchmark::State& state, Query query) {
    Pile& pile = SettledPile();
    const std::vector<bench_scenes::Point>& targets = state.range(0) ? pile.walk : pile.spread;
    std::size_t k = 0;
    std::int64_t found = 0;
    for (auto _ : state) {
        const bench_scenes::Point at = targets[k++ % targets.size()];
        found += query(pile, at.x, at.y);
    }
    benchmark::DoNotOptimize(found);
    state.counters["found_per_query"] =
        static_cast<double>(found) / static_cast<double>(state.iterations());
}

// ---- A 20 x 20 box around the target.

void BM_QueryBox(benchmark::State& state) {
    Run(state, [](Pile&, float x, float y) {
        return TPhysics::QueryBox(x - kBox / 2, y - kBox / 2, x + kBox / 2, y + kBox / 2,
                                  [](TMass*, TZone*) { return true; });
    });
}

void BM_QueryBoxEveryMass(benchmark::State& state) {
    Run(state, [](Pile&, float x, float y) {
        const float x0 = x - kBox / 2, y0 = y - kBox / 2, x1 = x + kBox / 2, y1 = y + kBox / 2;
        int n = 0;
        for (TMass* m : massList->Each<TMass>()) {
            const float dx = std::fmin(std::fmax(m->posX, x0), x1) - m->posX;
            const float dy = std::fmin(std::fmax(m->posY, y0), y1) - m->posY;
            if (dx * dx + dy * dy <= m->radius * m->radius) ++n;
        }
        return n;
    });
}

// ---- The nearest mass whose edge is within 10 units of the target.

void BM_NearestMass(benchmark::State& state) {
    Run(state, [](Pile&, float x, float y) {
        float d;
        return TPhysics::NearestMass(x, y, kReach, d) ? 1 : 0;
    });
}

void BM_NearestMassEveryMass(benchmark::State& state) {
    Run(state, [](Pile&, float x, float y) {
        const TMass* best = nullptr;
        float bestEdge = 0;
        for (TMass* m : massList->Each<TMass>()) {
            const float edge = std::hypot(x - m->posX, y - m->posY) - m->radius;
            if (edge <= kReach && (!best || edge < bestEdge)) {
                best = m;
                bestEdge = edge;
            }
        }
        return best ? 1 : 0;
    });
}

// ---- A ray straight down from the top of the world to the floor, above
// the target: its first hit is the top of the pile.

void BM_RayCastDown(benchmark::State& state) {
    Run(state, [](Pile& p, float x, float) {
        TRayHit hit;
        return TPhysics::RayCast(x, p.top, x, p.floor, hit) ? 1 : 0;
    });
}

void BM_RayCastDownEveryMass(benchmark::State& state) {
    Run(state, [](Pile& p, float x, float) {
        const float length = p.floor - p.top;
        float best = 2;
        for (TMass* m : massList->Each<TMass>()) {
            // The ray is vertical: it meets the disc where y is its centre
            // less the half chord.
            const float dx = x - m->posX, r = m->radius;
            if (dx * dx > r * r) continue;
            const float t = (m->posY - std::sqrt(r * r - dx * dx) - p.top) / length;
            if (t >= 0 && t <= 1 && t < best) best = t;
        }
        return best <= 1 ? 1 : 0;
    });
}

#define QUERY_BENCH(name)                                                                          \
    BENCHMARK(name)                                                                                \
        ->ArgName("walk")                                                                          \
        ->Arg(0)                                                                                   \
        ->Arg(1)                                                                                   \
        ->Unit(benchmark::kNanosecond)                                                             \
        ->Repetitions(5)                                                                           \
        ->ReportAggregatesOnly(true)

QUERY_BENCH(BM_QueryBox);
QUERY_BENCH(BM_QueryBoxEveryMass);
QUERY_BENCH(BM_NearestMass);
QUERY_BENCH(BM_NearestMassEveryMass);
QUERY_BENCH(BM_RayCastDown);
QUERY_BENCH(BM_RayCastDownEveryMass);

} // namespace
