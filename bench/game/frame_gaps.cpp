// frame_gaps: the computer's thinking as a player sees it, in the real FLTK
// window. Run it under a display (Xvfb will do):
//
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bench/game/frame_gaps [MOVES] [SEED]
//       [THINK_TICKS MAX_THINK_TICKS STEPS_PER_TICK HORIZON REPLY_TICKS]
//
// It starts the game window, presses "Computer" and "New Game" and plays
// Player One: a random blob on screen, pressed on the canvas the way a mouse
// does, ONE_WAIT_TICKS ticks after the computer's cut. It notes the time of
// every drawn frame (the drawing surface's flip hook) and of every cut (a
// session, which sees each input the way a recorder does), and after MOVES
// computer moves (default 20) prints the gaps between frames, overall and
// while the computer thinks, and how long each move took from the start of
// its turn to its cut. The game itself is not changed for any of this. The
// last five replace the computer's settings (game/opponent.h), to compare.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "game/opponent.h"
#include "game/session.h"
#include "graphics/draw2d.h"
#include "gui/fltk.h"
#include "gui/gui.h"
#include "frame_stats.h"
#include "start_game.h"

using kel::tangle::TAdvBody;
using kel::tangle::TPhysics;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int ONE_WAIT_TICKS = 60;   // Player One's pause before a cut
constexpr int QUIET_CUTS = 30;       // cuts without a landing end a game
constexpr int WARM_UP_TICKS = 30;    // frames before the first cut are not counted
constexpr double GAP_LIMIT_MS = 50;  // the longest gap a player should see
constexpr int ARROW_BAND = 40;       // pixels of the scroll arrows kept clear of presses

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
double ProcessCpuMs() { return CpuMs(CLOCK_PROCESS_CPUTIME_ID); }
double WindowThreadCpuMs() { return CpuMs(CLOCK_THREAD_CPUTIME_ID); }

// Other programs' load shows in every figure: print it with them.
void PrintLoad(const char* when) {
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    std::printf("load average %s: %.2f\n", when, load);
}

// One computer move: from the start of its turn to its cut.
struct Move {
    Clock::time_point start, cut;
    int ticks = 0; // the opponent's own count
};

struct Log {
    std::vector<Clock::time_point> frames;
    std::vector<Move> moves;
    // The work of a tick, [1] while the computer thinks: wall time, and the
    // CPU time of the process, all its threads (the drawing's too), which
    // other programs' load does not swell.
    std::vector<double> tickMs[2], tickCpuMs[2], tickThreadMs[2];
    bool counting = false;
} logged;

core::Ref<core::Object> OnFlip(int, core::Object* data, core::Object*) {
    if (logged.counting) logged.frames.push_back(Clock::now());
    return data;
}

// Sees every input; the computer's cut is the one made on its own turn
// (the frame refuses a player's press then).
class CutWatch final : public game::Session {
  public:
    bool Accept(const game::PlayEvent& event) override {
        if (event.kind == game::PlayEvent::Click && game::turn == 1 && !logged.moves.empty() &&
            logged.moves.back().ticks == 0)
            computerCut = Clock::now();
        return true;
    }
    Clock::time_point computerCut{};
} watch;

// Blobs whose pixel lies on the canvas, away from the scroll arrows.
std::vector<std::pair<int, int>> PixelsOnScreen(const std::vector<int>& blobs) {
    std::vector<std::pair<int, int>> pixels;
    const int w = game::canvas->ClientWidth(), h = game::canvas->height;
    TAdvBody* ab = game::ooze->ab;
    for (int i : blobs) {
        const float x = ab->MassGetX(i), y = ab->MassGetY(i);
        const int px = static_cast<int>(TPhysics::ScreenX(x, y) + 0.5f);
        const int py = static_cast<int>(TPhysics::ScreenY(x, y) + 0.5f);
        if (px >= 0 && px < w && py >= ARROW_BAND && py < h - ARROW_BAND) pixels.emplace_back(px, py);
    }
    return pixels;
}

// Player One presses a random blob on screen; false when none is there.
bool PlayerOnePresses(std::mt19937& rng) {
    const auto pixels = PixelsOnScreen(ActiveBlobs());
    if (pixels.empty()) return false;
    const auto [px, py] = PickAtRandom(pixels, rng);
    game::canvas->ReportMouseMove(px, py);
    game::canvas->ReportMouseDown(1, px, py);
    game::canvas->ReportMouseUp(1, px, py);
    // Off the blobs and the arrows, so that the view stays where it is.
    game::canvas->ReportMouseMove(game::canvas->ClientWidth() / 4, game::canvas->height / 2);
    return true;
}

void Print(const char* what, const framestats::Summary& s, const char* unit) {
    std::printf("%s: %zu, median %.2f max %.2f %s", what, s.count, s.median, s.max, unit);
}

void Report(long long timerTicks, Clock::time_point began) {
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    PrintLoad("at the end");
    std::vector<double> frames;
    for (Clock::time_point f : logged.frames) frames.push_back(Ms(f - began));
    std::vector<framestats::Span> spans;
    std::vector<double> thinkS, thinkTicks;
    for (const Move& m : logged.moves) {
        spans.push_back({Ms(m.start - began), Ms(m.cut - began)});
        thinkS.push_back(std::chrono::duration<double>(m.cut - m.start).count());
        thinkTicks.push_back(m.ticks);
    }
    const framestats::Gaps gaps = framestats::GapsOf(frames, spans);
    std::printf("timer ticks %lld in %.1f s (%.1f a second)\n", timerTicks, seconds,
                timerTicks / seconds);
    for (int thinking = 0; thinking < 2; ++thinking) {
        const auto s = framestats::Summarize(thinking ? gaps.thinking : gaps.all, GAP_LIMIT_MS);
        Print(thinking ? "frame gaps while thinking" : "frame gaps", s, "ms");
        std::printf(", over %.0f ms: %zu\n", GAP_LIMIT_MS, s.over);
    }
    for (int thinking = 0; thinking < 2; ++thinking) {
        Print(thinking ? "tick work while thinking" : "tick work idle",
              framestats::Summarize(logged.tickMs[thinking], GAP_LIMIT_MS), "ms");
        const auto cpu = framestats::Summarize(logged.tickCpuMs[thinking], GAP_LIMIT_MS);
        const auto own = framestats::Summarize(logged.tickThreadMs[thinking], GAP_LIMIT_MS);
        std::printf(", CPU median %.2f max %.2f ms (the window's thread: median %.2f max %.2f)\n",
                    cpu.median, cpu.max, own.median, own.max);
    }
    std::printf("frames drawn while the game waited for a late answer: %lld\n",
                game::opponent.LateTicks());
    Print("computer moves, thinking", framestats::Summarize(thinkS, 0), "s");
    const auto ticks = framestats::Summarize(thinkTicks, 0);
    std::printf(", ticks median %.0f max %.0f\n", ticks.median, ticks.max);
    if (std::getenv("FRAME_GAPS_TRACE"))
        for (std::size_t k = 0; k < thinkS.size(); ++k)
            std::printf("  move %zu: %.3f s, %.0f ticks\n", k + 1, thinkS[k], thinkTicks[k]);
}

// Plays until `moves` computer moves are done.
void Play(int moves, unsigned seed) {
    std::mt19937 rng(seed);
    game::session = &watch;
    core::AddHook(draw2d::flipHookId, OnFlip, nullptr, 0);
    PrintLoad("at the start");
    game::butComputer->ReportAction();
    game::butNewGame->ReportAction();
    long long ticks = 0, sinceCut = 0;
    int quietCuts = 0, barrelsAtCut = game::barrelList->Count(), lastTurn = game::turn;
    Clock::time_point began{};
    auto turnStarts = [&] { logged.moves.push_back({Clock::now(), {}, 0}); };
    if (game::turn == 1) turnStarts();
    while (static_cast<int>(logged.moves.size()) < moves || logged.moves.back().ticks == 0) {
        if (gui::WaitEvent() != gui::TimerTick) continue;
        if (ticks == WARM_UP_TICKS) {
            logged.counting = true;
            began = Clock::now();
        }
        ++ticks;
        const bool thinking = game::turn == 1;
        const Clock::time_point tickStart = Clock::now();
        const double cpuStart = ProcessCpuMs(), threadStart = WindowThreadCpuMs();
        game::TimerTick();
        if (logged.counting) {
            logged.tickMs[thinking].push_back(Ms(Clock::now() - tickStart));
            logged.tickCpuMs[thinking].push_back(ProcessCpuMs() - cpuStart);
            logged.tickThreadMs[thinking].push_back(WindowThreadCpuMs() - threadStart);
        }
        ++sinceCut;
        if (game::turn == 0 && lastTurn == 1 && !logged.moves.empty()) {
            logged.moves.back().cut = watch.computerCut;
            logged.moves.back().ticks = game::opponent.LastWait();
        }
        if (game::turn != lastTurn) {
            const int barrels = game::barrelList->Count();
            quietCuts = barrels == barrelsAtCut ? quietCuts + 1 : 0;
            barrelsAtCut = barrels;
            sinceCut = 0;
            lastTurn = game::turn;
        }
        if (game::barrelList->Count() == 0 || ActiveBlobs().empty() || quietCuts >= QUIET_CUTS) {
            game::butNewGame->ReportAction();
            quietCuts = 0;
            barrelsAtCut = game::barrelList->Count();
            if (game::turn == 1) turnStarts();
            lastTurn = game::turn;
            continue;
        }
        if (game::turn == 0 && ticks > WARM_UP_TICKS && sinceCut >= ONE_WAIT_TICKS) {
            if (!PlayerOnePresses(rng)) {
                // None on screen: hold the mouse on the arrow that leads to the ooze.
                const float oozeY = TPhysics::ScreenY(0, game::ooze->ab->MassGetY(ActiveBlobs()[0]));
                const int w = game::canvas->ClientWidth(), h = game::canvas->height;
                game::canvas->ReportMouseMove(w / 2, oozeY < 0 ? 8 : h - 8);
                continue;
            }
            if (game::turn == 1) {
                turnStarts();
                lastTurn = 1;
                sinceCut = 0;
            }
        }
    }
    logged.counting = false;
    Report(ticks - WARM_UP_TICKS, began);
}

} // namespace

int main(int argc, char** argv) {
    const int moves = argc > 1 ? std::atoi(argv[1]) : 20;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    if (moves <= 0) {
        std::fprintf(stderr, "usage: frame_gaps [MOVES] [SEED] [THINK_TICKS MAX_THINK_TICKS "
                             "STEPS_PER_TICK HORIZON REPLY_TICKS]\n");
        return 2;
    }
    game::OpponentSettings settings = game::opponent.Settings();
    int* fields[] = {&settings.thinkTicks, &settings.maxThinkTicks, &settings.stepsPerTick,
                     &settings.horizon, &settings.replyTicks};
    for (int k = 0; k < 5 && k + 3 < argc; ++k) *fields[k] = std::atoi(argv[k + 3]);
    game::opponent.SetSettings(settings);
    std::printf("computer: think %d ticks, at most %d, %d steps a tick, horizon %d, reply %d\n",
                settings.thinkTicks, settings.maxThinkTicks, settings.stepsPerTick,
                settings.horizon, settings.replyTicks);
    try {
        gui::UseFltkDriver();
        if (chdir(QUORVEL_SOURCE_DIR) != 0) return 1;
        game::StartUp();
        Play(moves, seed);
        game::StopPlay();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "frame_gaps: %s\n", e.what());
        return 1;
    }
    return 0;
}
