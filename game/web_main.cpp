// The game in a web browser: the same start-up and tick as the desktop
// program, on the browser back ends, with media/ packed into the page at
// /media. The browser calls the frame function on every animation frame; a
// tick (step and draw) runs for each timer tick due, and the page reports
// what a tick costs on its console every kReportTicks ticks. A few functions
// let the page (and its test) read the game's state.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <numeric>
#include <string>

#include "game/failure.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "graphics/draw2d_webgl.h"
#include "gui/gui.h"
#include "gui/web.h"

namespace {

constexpr int kReportTicks = 600; // ten seconds of play

// What the ticks cost, as the page measures them: every kReportTicks ticks
// the median, the mean and the longest of those ticks go to the console.
struct TickTimes {
    int ticks = 0;
    std::array<double, kReportTicks> ms{};
    double lastMedian = 0;
    draw2d::WebGLDrawCounts drawn; // at the last report

    void Add(double tickMs) {
        ms[std::size_t(ticks % kReportTicks)] = tickMs;
        if (++ticks % kReportTicks) return;
        const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / kReportTicks;
        const double longest = *std::max_element(ms.begin(), ms.end());
        std::nth_element(ms.begin(), ms.begin() + kReportTicks / 2, ms.end());
        lastMedian = ms[kReportTicks / 2];
        const draw2d::WebGLDrawCounts now = draw2d::WebGLCounts();
        std::printf("quorvel: tick (step and draw) %.3f ms median, %.3f ms mean, %.3f ms longest "
                    "over ticks %d-%d; %.0f WebGL draws and %.0f vertices a tick\n",
                    lastMedian, mean, longest, ticks - kReportTicks + 1, ticks,
                    double(now.batches - drawn.batches) / kReportTicks,
                    double(now.vertices - drawn.vertices) / kReportTicks);
        drawn = now;
        std::fflush(stdout);
    }
} tickTimes;

void Frame() {
    try {
        while (const int id = gui::PollEvent()) {
            if (id != gui::TimerTick) continue;
            const double start = emscripten_get_now();
            game::Tick();
            tickTimes.Add(emscripten_get_now() - start);
        }
    } catch (const std::exception& e) {
        // Told on the page as the desktop tells it in a dialog (no WebGL, for one).
        gui::web::StopFrames();
        game::StopPlay();
        gui::Notify(std::string("Quorvel stopped during play: ") + e.what(), 1);
    }
}

void StartUp() { game::StartUp(); }

void RunInBrowser() { gui::web::StartFrames(Frame); }

bool BlobExists(int i) { return game::ooze && game::ooze->ab && game::ooze->ab->MassExists(i); }

} // namespace

// The page's view of the game (used by its test).
extern "C" {

/// Ticks run so far.
EMSCRIPTEN_KEEPALIVE int quorvel_ticks() { return tickTimes.ticks; }
/// Median milliseconds of a tick over the last report's ticks (0 before the first).
EMSCRIPTEN_KEEPALIVE double quorvel_tick_ms() { return tickTimes.lastMedian; }
/// Blobs of the ooze in play.
EMSCRIPTEN_KEEPALIVE int quorvel_blob_count() {
    if (!game::ooze || !game::ooze->ab) return 0;
    int count = 0;
    for (int i = 0; i <= game::ooze->ab->MassMaxIndex(); ++i) count += BlobExists(i) ? 1 : 0;
    return count;
}
/// The blob nearest the canvas's centre on the screen, or -1 when none is.
EMSCRIPTEN_KEEPALIVE int quorvel_central_blob() {
    if (!game::ooze || !game::ooze->ab || !game::canvas) return -1;
    const float cx = game::canvas->width * 0.5f, cy = game::canvas->height * 0.5f;
    int best = -1;
    float bestD = 0;
    for (int i = 0; i <= game::ooze->ab->MassMaxIndex(); ++i) {
        if (!BlobExists(i)) continue;
        const float x = game::ooze->ab->MassGetX(i), y = game::ooze->ab->MassGetY(i);
        const float dx = kel::tangle::TPhysics::ScreenX(x, y) - cx;
        const float dy = kel::tangle::TPhysics::ScreenY(x, y) - cy;
        if (best < 0 || dx * dx + dy * dy < bestD) best = i, bestD = dx * dx + dy * dy;
    }
    return best;
}
/// Blob i's centre in canvas pixels.
EMSCRIPTEN_KEEPALIVE float quorvel_blob_screen_x(int i) {
    if (!BlobExists(i)) return NAN;
    const auto& ab = game::ooze->ab;
    return kel::tangle::TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
}
EMSCRIPTEN_KEEPALIVE float quorvel_blob_screen_y(int i) {
    if (!BlobExists(i)) return NAN;
    const auto& ab = game::ooze->ab;
    return kel::tangle::TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
}
/// Player p's score (0 Player One, 1 Player Two).
EMSCRIPTEN_KEEPALIVE int quorvel_score(int player) { return game::score[player & 1]; }
/// Whose turn it is (0 Player One, 1 Player Two).
EMSCRIPTEN_KEEPALIVE int quorvel_turn() { return game::turn; }
/// The world y the view is centred on (scrolling moves it).
EMSCRIPTEN_KEEPALIVE float quorvel_view_y() { return game::viewY; }

} // extern "C"

int main() {
    gui::UseWebDriver();
    // The packed media/ is at /media: the program's folder is the root.
    return game::RunProgram(StartUp, RunInBrowser);
}
