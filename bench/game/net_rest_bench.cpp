// Whether the game's level comes to rest: the hanging nets of ooze with the
// barrels on them, as New Game builds them, stepped 600 times in stacking
// mode 0 and 1 (game ticks without drawing). Counters: the mean and largest
// motion per step over the last step, and the first step after which the
// motion stayed under the rest targets (mean 0.01, largest 0.5), or -1.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "start_game.h"

namespace {

using kel::tangle::TMass;
using kel::tangle::TPhysics;

constexpr int kSteps = 600;
constexpr double kRestMean = 0.01, kRestLargest = 0.5;

void BM_NetRest(benchmark::State& state) {
    StartGameOnce();
    double mean = 0, largest = 0;
    int restFrom = -1;
    for (auto _ : state) {
        game::NewGame();
        TPhysics::SetStacking(static_cast<int>(state.range(0)));
        std::vector<core::Ref<TMass>> masses;
        for (TMass* m : kel::tangle::massList->Each<TMass>()) masses.emplace_back(m);
        std::vector<float> x(masses.size()), y(masses.size());
        restFrom = -1;
        for (int step = 1; step <= kSteps; ++step) {
            for (std::size_t k = 0; k < masses.size(); ++k)
                x[k] = masses[k]->posX, y[k] = masses[k]->posY;
            TPhysics::Update();
            game::ScoreBarrels();
            mean = largest = 0;
            int moving = 0;
            for (std::size_t k = 0; k < masses.size(); ++k) {
                if (!masses[k]->InWorld()) continue;
                const double d = std::hypot(masses[k]->posX - x[k], masses[k]->posY - y[k]);
                mean += d;
                largest = std::max(largest, d);
                ++moving;
            }
            mean /= std::max(moving, 1);
            const bool resting = mean < kRestMean && largest < kRestLargest;
            if (!resting)
                restFrom = -1;
            else if (restFrom < 0)
                restFrom = step;
        }
        TPhysics::SetStacking(0);
    }
    state.counters["mean_motion"] = mean;
    state.counters["largest_motion"] = largest;
    state.counters["rest_from_step"] = restFrom;
}
BENCHMARK(BM_NetRest)->ArgName("stacking")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
