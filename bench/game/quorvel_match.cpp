// quorvel_match: whole games of the real level, headless, with the computer
// as Player Two against a random or a careful Player One.
//
//   quorvel_match GAMES [random|careful|both] [THINK_TICKS STEPS_PER_TICK HORIZON REPLY_TICKS]
//
// The last four replace the computer's settings (game/opponent.h), to compare.
// With MATCH_TRACE set in the environment every cut is printed.
//
// A game starts with New Game and Player One to move. A player moves
// WAIT_TICKS ticks after the last cut (the computer instead thinks from the
// last cut and cuts when it has decided). A game ends when no barrel is left,
// when the ooze has no blob left, after QUIET_CUTS cuts in a row without a
// barrel landing, or after MAX_TICKS ticks; the higher score wins.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "graphics/recording_driver.h"
#include "start_game.h"

using kel::tangle::TAdvBody;
using kel::tangle::TBody;
using kel::tangle::TPhysics;

namespace {

constexpr int WAIT_TICKS = 120;
constexpr int QUIET_CUTS = 60;
constexpr long long MAX_TICKS = 60LL * 60 * 10;
constexpr int CAREFUL_HORIZON = 300;
constexpr int CAREFUL_TRIES = 20;

enum class Kind { Random, Careful };

std::vector<TBody*> GameBodies() {
    std::vector<TBody*> bodies{game::ooze->ab.Get()};
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) bodies.push_back(b);
    return bodies;
}

// Barrels that reach the floor within `steps` from the present world (taken
// out of play as the scoring does); the world is left changed.
int LandingsWithin(int steps) {
    std::vector<TAdvBody*> up;
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) up.push_back(b);
    int landed = 0;
    for (int s = 0; s < steps; ++s) {
        TPhysics::Update();
        for (TAdvBody*& b : up) {
            if (!b || !b->CollideZone(game::floorZone)) continue;
            b->DeActivate();
            b = nullptr;
            ++landed;
        }
    }
    return landed;
}

// A blob whose removal lands no more barrels within the horizon than leaving
// the ooze alone, among up to CAREFUL_TRIES blobs in a random order; else the
// least harmful of them.
int CarefulChoice(std::vector<int> blobs, std::mt19937& rng) {
    std::shuffle(blobs.begin(), blobs.end(), rng);
    core::Ref<kel::tangle::TWorldSnapshot> now = TPhysics::TakeSnapshot(GameBodies());
    const int baseline = LandingsWithin(CAREFUL_HORIZON);
    int choice = blobs[0], fewest = 1 << 30;
    const int tries = std::min<int>(CAREFUL_TRIES, static_cast<int>(blobs.size()));
    for (int k = 0; k < tries; ++k) {
        TPhysics::RestoreSnapshot(now);
        game::ooze->ab->MassRemove(blobs[k]);
        const int landed = LandingsWithin(CAREFUL_HORIZON);
        if (landed < fewest) {
            fewest = landed;
            choice = blobs[k];
        }
        if (landed <= baseline) break;
    }
    TPhysics::RestoreSnapshot(now);
    return choice;
}

struct Tally {
    int wins = 0, losses = 0, draws = 0;
    std::vector<double> tickMs;   // wall time of every tick while the computer thought
    std::vector<int> thinkTicks;  // ticks from Player One's cut to the computer's
};

void PlayerOneMoves(Kind kind, std::mt19937& rng) {
    const std::vector<int> blobs = ActiveBlobs();
    if (blobs.empty()) return;
    const int i = kind == Kind::Random ? PickAtRandom(blobs, rng) : CarefulChoice(blobs, rng);
    TAdvBody* ab = game::ooze->ab;
    game::Play({game::PlayEvent::Click, ab->MassGetX(i), ab->MassGetY(i)});
}

void Tick() {
    if (auto* r = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver())) r->Clear();
    game::Tick();
}

void PlayGame(Kind kind, unsigned seed, Tally& tally) {
    std::mt19937 rng(seed);
    game::Play({game::PlayEvent::NewGame});
    // Every game opens with Player One.
    game::lblRemove[game::turn]->SetShow(0);
    game::turn = 0;
    game::lblRemove[0]->SetShow(1);
    int sinceCut = 0, quietCuts = 0, lastTurn = 0;
    int barrelsAtCut = game::barrelList->Count();
    for (long long t = 0; t < MAX_TICKS; ++t) {
        const bool thinking = game::turn == 1;
        const auto start = std::chrono::steady_clock::now();
        Tick();
        if (thinking)
            tally.tickMs.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        ++sinceCut;
        if (game::turn == 0 && lastTurn == 0 && sinceCut >= WAIT_TICKS) PlayerOneMoves(kind, rng);
        if (game::turn != lastTurn) {
            if (lastTurn == 1) tally.thinkTicks.push_back(sinceCut);
            if (std::getenv("MATCH_TRACE"))
                std::printf("    t%lld %s cut %d, score %d-%d, barrels %d\n", t,
                            lastTurn == 1 ? "computer" : "player", lastTurn == 1 ? game::opponent.LastChoice() : -1,
                            game::score[0], game::score[1], game::barrelList->Count());
            lastTurn = game::turn;
            sinceCut = 0;
            const int barrels = game::barrelList->Count();
            quietCuts = barrels == barrelsAtCut ? quietCuts + 1 : 0;
            barrelsAtCut = barrels;
        }
        if (game::barrelList->Count() == 0 || ActiveBlobs().empty() || quietCuts >= QUIET_CUTS)
            break;
    }
    const int one = game::score[0], two = game::score[1];
    std::printf("  game %u: Player One %d, computer %d, barrels left %d, blobs left %zu\n", seed, one, two, game::barrelList->Count(), ActiveBlobs().size());
    std::fflush(stdout);
    if (two > one) ++tally.wins;
    else if (two < one) ++tally.losses;
    else ++tally.draws;
}

void Match(Kind kind, int games) {
    Tally tally;
    const char* name = kind == Kind::Random ? "random" : "careful";
    std::printf("against the %s player:\n", name);
    // MATCH_FIRST=N starts at game N (each game's seed is its number).
    const char* first = std::getenv("MATCH_FIRST");
    const int from = first ? std::max(1, std::atoi(first)) : 1;
    for (int g = 0; g < games; ++g) PlayGame(kind, static_cast<unsigned>(from + g), tally);
    std::sort(tally.tickMs.begin(), tally.tickMs.end());
    std::sort(tally.thinkTicks.begin(), tally.thinkTicks.end());
    const auto median = [](const auto& v) { return v.empty() ? 0.0 : double(v[v.size() / 2]); };
    std::printf("%s: %d wins, %d losses, %d draws of %d\n", name, tally.wins, tally.losses,
                tally.draws, games);
    std::printf("  computer's moves: %zu, think ticks median %.0f max %.0f; thinking tick ms median "
                "%.2f max %.2f\n",
                tally.thinkTicks.size(), median(tally.thinkTicks),
                tally.thinkTicks.empty() ? 0.0 : double(tally.thinkTicks.back()), median(tally.tickMs),
                tally.tickMs.empty() ? 0.0 : tally.tickMs.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: quorvel_match GAMES [random|careful|both] [THINK_TICKS "
                             "STEPS_PER_TICK HORIZON REPLY_TICKS]\n");
        return 2;
    }
    const int games = std::atoi(argv[1]);
    const std::string who = argc > 2 ? argv[2] : "both";
    StartGameOnce();
    game::computerPlays = true;
    game::OpponentSettings settings = game::opponent.Settings();
    int* fields[] = {&settings.thinkTicks, &settings.stepsPerTick, &settings.horizon,
                     &settings.replyTicks};
    for (int k = 0; k < 4 && k + 3 < argc; ++k) *fields[k] = std::atoi(argv[k + 3]);
    game::opponent.SetSettings(settings);
    std::printf("computer: think %d ticks, %d steps a tick, horizon %d, reply %d\n",
                settings.thinkTicks, settings.stepsPerTick, settings.horizon, settings.replyTicks);
    if (who == "random" || who == "both") Match(Kind::Random, games);
    if (who == "careful" || who == "both") Match(Kind::Careful, games);
    return 0;
}
