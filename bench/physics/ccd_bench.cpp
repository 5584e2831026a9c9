// What continuous collision (TPhysics::SetContinuous) costs: one world
// stepped with it off and with it on, in blocks of steps that take turns
// within each iteration (off first in one, on first in the next), so that a
// busy spell of the machine weighs on both alike. Every block starts from the
// same snapshot, and after one untimed step (with the block's setting, so
// that what turning it on builds once is not timed) both settings do the
// same work but for the sweeps. The run itself reports each setting's time
// per step and their ratio, on_over_off, with the allocations per step of
// the blocks with it on.
//
//   BM_Pile:  the settled pile of step_bench (10,000 masses of radius 4
//             joined in pairs, one pass per step, the 64 x 64 grid): slow
//             masses, which should cost nothing more.
//   BM_Spray: 10,000 masses of radius 3 flying at 20 to 60 units a step,
//             in every direction, among thin LINE zones and FILL zones 4
//             units thick, inside a HOLE that stands for the walls.
//
//   build/bench/physics/ccd_bench --benchmark_min_time=2

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

#include "alloc_counter.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr float kPairStiffness = 0.5f; // as step_bench's pile
constexpr int kPileBlock = 20;         // steps a block
constexpr int kSprayBlock = 10;

// The spray's world: a square box with walls inside.
constexpr float kSide = 2000;
constexpr float kMargin = 20;
constexpr float kSprayRadius = 3, kSlowest = 20, kFastest = 60;
constexpr float kLatticeStep = 16; // lattice of starts, more than kMasses points
constexpr float kBarHalf = 2;      // the FILL bars are 4 units thick
constexpr float kZoneFriction = 0.2f;
constexpr int kTreeLevel = 7;

struct Settled {
    std::vector<core::Ref<TZone>> zones;
    std::vector<core::Ref<TMass>> masses;
    bench_scenes::TangleScene pile;
    core::Ref<TWorldSnapshot> start;
};

// The fractional part of k times a step: a spread over 0 ... 1 that repeats
// from run to run.
float Spread(int k, double step) {
    const double v = k * step;
    return static_cast<float>(v - std::floor(v));
}

// A bar of the given half thickness from (x1, y1) to (x2, y2).
std::vector<float> Bar(float x1, float y1, float x2, float y2) {
    const float len = std::hypot(x2 - x1, y2 - y1);
    const float nx = -(y2 - y1) / len * kBarHalf, ny = (x2 - x1) / len * kBarHalf;
    return {x1 + nx, y1 + ny, x2 + nx, y2 + ny, x2 - nx, y2 - ny, x1 - nx, y1 - ny};
}

Settled BuildSpray() {
    Settled s;
    TPhysics::Free();
    TPhysics::Create(kSide, kSide, 0, 0, 1);
    TPhysics::SetGridSize(TPhysics::MAX_GRID);
    TPhysics::UseShiftedGrid(1);
    const int walls = NewColGroup();
    auto zone = [&](std::vector<float> area, int style) {
        s.zones.push_back(TZone::Create(std::move(area), style, kZoneFriction, walls, kTreeLevel));
    };
    // The walls: an octagon cut out of everything.
    std::vector<float> octagon;
    for (int k = 0; k < 8; ++k) {
        const double a = std::numbers::pi / 8 + std::numbers::pi / 4 * k;
        const double r = (kSide / 2 - kMargin) / std::cos(std::numbers::pi / 8);
        octagon.push_back(kSide / 2 + static_cast<float>(r * std::cos(a)));
        octagon.push_back(kSide / 2 + static_cast<float>(r * std::sin(a)));
    }
    zone(octagon, TZone::HOLE);
    // Zigzag lines down the box and thin bars across it, with gaps where
    // they cross, so the masses meet both kinds and keep moving from cell
    // to cell.
    for (float x = 400; x < kSide; x += 400) {
        std::vector<float> zigzag;
        for (float y = 150; y <= kSide - 150; y += 100)
            zigzag.insert(zigzag.end(), {x + (static_cast<int>(y / 100) % 2 ? 30.0f : -30.0f), y});
        zone(zigzag, TZone::LINE);
    }
    for (float y = 400; y < kSide; y += 400)
        for (float x = 150; x < kSide - 150; x += 400)
            zone(Bar(x, y, x + 300, y + 40), TZone::FILL);

    // Masses spread evenly over the points of a lattice where no zone's
    // matter is near, flying off in every direction; each of a group of its
    // own, so every pair can touch.
    TQueryFilter zonesOnly;
    zonesOnly.masses = false;
    std::vector<std::pair<float, float>> clear;
    for (float y = kMargin + kLatticeStep; y < kSide; y += kLatticeStep)
        for (float x = kMargin + kLatticeStep; x < kSide; x += kLatticeStep) {
            const float r = 2 * kSprayRadius;
            const auto none = [](TMass*, TZone*) { return false; };
            if (TPhysics::QueryBox(x - r, y - r, x + r, y + r, none, zonesOnly) == 0)
                clear.emplace_back(x, y);
        }
    for (int k = 0; k < kMasses && clear.size() >= kMasses; ++k) {
        const auto [x, y] = clear[clear.size() * static_cast<std::size_t>(k) / kMasses];
        const float speed = kSlowest + (kFastest - kSlowest) * Spread(k, 0.6180339887);
        const double a = 2 * std::numbers::pi * Spread(k, 0.4142135624);
        core::Ref<TMass> m = TMass::Create(x, y, 1, kSprayRadius, 0.3f, -1);
        m->AddRef();
        m->SetVelocity(speed * static_cast<float>(std::cos(a)),
                       speed * static_cast<float>(std::sin(a)));
        s.masses.push_back(m);
    }
    s.start = TPhysics::TakeSnapshot();
    return s;
}

Settled BuildPile() {
    Settled s;
    s.pile = bench_scenes::BuildTangle(bench_scenes::Make(bench_scenes::Layout::Pile, kMasses),
                                       true, kPairStiffness);
    s.start = TPhysics::TakeSnapshot();
    return s;
}

// The world of the benchmark that runs now, built once for all its runs.
// There is one current world, so building the other benchmark's frees it.
Settled& World(Settled (*build)()) {
    static Settled world;
    static Settled (*built)() = nullptr;
    if (built != build) {
        world = {};
        world = build();
        built = build;
    }
    return world;
}

void Alternate(benchmark::State& state, Settled (*build)(), int block) {
    using Clock = std::chrono::steady_clock;
    Settled& world = World(build);
    if (world.masses.size() + world.pile.masses.size() != kMasses) {
        state.SkipWithError("the scene did not get all its masses");
        return;
    }
    TWorldSnapshot* start = world.start;
    double seconds[2] = {0, 0};
    std::uint64_t allocs[2] = {0, 0};
    std::int64_t iterations = 0;
    for (auto _ : state) {
        double took = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const int on = static_cast<int>((turn + iterations) % 2);
            TPhysics::RestoreSnapshot(start);
            TPhysics::SetContinuous(on);
            TPhysics::Update(); // whatever a restored world or the setting builds once
            const alloc_counter::Totals before = alloc_counter::Now();
            const Clock::time_point t0 = Clock::now();
            for (int step = 0; step < block; ++step) TPhysics::Update();
            const std::chrono::duration<double> d = Clock::now() - t0;
            allocs[on] += alloc_counter::Now().calls - before.calls;
            seconds[on] += d.count();
            took += d.count();
        }
        state.SetIterationTime(took);
        ++iterations;
    }
    const double steps = static_cast<double>(iterations) * block;
    state.counters["off_us_per_step"] = seconds[0] / steps * 1e6;
    state.counters["on_us_per_step"] = seconds[1] / steps * 1e6;
    state.counters["on_over_off"] = seconds[0] > 0 ? seconds[1] / seconds[0] : 0;
    state.counters["on_allocs_per_step"] = static_cast<double>(allocs[1]) / steps;
    TPhysics::SetContinuous(0);
}

void BM_Pile(benchmark::State& state) { Alternate(state, &BuildPile, kPileBlock); }
void BM_Spray(benchmark::State& state) { Alternate(state, &BuildSpray, kSprayBlock); }

BENCHMARK(BM_Pile)->Unit(benchmark::kMillisecond)->UseManualTime()->Repetitions(3);
BENCHMARK(BM_Spray)->Unit(benchmark::kMillisecond)->UseManualTime()->Repetitions(3);

} // namespace
