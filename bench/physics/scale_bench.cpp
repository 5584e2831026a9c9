// How the step scales with the size of the world: the benchmark's pile
// (scenes.h, radius 4, rigid pairs, one pass) laid side by side, N / 10,000
// of them, in a box that widens with N (the wide world: 1,000 x 2,000 at
// 10,000 masses, 64,000 x 2,000 at 640,000), or one pile in a box that grows
// with the square root of N both ways (the deep world), with the 64 x 64
// grid and with cells of a fixed width (TPhysics::SetCellSize).
//
//   scale_bench                    every size, each in a fresh process, as tables
//   scale_bench --one wide|deep N W
//                                  one size, W the cell width (0: the 64 grid)
//   scale_bench --alternate N W    the wide world of N masses with both grids,
//                                  their steps alternated, for a fair comparison
//   scale_bench --paired N1 N2 W  the wide worlds of N1 and N2 masses, settled
//                                  once and snapshotted, then restored in turn,
//                                  round after round, each timed for a block
//                                  of steps: the ratio of their costs per mass,
//                                  from one process, on the same machine state
//   scale_bench --memory wide|deep N W
//                                  where one size's memory goes, stage by stage
//   --width W   cell width of the tables (default 12)
//   --discard   queue no collision events (TColEvent::MODE_DISCARD)
//   --settle S  steps before timing (default 300)
//   --steps T   timed steps (default 30)
//
// A plain program rather than a Google Benchmark: each size runs once in a
// process of its own, so that its peak memory (getrusage) is its own. Steps
// are timed in the thread's processor time, which a busy machine disturbs
// less than the clock on the wall.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "physics/grid/grid.h"
#include "physics/tangle.h"
#include "tangle_scene.h"

namespace {

using namespace kel::tangle;

constexpr float kRigid = 1; // the whole error of a pair taken out per pass
constexpr int kBaseCount = 10000;

struct Options {
    float width = 12;
    int settle = 300;
    int steps = 30;
    bool discard = false;
};

// The wide world: piles of 10,000 side by side, each listed whole before the
// next. The deep world: one pile, its box scaled both ways.
bench_scenes::Scene MakeWorld(bool deep, int count) {
    const float scale = std::sqrt(static_cast<float>(count) / kBaseCount);
    return deep ? bench_scenes::MakeScaledPile(count, scale, scale)
                : bench_scenes::MakeSideBySide(count, kBaseCount);
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kB on Linux
}

// Resident memory now, bytes.
double ResidentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// This thread's processor time, ms: on a shared machine it counts what the
// step costs, not the time it waited for a core.
double ThreadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// Times one step; adds the contacts it queued.
double TimedStep(long& contacts) {
    const double start = ThreadMs();
    TPhysics::Update();
    const double ms = ThreadMs() - start;
    contacts += TColEvent::QueueCount();
    return ms;
}

// One size built stage by stage, with the memory each stage adds per mass,
// and the largest the collision queue grew to.
int RunMemory(bool deep, int count, float width, const Options& o) {
    const bench_scenes::Scene scene = MakeWorld(deep, count);
    const double n = count, base = ResidentBytes();
    double last = base;
    auto stage = [&](const char* what) {
        const double now = ResidentBytes();
        std::printf("  %-36s %7.0f B/mass\n", what, (now - last) / n);
        last = now;
    };
    std::printf("%s world, %d masses, cells %g wide (0: the 64 x 64 grid): sizeof TMass %zu, "
                "TConstraint %zu\n",
                deep ? "deep" : "wide", count, width, sizeof(TMass), sizeof(TConstraint));
    if (o.discard) TColEvent::SetMode(TColEvent::MODE_DISCARD);
    TPhysics::Create(scene.width, scene.height, scene.gravity, 0, 1);
    TPhysics::SetGridSize(TPhysics::MAX_GRID);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetCellSize(width);
    std::vector<core::Ref<TMass>> masses;
    masses.reserve(scene.starts.size());
    for (const bench_scenes::Point at : scene.starts)
        masses.push_back(TMass::Create(at.x, at.y, bench_scenes::Scene::kMass,
                                       bench_scenes::Scene::kRadius,
                                       bench_scenes::Scene::kFriction, -1));
    stage("masses (and the bench's references)");
    core::Ref<TBody> body = core::Make<TBody>();
    for (std::size_t k = 1; k < masses.size(); k += 2)
        TConstraint::Create(masses[k - 1], masses[k], 0, kRigid)->Assign(body);
    stage("constraints, list links, grid cells");
    TPhysics::Update();
    stage("first step (orders, cell arrays)");
    int mostQueued = 0;
    for (int step = 1; step < o.settle; ++step) {
        TPhysics::Update();
        mostQueued = std::max(mostQueued, TColEvent::QueueCount());
    }
    stage("settling (collision queue at its largest)");
    std::printf("  most pairs queued in a step: %.2f per mass; peak %.0f B/mass, %.0f MB\n",
                mostQueued / n, PeakMegabytes() * 1024 * 1024 / n, PeakMegabytes());
    (void)base;
    masses.clear();
    body = nullptr;
    TPhysics::Free();
    return 0;
}

// One size in this process: prints one line of results.
int RunOne(bool deep, int count, float width, const Options& o) {
    const double before = PeakMegabytes();
    if (o.discard) TColEvent::SetMode(TColEvent::MODE_DISCARD);
    bench_scenes::TangleScene scene =
        bench_scenes::BuildTangle(MakeWorld(deep, count), true, kRigid, width, o.settle);
    long contacts = 0;
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(o.steps)); // the counted steps' allocations are the world's own
    const alloc_counter::Totals allocBefore = alloc_counter::Now();
    for (int k = 0; k < o.steps; ++k) ms.push_back(TimedStep(contacts));
    const alloc_counter::Totals allocAfter = alloc_counter::Now();
    const double median = Median(ms);
    const double peak = PeakMegabytes();
    std::printf("%s %d %g %.3f %.4f %.3f %.1f %.0f %.2f %d\n", deep ? "deep" : "wide", count, width,
                median, median * 1000 / count, static_cast<double>(contacts) / o.steps / count,
                peak, (peak - before) * 1024 * 1024 / count,
                static_cast<double>(allocAfter.calls - allocBefore.calls) / o.steps,
                currentWorld->shiftgrid->CellCount());
    scene = {};
    TPhysics::Free();
    return 0;
}

// Both grids in one process, in turn: one world is current at a time and the
// lists are the module's, so each is built, settled and timed for a block of
// steps, round after round.
int RunAlternate(int count, float width, const Options& o) {
    std::vector<double> grid64, cells;
    long contacts = 0;
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        for (const float w : {0.0f, width}) {
            bench_scenes::TangleScene scene =
                bench_scenes::BuildTangle(MakeWorld(false, count), true, kRigid, w, o.settle);
            for (int k = 0; k < o.steps; ++k) (w > 0 ? cells : grid64).push_back(TimedStep(contacts));
            scene = {};
            TPhysics::Free();
        }
    }
    const double a = Median(grid64), b = Median(cells);
    std::printf("wide %d masses, rounds of %d steps alternated:\n", count, o.steps);
    std::printf("  64 grid     %.3f ms/step  %.4f us/mass\n", a, a * 1000 / count);
    std::printf("  cells of %g %.3f ms/step  %.4f us/mass  (%.2fx the 64 grid)\n", width, b,
                b * 1000 / count, b / a);
    return 0;
}

// Two sizes of the wide world in one process. Only one world is current at
// a time, so each is settled once and kept as a snapshot; a round restores
// each in turn, lets a few steps rebuild what the step keeps, and times a
// block of steps. Every round steps both worlds from the same state, so the
// rounds differ only in what the machine was doing meanwhile.
int RunPaired(int small, int large, float width, const Options& o) {
    constexpr int kRounds = 7, kWarmSteps = 3;
    const int counts[2] = {small, large};
    core::Ref<TWorldSnapshot> snapshots[2];
    bench_scenes::TangleScene scenes[2];
    for (int i = 0; i < 2; ++i) {
        scenes[i] = bench_scenes::BuildTangle(MakeWorld(false, counts[i]), true, kRigid, width,
                                              o.settle);
        snapshots[i] = TPhysics::TakeSnapshot({scenes[i].body.Get()});
    }
    std::vector<double> perMass[2];
    long contacts = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            TPhysics::RestoreSnapshot(snapshots[i]);
            for (int k = 0; k < kWarmSteps; ++k) TPhysics::Update();
            std::vector<double> ms;
            for (int k = 0; k < o.steps; ++k) ms.push_back(TimedStep(contacts));
            perMass[i].push_back(Median(ms) * 1000 / counts[i]);
        }
    }
    std::printf("wide %d and %d masses, cells %g, %d rounds of %d steps each:\n", small, large,
                width, kRounds, o.steps);
    std::vector<double> ratios;
    for (int r = 0; r < kRounds; ++r) {
        ratios.push_back(perMass[1][static_cast<std::size_t>(r)] /
                         perMass[0][static_cast<std::size_t>(r)]);
        std::printf("  round %d: %.4f and %.4f us/mass, %.2fx\n", r + 1,
                    perMass[0][static_cast<std::size_t>(r)],
                    perMass[1][static_cast<std::size_t>(r)], ratios.back());
    }
    std::printf("  median: %.4f and %.4f us/mass; median ratio %.2fx\n", Median(perMass[0]),
                Median(perMass[1]), Median(ratios));
    for (auto& snapshot : snapshots) snapshot = nullptr;
    for (auto& scene : scenes) scene = {};
    TPhysics::Free();
    return 0;
}

struct Row {
    std::string world;
    int count = 0;
    float width = 0;
    double ms = 0, perMass = 0, contacts = 0, peak = 0, bytesPerMass = 0, allocs = 0;
};

// Runs one size in a fresh process of this program.
bool RunChild(const char* self, bool deep, int count, float width, const Options& o, Row& row) {
    const std::string command = std::string(self) + " --one " + (deep ? "deep " : "wide ") +
                                std::to_string(count) + " " + std::to_string(width) +
                                " --settle " + std::to_string(o.settle) + " --steps " +
                                std::to_string(o.steps) + (o.discard ? " --discard" : "");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char world[16] = {};
    int cells = 0;
    const int got = std::fscanf(pipe, "%15s %d %f %lf %lf %lf %lf %lf %lf %d", world, &row.count,
                                &row.width, &row.ms, &row.perMass, &row.contacts, &row.peak,
                                &row.bytesPerMass, &row.allocs, &cells);
    pclose(pipe);
    row.world = world;
    return got == 10;
}

int RunAll(const char* self, const Options& o) {
    const struct {
        bool deep;
        std::vector<int> counts;
    } worlds[] = {{false, {10000, 40000, 160000, 640000}}, {true, {2500, 10000, 40000}}};
    for (const auto& world : worlds) {
        std::printf("\n%s world: median of %d steps after %d, one pass, radius 4\n",
                    world.deep ? "deep" : "wide", o.steps, o.settle);
        std::printf("%8s | %-10s | %10s | %8s | %9s | %8s | %8s | %7s\n", "masses", "grid",
                    "ms/step", "us/mass", "contacts", "peak MB", "B/mass", "allocs");
        for (const int count : world.counts) {
            for (const float width : {0.0f, o.width}) {
                Row row;
                if (!RunChild(self, world.deep, count, width, o, row)) {
                    std::printf("%8d | run failed\n", count);
                    continue;
                }
                const std::string grid =
                    width > 0 ? "cells " + std::to_string(static_cast<int>(width)) : "64 x 64";
                std::printf("%8d | %-10s | %10.2f | %8.3f | %9.2f | %8.0f | %8.0f | %7.1f\n",
                            count, grid.c_str(), row.ms, row.perMass, row.contacts, row.peak,
                            row.bytesPerMass, row.allocs);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    std::vector<std::string> rest;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--width" && k + 1 < argc)
            o.width = std::strtof(argv[++k], nullptr);
        else if (a == "--settle" && k + 1 < argc)
            o.settle = std::atoi(argv[++k]);
        else if (a == "--steps" && k + 1 < argc)
            o.steps = std::atoi(argv[++k]);
        else if (a == "--discard")
            o.discard = true;
        else
            rest.push_back(a);
    }
    if (rest.size() == 4 && rest[0] == "--one")
        return RunOne(rest[1] == "deep", std::atoi(rest[2].c_str()),
                      std::strtof(rest[3].c_str(), nullptr), o);
    if (rest.size() == 4 && rest[0] == "--memory")
        return RunMemory(rest[1] == "deep", std::atoi(rest[2].c_str()),
                         std::strtof(rest[3].c_str(), nullptr), o);
    if (rest.size() == 3 && rest[0] == "--alternate")
        return RunAlternate(std::atoi(rest[1].c_str()), std::strtof(rest[2].c_str(), nullptr), o);
    if (rest.size() == 4 && rest[0] == "--paired")
        return RunPaired(std::atoi(rest[1].c_str()), std::atoi(rest[2].c_str()),
                         std::strtof(rest[3].c_str(), nullptr), o);
    if (rest.empty()) return RunAll(argv[0], o);
    std::fprintf(stderr, "usage: %s [--one|--memory wide|deep N WIDTH | --alternate N WIDTH | "
                         "--paired N1 N2 WIDTH] "
                         "[--width W] [--settle S] [--steps T] [--discard]\n",
                 argv[0]);
    return 2;
}
