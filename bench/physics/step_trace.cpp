// Prints the time of each of a fixed run of steps of a bench scene, one line
// per step in microseconds, for compare_trace.sh. Every build steps exactly
// the same states (the step is deterministic), so two builds' traces can be
// compared step by step, which a benchmark that picks its own number of
// steps cannot do on a scene whose cost changes from step to step.
// Usage: step_trace pile|spread [STEPS]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "physics/tangle.h"
#include "tangle_scene.h"

int main(int argc, char** argv) {
    using namespace kel::tangle;
    using Clock = std::chrono::steady_clock;
    constexpr int kMasses = 10000;
    constexpr float kPairStiffness = 0.5f; // as step_bench
    if (argc < 2 || (std::strcmp(argv[1], "pile") != 0 && std::strcmp(argv[1], "spread") != 0)) {
        std::fprintf(stderr, "usage: %s pile|spread [STEPS]\n", argv[0]);
        return 2;
    }
    const int steps = argc > 2 ? std::atoi(argv[2]) : 100;
    if (steps <= 0) {
        std::fprintf(stderr, "%s: STEPS must be a positive number\n", argv[0]);
        return 2;
    }
    const auto layout = std::strcmp(argv[1], "pile") == 0 ? bench_scenes::Layout::Pile
                                                           : bench_scenes::Layout::Spread;
    bench_scenes::TangleScene scene =
        bench_scenes::BuildTangle(bench_scenes::Make(layout, kMasses), true, kPairStiffness);
    TPhysics::Update(); // anything that grows once has grown
    std::vector<double> micros(static_cast<std::size_t>(steps));
    long events = 0;
    for (double& t : micros) {
        const Clock::time_point start = Clock::now();
        TPhysics::Update();
        events += TColEvent::QueueCount(); // as step_bench: the queue is counted
        t = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    }
    for (double t : micros) std::printf("%.1f\n", t);
    scene = {};
    TPhysics::Free();
    TColEvent::Flush();
    return events < 0; // keeps the counting
}
