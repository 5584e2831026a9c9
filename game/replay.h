#pragma once
// The session of `quorvel --replay FILE`: the recorded inputs are applied at
// their ticks, and the player's own are ignored until the recording is over;
// after that the game is the player's. Headless, a replay runs to its end at
// once and reports the final state.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "game/recording.h"
#include "game/session.h"

namespace game {

class Replayer final : public Session {
  public:
    /// Takes the recording and gives the random generator its recorded state
    /// (call once start-up is done, where the recording began).
    explicit Replayer(Recording recording);

    /// The player's input: ignored while the replay runs.
    bool Accept(const PlayEvent&) override { return Finished(); }
    void BeforeTick() override { ApplyDue(); }
    void AfterTick() override { ++ticks_; }

    /// Applies the recorded inputs that came after the ticks run so far.
    void ApplyDue();
    /// Whether every recorded input is applied and the last tick has run.
    bool Finished() const;
    /// Timer ticks run since the replay began.
    long long Ticks() const { return ticks_; }
    /// The tick the replay ends at (Recording::LastTick).
    long long LastTick() const { return last_; }

  private:
    Recording recording_;
    long long last_;
    std::size_t next_ = 0;
    long long ticks_ = 0;
};

/// The state a game ended in.
struct GameOutcome {
    /// Points of player one and player two.
    std::array<int, 2> score{};
    /// Whose turn it is: 0 player one, 1 player two.
    int turn = 0;
    /// Timer ticks the game ran.
    long long ticks = 0;
    /// WorldHash() at the end.
    std::uint64_t hash = 0;
};

/// The present game's state after `ticks` ticks.
GameOutcome CurrentOutcome(long long ticks);
/// What a headless replay prints: "scores A B", "turn T" (0 player one, 1
/// player two), "ticks N" and "hash H" (16 hexadecimal digits), one a line.
std::string FormatOutcome(const GameOutcome& outcome);

/// Runs the game's ticks with the replay in force until it is finished,
/// without a display (the game must be started on the headless GUI).
/// `afterTick`, when given, sees the ticks run and WorldHash() after each.
GameOutcome ReplayToEnd(Replayer& replay,
                        const std::function<void(long long, std::uint64_t)>& afterTick = {});
/// "TICK HASH" lines (the hash as FormatOutcome writes it), one a tick.
std::string FormatTickHash(long long tick, std::uint64_t hash);

} // namespace game
