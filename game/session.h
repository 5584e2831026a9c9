#pragma once
// The player's inputs as the game's logic consumes them, and the session
// that sees each before it is applied: a recorder writes it down, a replay
// swallows it and feeds its own. Without a session the game just plays.

namespace game {

/// One input between two timer ticks.
struct PlayEvent {
    enum Kind {
        Click,   ///< a press on the canvas, at world (x, y)
        NewGame, ///< the "New Game" button
        Paint,   ///< a repaint asked by the window system (it clears stranded blobs)
    };
    Kind kind = Click;
    /// World position of a click (the view's mapping of the pressed pixel);
    /// 0 for the other kinds.
    float x = 0, y = 0;
};

/// Watches play; installed in `session` by the program.
class Session {
  public:
    virtual ~Session() = default;
    /// The player gave `event`; returns whether the game applies it.
    virtual bool Accept(const PlayEvent& event) = 0;
    /// Before each timer tick: true when the tick must not run yet (online
    /// play waits for the other player's inputs); it is then skipped whole.
    virtual bool HoldTick() { return false; }
    /// Right before each timer tick's step.
    virtual void BeforeTick() {}
    /// Right after each timer tick (step, scoring and frame).
    virtual void AfterTick() {}
    /// The window is being closed; the program ends next.
    virtual void Close() {}
};

/// The session in force; none by default.
extern Session* session;

/// What the game does with an input: a click removes the blob nearest to it,
/// New Game starts over, a paint draws the screen.
void ApplyPlayEvent(const PlayEvent& event);

} // namespace game
