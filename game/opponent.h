#pragma once
// The computer opponent: on Player Two's turn it hands a copy of the game's
// world to a thread of its own, which tries candidate cuts ahead in that
// copy (game/move_search.h), and clicks the blob it likes best at the tick
// the search chose, the way a player does. The window's thread goes on
// drawing and stepping the game meanwhile.

#include <functional>

#include "core/object.h"
#include "game/move_search.h"
#include "game/search_worker.h"
#include "game/session.h"

namespace game {

/// A computer that plays Player Two. Call Tick once per timer tick, after
/// the step and the scoring; it clicks at the same tick with the same blob
/// however fast its thread thinks: when the answer is not there by the tick
/// it may be needed, Tick waits for it.
class Opponent {
  public:
    /// `click` is how its choice reaches the game (the frame's input path, so
    /// that a session sees it as a click).
    explicit Opponent(std::function<void(const PlayEvent&)> click, OpponentSettings settings = {});

    /// On Player Two's turn: the first tick hands the game over to the
    /// thinking thread, the tick the search chose clicks the chosen blob.
    /// Leaves the game as it found it besides that click. Forgets the move
    /// on Player One's turn, without an ooze in play, or with a new ooze.
    void Tick();
    /// Whether the coming tick may be the one that cuts and the answer is
    /// not there yet. The window then draws without stepping the game: the
    /// game waits for the answer, the window does not, and the cut comes at
    /// the same tick of the game however long the thinking takes.
    bool AnswerLate();
    /// Replaces the settings; forgets a half-done move.
    void SetSettings(const OpponentSettings& settings) {
        settings_ = settings;
        Reset();
    }
    /// The settings in force.
    const OpponentSettings& Settings() const { return settings_; }
    /// Forgets a half-done move (a New Game, or the computer switched off)
    /// without waiting for its thread.
    void Reset();
    /// Forgets a half-done move and ends the thinking thread (the program
    /// is ending); the next move starts it again.
    void Stop();

    /// Whether a move is being thought about.
    bool Thinking() const { return thinking_; }
    /// The ooze slot of the last blob clicked, or -1.
    int LastChoice() const { return lastChoice_; }
    /// Ticks the last move took, from the start of the turn to the cut.
    int LastWait() const { return lastWait_; }
    /// Simulated steps of the last move (the look ahead and every trial).
    long long LastSteps() const { return lastSteps_; }
    /// Ticks that waited for a late answer (Tick waiting, or a frame drawn
    /// for AnswerLate), since the start.
    long long LateTicks() const { return lateTicks_; }

    /// Runs on the thinking thread before each slice of a search; for tests
    /// (a slow or held thinker). Taken by the next move.
    void SetPause(SearchWorker::Pause pause) { pause_ = std::move(pause); }

  private:
    // Whether the move in flight is still the game's: its turn, its ooze.
    bool MoveStands() const;
    void Start();
    void Decide(const MoveDecision& decision);

    std::function<void(const PlayEvent&)> click_;
    OpponentSettings settings_;
    SearchWorker worker_;
    SearchWorker::Pause pause_;

    bool thinking_ = false;
    const core::Object* oozeSeen_ = nullptr; // the ooze the move is for
    int ticksDone_ = 0;                      // ticks of this move so far
    std::optional<MoveDecision> decision_;
    int lastChoice_ = -1, lastWait_ = 0;
    long long lastSteps_ = 0, lateTicks_ = 0;
};

/// The game as the search gets it: the current world with the ooze as its
/// first body and the barrels in play after it, and the floor's place.
MoveRequest RequestOfGame(const OpponentSettings& settings);

/// Whether the computer plays Player Two (the window's toggle); off at start.
extern bool computerPlays;

} // namespace game
