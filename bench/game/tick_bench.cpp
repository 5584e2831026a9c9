// One game tick after New Game (the world step, scoring and DrawScreen), with
// the recording back end (no display) and with OpenGL on an offscreen
// surface. Reports the median and the worst tick of 1,000.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "graphics/draw2d_gl.h"
#include "start_game.h"

namespace {

// Times `ticks` ticks after a fresh New Game; reports median and worst.
void TimeTicks(benchmark::State& state, const std::function<void()>& tick) {
    std::vector<double> ms;
    for (auto _ : state) {
        game::NewGame();
        ms.clear();
        for (int k = 0; k < 1000; ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            tick();
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
}

void BM_TickRecording(benchmark::State& state) {
    StartGameOnce();
    auto* recorder = dynamic_cast<draw2d::TRecordingDriver*>(
        static_cast<draw2d::TDraw2DGraphics*>(game::canvas->CanvasGraphics())->_driver.Get());
    TimeTicks(state, [&] {
        if (recorder) recorder->Clear();
        game::Tick();
    });
}
BENCHMARK(BM_TickRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same frames drawn with OpenGL on an offscreen surface of the canvas's size.
void BM_TickOpenGL(benchmark::State& state) {
    StartGameOnce();
    core::Ref<draw2d::TSurface> surface = draw2d::CreateOffscreenSurface(400, 560);
    if (!surface) {
        state.SkipWithError("no OpenGL context (run under xvfb-run)");
        return;
    }
    core::Ref<draw2d::TGraphics> gl = draw2d::AttachGraphics(surface);
    TimeTicks(state, [&] {
        kel::tangle::TPhysics::Update();
        game::ScoreBarrels();
        // DrawScreen draws on the canvas's graphics; draw the same frame here.
        game::DrawScreenOn(gl);
        glFinish();
    });
}
BENCHMARK(BM_TickOpenGL)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
