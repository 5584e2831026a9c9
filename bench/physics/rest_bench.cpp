// Whether piles come to rest, and what rest costs: the pile of step_bench
// (10,000 masses of radius 4 in pairs, 86 rows under the game's gravity, one
// pass per step) dropped from its lattice and stepped 600 times.
//   BM_PileRest/<mode>   ms per step while it settles, in stacking mode 0
//                        or 1; counters: the mean and largest motion per
//                        step over the last step, the deepest overlap of
//                        two masses at the end, and the first step after
//                        which the motion stayed under the rest targets
//                        (mean 0.01, largest 0.5), or -1.
//   BM_RestingPile/asleep:<0,1>  the step of the rested pile, awake and asleep.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

constexpr int kMasses = 10000;
constexpr int kSettleSteps = 600;
constexpr float kRestMean = 0.01f, kRestLargest = 0.5f;
constexpr float kRadius = 4;

struct Pile {
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
};

// Rows of touching masses, every second row shifted by a quarter, each even
// mass joined to the next.
Pile DropPile(int count, int stacking) {
    TPhysics::Free();
    TPhysics::Create(1000, 2000, 0.15f, 0, 1);
    TPhysics::SetGridSize(64);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetStacking(stacking);
    Pile p;
    constexpr int perRow = 116;
    constexpr float spacing = 8.5f;
    for (int k = 0; k < count; ++k) {
        const float x = 5 + (k % perRow) * spacing + ((k / perRow) % 2) * spacing * 0.25f;
        const float y = 1995 - (k / perRow) * spacing;
        p.masses.push_back(TMass::Create(x, y, 1, kRadius, 0.5f, -1));
        if (k % 2) TConstraint::Create(p.masses[k - 1], p.masses[k], 0, 0.5f)->Assign(p.body);
    }
    return p;
}

// The deepest overlap of two masses that no constraint joins.
double DeepestOverlap(const Pile& p) {
    double deepest = 0;
    const std::size_t n = p.masses.size();
    std::vector<std::size_t> byX(n);
    for (std::size_t k = 0; k < n; ++k) byX[k] = k;
    std::sort(byX.begin(), byX.end(),
              [&](std::size_t a, std::size_t b) { return p.masses[a]->posX < p.masses[b]->posX; });
    for (std::size_t i = 0; i < n; ++i) {
        const TMass* a = p.masses[byX[i]];
        for (std::size_t j = i + 1; j < n; ++j) {
            const TMass* b = p.masses[byX[j]];
            if (b->posX - a->posX >= 2 * kRadius) break;
            const bool joined = byX[i] / 2 == byX[j] / 2;
            const double d = std::hypot(a->posX - b->posX, a->posY - b->posY);
            if (!joined && 2 * kRadius - d > deepest) deepest = 2 * kRadius - d;
        }
    }
    return deepest;
}

void BM_PileRest(benchmark::State& state) {
    const int stacking = static_cast<int>(state.range(0));
    double mean = 0, largest = 0, overlap = 0, stepping = 0;
    int restFrom = -1;
    for (auto _ : state) {
        state.PauseTiming();
        Pile p = DropPile(kMasses, stacking);
        std::vector<float> x(kMasses), y(kMasses);
        state.ResumeTiming();
        restFrom = -1;
        for (int step = 1; step <= kSettleSteps; ++step) {
            state.PauseTiming();
            for (int k = 0; k < kMasses; ++k) x[k] = p.masses[k]->posX, y[k] = p.masses[k]->posY;
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            TPhysics::Update();
            stepping +=
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            state.PauseTiming();
            double sum = 0;
            largest = 0;
            for (int k = 0; k < kMasses; ++k) {
                const double d = std::hypot(p.masses[k]->posX - x[k], p.masses[k]->posY - y[k]);
                sum += d;
                largest = std::max(largest, d);
            }
            mean = sum / kMasses;
            const bool resting = mean < kRestMean && largest < kRestLargest;
            if (!resting)
                restFrom = -1;
            else if (restFrom < 0)
                restFrom = step;
            state.ResumeTiming();
        }
        state.PauseTiming();
        overlap = DeepestOverlap(p);
        p = Pile{};
        TPhysics::Free();
        TColEvent::Flush();
        state.ResumeTiming();
    }
    state.counters["ms_per_step"] =
        stepping / (static_cast<double>(state.iterations()) * kSettleSteps);
    state.counters["mean_motion"] = mean;
    state.counters["largest_motion"] = largest;
    state.counters["deepest_overlap"] = overlap;
    state.counters["rest_from_step"] = restFrom;
}

BENCHMARK(BM_PileRest)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

// The step of the same pile once it rests (stacking mode 1): awake, and
// asleep (sleep speed 0.05, 30 steps). Counter: the steps it took to fall
// asleep from its drop.
constexpr float kSleepSpeed = 0.05f;
constexpr int kSleepSteps = 30;
constexpr int kMostStepsToSleep = 3000;

void BM_RestingPile(benchmark::State& state) {
    const bool sleep = state.range(0) != 0;
    Pile p = DropPile(kMasses, 1);
    if (sleep) TPhysics::SetSleep(kSleepSpeed, kSleepSteps);
    int steps = 0;
    while (steps < (sleep ? kMostStepsToSleep : kSettleSteps) &&
           (!sleep || TPhysics::AwakeCount() > 0)) {
        TPhysics::Update();
        ++steps;
    }
    for (auto _ : state) TPhysics::Update();
    state.counters["steps_to_sleep"] = sleep ? steps : -1;
    state.counters["awake"] = TPhysics::AwakeCount();
    p = Pile{};
    TPhysics::Free();
    TColEvent::Flush();
}

BENCHMARK(BM_RestingPile)->ArgName("asleep")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
