// The computer's thinking as the window sees it: game ticks (step, scoring,
// a slice of thinking, the frame on the recording back end) from Player
// One's cut until the computer's. Reports the median and the worst tick and
// how many ticks the move took; a tick must stay well under 50 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "game/opponent.h"
#include "graphics/recording_driver.h"
#include "start_game.h"

namespace {

void Tick() {
    if (auto* r = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver())) r->Clear();
    game::Tick();
}

// A fresh New Game, settled for `settle` ticks, and Player One's cut of its
// first free blob.
void PlayerOneCuts(int settle) {
    game::turn = 0;
    game::NewGame();
    for (int k = 0; k < settle; ++k) Tick();
    kel::tangle::TAdvBody* ab = game::ooze->ab;
    int i = 0;
    while (!ab->MassExists(i) || !ab->MassIsActive(i)) ++i;
    game::Play({game::PlayEvent::Click, ab->MassGetX(i), ab->MassGetY(i)});
}

void BM_ComputerMove(benchmark::State& state) {
    StartGameOnce();
    game::computerPlays = true;
    std::vector<double> ms;
    int moveTicks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlayerOneCuts(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        moveTicks = 0;
        while (game::turn == 1 && moveTicks < 1000) {
            const auto t0 = std::chrono::steady_clock::now();
            Tick();
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
            ++moveTicks;
        }
    }
    game::computerPlays = false;
    std::sort(ms.begin(), ms.end());
    state.counters["median_tick_ms"] = ms[ms.size() / 2];
    state.counters["worst_tick_ms"] = ms.back();
    state.counters["move_ticks"] = moveTicks;
}
// Barrels still falling onto the nets (60), and settled on them (300).
BENCHMARK(BM_ComputerMove)->Arg(60)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
