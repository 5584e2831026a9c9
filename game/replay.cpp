#include "game/replay.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

#include "game/frame.h"
#include "game/globals.h"
#include "game/random.h"
#include "game/world_hash.h"
#include "graphics/recording_driver.h"

namespace game {

Replayer::Replayer(Recording recording)
    : recording_(std::move(recording)), last_(recording_.LastTick()) {
    SeedRandom(recording_.seed);
}

void Replayer::ApplyDue() {
    const auto& events = recording_.events;
    for (; next_ < events.size() && events[next_].tick <= ticks_; ++next_)
        ApplyPlayEvent(events[next_].event);
}

bool Replayer::Finished() const { return ticks_ >= last_ && next_ == recording_.events.size(); }

GameOutcome CurrentOutcome(long long ticks) { return {score, turn, ticks, WorldHash()}; }

std::string FormatOutcome(const GameOutcome& outcome) {
    char text[160];
    std::snprintf(text, sizeof text, "scores %d %d\nturn %d\nticks %lld\nhash %016" PRIx64 "\n",
                  outcome.score[0], outcome.score[1], outcome.turn, outcome.ticks, outcome.hash);
    return text;
}

std::string FormatTickHash(long long tick, std::uint64_t hash) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld %016" PRIx64 "\n", tick, hash);
    return text;
}

GameOutcome ReplayToEnd(Replayer& replay,
                        const std::function<void(long long, std::uint64_t)>& afterTick) {
    auto* recorder = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver());
    while (replay.Ticks() < replay.LastTick()) {
        // Each frame's drawing is recorded; only the last one is kept.
        if (recorder) recorder->Clear();
        Tick();
        if (afterTick) afterTick(replay.Ticks(), WorldHash());
    }
    // Inputs that came after the last tick, before the window closed.
    replay.ApplyDue();
    return CurrentOutcome(replay.Ticks());
}

} // namespace game
