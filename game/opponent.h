#pragma once
// The computer opponent: on Player Two's turn it tries candidate cuts ahead
// on world snapshots, a slice of steps per timer tick, and then clicks the
// blob it likes best, the way a player does.

#include <functional>
#include <vector>

#include "core/object.h"
#include "game/session.h"
#include "physics/tangle.h"

namespace game {

/// How far and how long the computer looks ahead. Every figure is a count of
/// ticks or physics steps (one step per tick), never a time, so that a game
/// plays the same on every machine.
struct OpponentSettings {
    /// Ticks from the start of its turn to its cut; 60 is one second. A tick
    /// slips when a frame runs late, so a move takes longer in seconds than
    /// in ticks: 75 (1.2 s at the timer's 16 ms) leaves room for that.
    int thinkTicks = 75;
    /// Most ticks it waits when barrels already on their way down would land
    /// right after an earlier cut: the wait lets them land on its own turn.
    /// 150 (2.4 s) leaves the same room below 3 s.
    int maxThinkTicks = 150;
    /// Physics steps it simulates per tick; bounds the work added to a frame
    /// (about 0.1 ms a step, next to some 7 ms of stepping and drawing the
    /// game itself in a window, within a 16 ms tick).
    int stepsPerTick = 60;
    /// Steps simulated after each trial cut; 300 is five seconds of play.
    int horizon = 300;
    /// Ticks the other player is expected to take before replying: barrels a
    /// cut lands sooner score for that player, later ones for the computer.
    int replyTicks = 120;
};

/// A computer that plays Player Two. Pure logic over the game's globals: call
/// Tick once per timer tick, after the step and the scoring.
class Opponent {
  public:
    /// `click` is how its choice reaches the game (the frame's input path, so
    /// that a session sees it as a click).
    explicit Opponent(std::function<void(const PlayEvent&)> click, OpponentSettings settings = {});

    /// One tick's share of thinking on Player Two's turn; on the last one,
    /// clicks the chosen blob. Leaves the game exactly as it found it besides
    /// that click. Does nothing on Player One's turn or without an ooze in play.
    void Tick();
    /// Replaces the settings; forgets a half-done move.
    void SetSettings(const OpponentSettings& settings) {
        settings_ = settings;
        Reset();
    }
    /// The settings in force.
    const OpponentSettings& Settings() const { return settings_; }
    /// Forgets a half-done move (a New Game, or the computer switched off).
    void Reset();

    /// Whether a move is being thought about.
    bool Thinking() const { return phase_ != Phase::Idle; }
    /// The ooze slot of the last blob clicked, or -1.
    int LastChoice() const { return lastChoice_; }
    /// Ticks the last move took, from the start of the turn to the cut.
    int LastWait() const { return lastWait_; }
    /// Simulated steps of the last move (the look ahead and every trial).
    long long LastSteps() const { return lastSteps_; }

    /// Worth of a trial cut from the barrels' landing steps after it (-1 for
    /// none): each that lands before the reply counts -1, later ones +1.
    static int Worth(const std::vector<int>& landings, int replySteps);

  private:
    enum class Phase { Idle, Ahead, Trials };

    void Start();
    // Runs up to `budget` simulated steps of the move; the world is the
    // simulation's while it runs.
    void Work(int budget);
    void StartTrial();
    void FinishTrial();
    // One simulated step, with barrels that touch the floor taken out of play
    // the way the scoring does.
    void SimStep(int label);
    // Ends the look ahead without a cut: candidates and the first trial.
    void StartTrials();
    void ChooseCandidates();
    // The ooze and the barrels the move began with.
    std::vector<kel::tangle::TBody*> SimBodies() const;
    void Decide();

    std::function<void(const PlayEvent&)> click_;
    OpponentSettings settings_;

    Phase phase_ = Phase::Idle;
    const core::Object* oozeSeen_ = nullptr; // the ooze the move is for
    int ticksDone_ = 0;  // ticks of this move so far
    int wait_ = 0;       // ticks from the start of the move to the cut
    int ahead_ = 0;      // steps simulated ahead without a cut
    int trialStep_ = 0;  // steps of the current trial done
    std::size_t trial_ = 0;
    // In play at the start; held, since the scoring lets go of a landed one.
    std::vector<core::Ref<kel::tangle::TAdvBody>> barrels_;
    std::vector<int> landedAt_; // per barrel: the step it landed on, -1 while up
    std::vector<int> candidates_;
    std::vector<int> worths_;
    core::Ref<kel::tangle::TWorldSnapshot> atCut_;  // the world when it will cut
    core::Ref<kel::tangle::TWorldSnapshot> cursor_; // the simulation between slices
    int lastChoice_ = -1, lastWait_ = 0;
    long long lastSteps_ = 0, steps_ = 0;
};

/// Whether the computer plays Player Two (the window's toggle); off at start.
extern bool computerPlays;

} // namespace game
