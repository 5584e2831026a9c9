#pragma once
// The computer's thinking about one move, in a world of its own: a copy of
// the game's world, read from a world file in memory, that it steps ahead
// without a cut and then once for each trial cut. It touches nothing of the
// game (no globals, labels, sounds or window), so it may run on any one
// thread. The copy is read on the window's thread (ReadCopy): making a
// world and reading a world file use the drawing module's state (the view's
// size, the mask colour), which is that thread's.

#include <vector>

#include "core/object.h"
#include "physics/tangle.h"

namespace game {

/// How far and how long the computer looks ahead. Every figure is a count of
/// ticks or physics steps (one step per tick), never a time, so that a game
/// plays the same on every machine and under any load.
struct OpponentSettings {
    /// Ticks from the start of its turn to its cut; 60 is one second. A tick
    /// slips when a frame runs late, so a move takes longer in seconds than
    /// in ticks: 75 (1.2 s at the timer's 16 ms) leaves room for that.
    int thinkTicks = 75;
    /// Most ticks it waits when barrels already on their way down would land
    /// right after an earlier cut: the wait lets them land on its own turn.
    /// 150 (2.4 s) leaves the same room below 3 s.
    int maxThinkTicks = 150;
    /// Physics steps of thinking it may spend per tick of its turn: with
    /// thinkTicks, how many trial cuts fit in a move (see MoveSearch).
    int stepsPerTick = 60;
    /// Steps simulated after each trial cut; 300 is five seconds of play.
    int horizon = 300;
    /// Ticks the other player is expected to take before replying: barrels a
    /// cut lands sooner score for that player, later ones for the computer.
    int replyTicks = 120;
};

/// The game at the start of the computer's turn, as the search gets it.
struct MoveRequest {
    /// A world file (TPhysics::SaveToMemory) of the game's world after the
    /// turn's first tick: its first body the ooze, then the barrels in play.
    std::vector<unsigned char> world;
    /// The floor's place in the world's zone list.
    int floorZone = -1;
    OpponentSettings settings;
};

/// A copy of the game read into a world of its own.
struct GameCopy {
    core::Ref<kel::tangle::TPhysics> world;
    /// What the world file held: its bodies (the ooze, then the barrels).
    core::Ref<kel::tangle::TWorldSnapshot> read;
};

/// Reads the request's world file into a new world. The calling thread's
/// current world stays current (when it has one), so that the copy may be
/// handed to another thread, which then alone uses it.
GameCopy ReadCopy(const MoveRequest& request);

/// What the search decided.
struct MoveDecision {
    /// Ooze slots of the trial cuts, best first (ties in the order tried):
    /// the game cuts the first still there when its time comes. Empty when
    /// the copy could not be read or no trial fitted.
    std::vector<int> ranking;
    /// Ticks from the start of the turn (the tick the copy was taken on
    /// counting 1) to the tick that cuts: thinkTicks, or later when barrels
    /// already falling would land just after that.
    int wait = 1;
    /// Steps simulated: the look ahead and every trial.
    long long steps = 0;
};

/// What one search (or one share of a search) found, as plain numbers that
/// may pass between threads.
struct SearchResult {
    int wait = 1;
    long long aheadSteps = 0, trialSteps = 0;
    /// The trial cuts in the order tried, and the worth of each this share
    /// tried (the others' are left at the lowest int).
    std::vector<int> candidates, worths;
    /// How far the barrels in play came down in each trial this share tried
    /// (world units, summed): between cuts of one worth, the one that
    /// brings most down leaves the ooze weaker for the cuts to come.
    std::vector<float> descents;
};

/// One move's thinking. Work runs it a number of steps at a time until it
/// is done; the decision is the same however the work is sliced. The trial
/// cuts may be shared out: searches of one request on several threads, each
/// looking ahead alike and trying its share of the cuts, decide together
/// (Decide) what one search alone decides.
class MoveSearch {
  public:
    /// Thinks in `copy` (ReadCopy of `request`), trying the cuts numbered
    /// `share` modulo `shares`.
    MoveSearch(const MoveRequest& request, GameCopy copy, int share = 0, int shares = 1);
    /// The same in a copy read on the calling thread.
    explicit MoveSearch(const MoveRequest& request, int share = 0, int shares = 1)
        : MoveSearch(request, ReadCopy(request), share, shares) {}
    ~MoveSearch();
    MoveSearch(const MoveSearch&) = delete;
    MoveSearch& operator=(const MoveSearch&) = delete;

    /// Runs up to `budget` steps; true once the decision is made. Makes the
    /// copy the calling thread's current world (its hooks, queue and bodies
    /// work on the current world) and leaves it so.
    bool Work(int budget);
    bool Done() const { return phase_ == Phase::Done; }
    /// What it found; complete once Done.
    SearchResult Result() const;
    /// The decision; complete once Done.
    MoveDecision Decision() const { return Decide({Result()}); }
    /// The decision of searches that shared out one request's cuts, from
    /// their results in share order.
    static MoveDecision Decide(const std::vector<SearchResult>& shares);
    /// The world the copy lives in.
    kel::tangle::TPhysics* World() const { return world_; }

    /// Worth of a trial cut from the barrels' landing steps after it (-1 for
    /// none): each that lands before the reply counts -1, later ones +1.
    static int Worth(const std::vector<int>& landings, int replySteps);

  private:
    enum class Phase { Ahead, Trials, Done };

    // One simulated step, with barrels that touch the floor taken out of
    // play the way the game's scoring does.
    void SimStep(int label);
    // Ends the look ahead without a cut: candidates and the first trial.
    void StartTrials();
    void ChooseCandidates();
    void StartTrial();
    void FinishTrial();
    // Moves on to the next trial of this share (past the end when none is
    // left).
    void NextTrial();
    std::vector<kel::tangle::TBody*> Bodies() const;

    OpponentSettings settings_;
    int share_ = 0, shares_ = 1;
    core::Ref<kel::tangle::TPhysics> world_;
    core::Ref<kel::tangle::TAdvBody> ooze_;
    core::Ref<kel::tangle::TZone> floor_;
    // In play at the start; held, since a landed one leaves the world.
    std::vector<core::Ref<kel::tangle::TAdvBody>> barrels_;
    Phase phase_ = Phase::Done;
    int wait_ = 1;      // ticks from the start of the move to the cut
    int ahead_ = 0;     // steps simulated ahead without a cut
    int trialStep_ = 0; // steps of the current trial done
    std::size_t trial_ = 0;
    long long steps_ = 0;
    std::vector<int> landedAt_; // per barrel: the step it landed on, -1 while up
    std::vector<int> candidates_;
    std::vector<int> worths_;
    std::vector<float> descents_;
    std::vector<float> heightAtCut_; // per barrel
    core::Ref<kel::tangle::TWorldSnapshot> atCut_; // the world when it will cut
};

} // namespace game
