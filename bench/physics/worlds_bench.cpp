// Two worlds at once: two copies of the settled pile of step_bench (10,000
// masses of radius 4 joined in pairs, the 64 x 64 grid), each stepped 100
// times, one after the other on the calling thread and then at the same time
// on two threads (the caller and one more), from the same settled state, in
// turns within each iteration so that a busy machine weighs on both alike.
// The counters give each way's milliseconds per round and their ratio; the
// run fails if the two ways end in different bits.
//
//   build/bench/physics/worlds_bench --benchmark_min_time=5

#include <benchmark/benchmark.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;
using Clock = std::chrono::steady_clock;

constexpr int kMasses = 10000;
constexpr int kSteps = 100;

// The settled pile as a world file in memory, built once.
const std::vector<unsigned char>& SettledPile() {
    static const std::vector<unsigned char> bytes = [] {
        const bench_scenes::TangleScene scene = bench_scenes::BuildTangle(
            bench_scenes::Make(bench_scenes::Layout::Pile, kMasses), true, 0.5f);
        std::vector<unsigned char> saved = currentWorld->SaveToMemory({scene.body.Get()});
        TPhysics::Free();
        return saved;
    }();
    return bytes;
}

struct Copy {
    core::Ref<TPhysics> world = TPhysics::Create(1, 1, 0, 0, 1);
    core::Ref<TWorldSnapshot> loaded;
    Copy() {
        std::string error;
        loaded = world->LoadFromMemory(SettledPile(), error);
    }
};

void Steps(TPhysics& w) {
    for (int k = 0; k < kSteps; ++k) w.Step();
}

std::uint64_t Hash(const TPhysics& w) {
    std::uint64_t h = 1469598103934665603ull;
    for (const TMass* m : w.Masses()->Each<TMass>()) {
        for (float f : {m->posX, m->posY}) {
            h ^= std::bit_cast<std::uint32_t>(f);
            h *= 1099511628211ull;
        }
    }
    return h;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_TwoPiles(benchmark::State& state) {
    double alone = 0, together = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Copy a1, b1, a2, b2;
        state.ResumeTiming();
        const Clock::time_point t0 = Clock::now();
        Steps(*a1.world);
        Steps(*b1.world);
        const Clock::time_point t1 = Clock::now();
        std::thread other([&] { Steps(*b2.world); });
        Steps(*a2.world);
        other.join();
        const Clock::time_point t2 = Clock::now();
        alone += Ms(t1 - t0);
        together += Ms(t2 - t1);
        state.PauseTiming();
        if (Hash(*a1.world) != Hash(*a2.world) || Hash(*b1.world) != Hash(*b2.world))
            state.SkipWithError("two threads gave other bits than one");
        state.ResumeTiming();
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["alone_ms"] = alone / rounds;
    state.counters["together_ms"] = together / rounds;
    state.counters["ratio"] = together / alone;
}
BENCHMARK(BM_TwoPiles)->Unit(benchmark::kMillisecond);

} // namespace
