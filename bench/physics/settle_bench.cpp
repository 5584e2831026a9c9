// How long the pile of the step benchmarks (scenes.h: 10,000 circles in rigid
// pairs) takes to come to rest and to fall asleep in kel.tangle, Box2D 2.4 and
// Chipmunk 7, each with its own sleeping on (engines.h), dropped from its
// lattice with no settling first. One run per engine is long, so this is a
// plain program that prints a table rather than a Google Benchmark.
//
// Every engine is judged alike, in scene units: the pile rests from the first
// of kRestRun steps in a row whose motion (the distance each body moved in
// the step) has a mean under 0.01 and a largest under 0.5, rest_bench's
// targets. Time is the sum of the Step() calls only; reading positions and
// measuring happen outside it. After every body sleeps, kAsleepSteps more
// steps give the cost of a step asleep.
//
// A pile that rests by sinking into itself has not won anything, so the table
// also gives the deepest overlap of two circles that no joint holds together
// (at rest and at the end), the pile's height at the end (packed as tightly
// as circles can be, it would stand about 555 high) and the bodies that left
// the box.
//
//   settle_bench [cap [engine]]   cap: most steps to wait for sleep (default
//                                 3000); engine: tangle, box2d or chipmunk
//                                 alone

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engines.h"

namespace {

using bench_engines::Engine;
using bench_scenes::Point;
using bench_scenes::Scene;

constexpr int kMasses = 10000;
constexpr int kDefaultCap = 3000;
constexpr int kAsleepSteps = 300;
constexpr double kRestMean = 0.01, kRestLargest = 0.5;
// Steps in a row the motion must stay under the targets (0.5 s, as long as
// Box2D and Chipmunk wait before sleeping): a pile is not at rest at the top
// of a bounce, nor on Chipmunk's first step, which moves nothing.
constexpr int kRestRun = 30;

struct Motion {
    double mean = 0, largest = 0;
};

Motion Moved(const std::vector<Point>& before, const std::vector<Point>& after) {
    Motion m;
    double sum = 0;
    for (std::size_t k = 0; k < before.size(); ++k) {
        const double d = std::hypot(after[k].x - before[k].x, after[k].y - before[k].y);
        sum += d;
        m.largest = std::max(m.largest, d);
    }
    m.mean = before.empty() ? 0 : sum / static_cast<double>(before.size());
    return m;
}

// The deepest overlap of two circles that are not a joined pair (2k, 2k + 1),
// by a sweep along x.
double DeepestOverlap(const std::vector<Point>& at) {
    constexpr double kTouch = 2 * Scene::kRadius;
    std::vector<std::size_t> byX(at.size());
    for (std::size_t k = 0; k < byX.size(); ++k) byX[k] = k;
    std::sort(byX.begin(), byX.end(),
              [&](std::size_t a, std::size_t b) { return at[a].x < at[b].x; });
    double deepest = 0;
    for (std::size_t i = 0; i < byX.size(); ++i) {
        const Point a = at[byX[i]];
        for (std::size_t j = i + 1; j < byX.size() && at[byX[j]].x - a.x < kTouch; ++j) {
            if (byX[i] / 2 == byX[j] / 2) continue;
            const Point b = at[byX[j]];
            deepest = std::max(deepest, kTouch - std::hypot(a.x - b.x, a.y - b.y));
        }
    }
    return deepest;
}

struct Result {
    const char* name = "";
    int restStep = -1;     // first step of the first kRestRun steps at rest
    double restMs = 0;     // stepping time up to and including it
    int restHeldFrom = -1; // the step from which it stayed at rest to the end
    double restOverlap = 0;
    int sleepStep = -1; // first step after which no body is awake
    double sleepMs = 0;
    double asleepMsPerStep = 0; // median over kAsleepSteps
    int mostAwakeAsleep = 0;    // bodies woken again while timed asleep
    int steps = 0;
    int awakeAtEnd = 0;
    Motion lastMotion;
    double endOverlap = 0;
    double endHeight = 0; // from the floor to the top of the highest circle in the box
    int outside = 0;      // centres outside the box at the end
};

Result Run(const char* name, Engine& engine, int cap) {
    using Clock = std::chrono::steady_clock;
    Result r;
    r.name = name;
    std::vector<Point> before, after;
    double heldMs = 0; // as restMs, for the run at rest that restHeldFrom begins
    std::vector<Point> heldAt;
    std::vector<double> asleepMs;
    engine.Positions(before);
    double stepping = 0;
    int step = 0;
    // Up to the cap while it has not slept, then kAsleepSteps once it has.
    while (r.sleepStep < 0 ? step < cap : step < r.sleepStep + kAsleepSteps) {
        const Clock::time_point start = Clock::now();
        engine.Step();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        stepping += ms;
        ++step;

        engine.Positions(after);
        const Motion m = Moved(before, after);
        std::swap(before, after);
        r.lastMotion = m;
        const bool resting = m.mean < kRestMean && m.largest < kRestLargest;
        if (!resting) {
            r.restHeldFrom = -1;
        } else if (r.restHeldFrom < 0) {
            r.restHeldFrom = step;
            heldMs = stepping;
            heldAt = before;
        }
        if (r.restStep < 0 && r.restHeldFrom >= 0 && step - r.restHeldFrom + 1 == kRestRun) {
            r.restStep = r.restHeldFrom;
            r.restMs = heldMs;
            r.restOverlap = DeepestOverlap(heldAt);
        }
        const int awake = engine.AwakeCount();
        if (r.sleepStep >= 0) {
            asleepMs.push_back(ms);
            r.mostAwakeAsleep = std::max(r.mostAwakeAsleep, awake);
        } else if (awake == 0) {
            r.sleepStep = step;
            r.sleepMs = stepping;
        }
        // A line now and then, so that a long run shows it is alive.
        if (step % 500 == 0)
            std::fprintf(stderr, "  %-9s step %5d  %9.0f ms  mean %.4f  largest %.3f  awake %d\n",
                         name, step, stepping, m.mean, m.largest, awake);
    }
    r.steps = step;
    r.awakeAtEnd = engine.AwakeCount();
    r.endOverlap = DeepestOverlap(before);
    float top = Scene::kHeight;
    for (const Point& at : before) {
        if (at.x < 0 || at.x > Scene::kWidth || at.y < 0 || at.y > Scene::kHeight)
            ++r.outside;
        else
            top = std::min(top, at.y);
    }
    r.endHeight = Scene::kHeight - top + Scene::kRadius;
    if (!asleepMs.empty()) {
        std::nth_element(asleepMs.begin(), asleepMs.begin() + asleepMs.size() / 2, asleepMs.end());
        r.asleepMsPerStep = asleepMs[asleepMs.size() / 2];
    }
    return r;
}

std::string StepAndMs(int step, double ms) {
    if (step < 0) return "never";
    char text[48];
    std::snprintf(text, sizeof text, "%d (%.0f ms)", step, ms);
    return text;
}

void PrintTable(const std::vector<Result>& results, int cap) {
    std::printf("\nPile of %d, each engine's sleeping on, cap %d steps (+%d once asleep)\n",
                kMasses, cap, kAsleepSteps);
    std::printf("rest: mean motion < %.2f and largest < %.1f units per step, %d steps in a row\n\n",
                kRestMean, kRestLargest, kRestRun);
    std::printf("%-9s %-18s %-10s %-18s %-14s %-12s %-12s %-7s %-7s %-7s %-6s %-17s\n", "engine",
                "rest at step", "rest held", "all asleep at", "ms/step asleep", "overlap rest",
                "overlap end", "height", "outside", "steps", "awake", "last mean/largest");
    for (const Result& r : results) {
        char asleep[32] = "-";
        if (r.sleepStep >= 0)
            std::snprintf(asleep, sizeof asleep, "%.4f%s", r.asleepMsPerStep,
                          r.mostAwakeAsleep > 0 ? " (woke)" : "");
        char restOverlap[16] = "-";
        if (r.restStep >= 0) std::snprintf(restOverlap, sizeof restOverlap, "%.3f", r.restOverlap);
        std::printf("%-9s %-18s %-10s %-18s %-14s %-12s %-12.3f %-7.1f %-7d %-7d %-6d %.4f/%.3f\n",
                    r.name, StepAndMs(r.restStep, r.restMs).c_str(),
                    r.restHeldFrom < 0 ? "no" : std::to_string(r.restHeldFrom).c_str(),
                    StepAndMs(r.sleepStep, r.sleepMs).c_str(), asleep, restOverlap, r.endOverlap,
                    r.endHeight, r.outside, r.steps, r.awakeAtEnd, r.lastMotion.mean,
                    r.lastMotion.largest);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int cap = argc > 1 ? std::atoi(argv[1]) : kDefaultCap;
    const std::string only = argc > 2 ? argv[2] : "";
    if (cap < 1 || argc > 3 ||
        (!only.empty() && only != "tangle" && only != "box2d" && only != "chipmunk")) {
        std::fprintf(
            stderr,
            "usage: settle_bench [cap [tangle|box2d|chipmunk]]  (cap: steps, at least 1)\n");
        return 1;
    }
    Scene scene = bench_scenes::Make(bench_scenes::Layout::Pile, kMasses);
    scene.settleSteps = 0; // dropped from the lattice
    const bench_engines::Options rest{true};
    struct Entry {
        const char* name;
        std::unique_ptr<Engine> (*make)(const Scene&, bench_engines::Options);
    };
    const Entry entries[] = {{"tangle", bench_engines::MakeTangle},
                             {"box2d", bench_engines::MakeBox2d},
                             {"chipmunk", bench_engines::MakeChipmunk}};
    std::vector<Result> results;
    for (const Entry& e : entries) {
        if (!only.empty() && only != e.name) continue;
        std::fprintf(stderr, "%s\n", e.name);
        // One engine alive at a time: kel.tangle's world is the current one.
        const std::unique_ptr<Engine> engine = e.make(scene, rest);
        results.push_back(Run(e.name, *engine, cap));
    }
    PrintTable(results, cap);
    return 0;
}
