// The step benchmarks' scenes (scenes.h) side by side in kel.tangle, Box2D
// 2.4 and Chipmunk 7, each built as engines.h says, settled before it is
// timed; no sleeping. After the runs, a table gives each engine's median time
// per step and its ratio to kel.tangle's.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engines.h"

namespace {

using bench_engines::Engine;
using bench_scenes::Layout;

constexpr int kMasses = 10000;

// One scene at a time is alive: kel.tangle has one current world.
std::unique_ptr<Engine> alive;
std::string aliveName;

using MakeEngine = std::unique_ptr<Engine> (*)(const bench_scenes::Scene&, bench_engines::Options);

void StepEngine(benchmark::State& state, MakeEngine make, Layout layout, const char* name) {
    if (aliveName != name) {
        alive = nullptr;
        alive = make(bench_scenes::Make(layout, kMasses), {});
        aliveName = name;
    }
    for (auto _ : state) alive->Step();
}

#define ENGINE_BENCH(name, engine, layout)                                                         \
    void name(benchmark::State& state) {                                                           \
        StepEngine(state, bench_engines::Make##engine, layout, #name);                             \
    }                                                                                              \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)

ENGINE_BENCH(BM_Pile_tangle, Tangle, Layout::Pile);
ENGINE_BENCH(BM_Pile_box2d, Box2d, Layout::Pile);
ENGINE_BENCH(BM_Pile_chipmunk, Chipmunk, Layout::Pile);
ENGINE_BENCH(BM_Spread_tangle, Tangle, Layout::Spread);
ENGINE_BENCH(BM_Spread_box2d, Box2d, Layout::Spread);
ENGINE_BENCH(BM_Spread_chipmunk, Chipmunk, Layout::Spread);

// Prints the runs as usual, then each engine's median against kel.tangle's.
class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-8s %-9s %12s %16s\n", "scene", "engine", "median ms", "x kel.tangle");
        for (const char* scene : {"Pile", "Spread"}) {
            // find, not [], so that a scene filtered out prints no row.
            const auto tangle = medians_.find(std::string("BM_") + scene + "_tangle");
            const double ours = tangle == medians_.end() ? 0 : tangle->second;
            for (const char* engine : {"tangle", "box2d", "chipmunk"}) {
                const auto at = medians_.find(std::string("BM_") + scene + "_" + engine);
                if (at == medians_.end()) continue;
                std::printf("%-8s %-9s %12.3f %16.2f\n", scene, engine, at->second,
                            ours > 0 ? at->second / ours : 0.0);
            }
        }
    }

  private:
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    alive = nullptr;
    benchmark::Shutdown();
    return 0;
}
