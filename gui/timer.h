#pragma once
// TTimer: a periodic timer whose ticks become TimerTick events on the main
// thread. Each running timer has one thread that sleeps to each period and
// asks the main thread to deliver the tick.

#include "core/object.h"
#include "gui/event.h"

namespace gui {

inline constexpr int MAX_RUNNING_TIMERS = 16;

/// A periodic timer (see the file's notes). Create one with TTimer::Create or CreateTimer; it runs
/// until Stop or until the last reference goes.
class TTimer : public core::Object {
  public:
    ~TTimer() override;

    int _ticks = 0;           ///< ticks so far
    int _wticks = 0;          ///< tick count at the last Wait
    core::Ref<TTimer> _cycle; ///< itself while running: keeps it alive
    core::Ref<TEvent> _event; ///< emitted on each tick instead of a TimerTick
    int _handle = 0;          ///< the native timer; 0 when stopped

    /// The ticks so far.
    virtual int Ticks() const { return _ticks; }
    /// Stops the native timer (its thread is joined) and clears _handle,
    /// _event and _cycle. A tick still on its way is ignored.
    virtual void Stop();
    /// One tick: counts it and emits _event, or a TimerTick with data = ticks.
    virtual void Fire();
    /// Dispatches messages until the timer ticked; returns the ticks since
    /// the previous Wait (0 when stopped or called from inside dispatch).
    virtual int Wait();

    /// Period 1000 / hz ms, truncated. Null when hz gives no period of at
    /// least 1 ms, or 16 timers run already.
    static core::Ref<TTimer> Create(double hz, TEvent* event = nullptr);
};

core::Ref<TTimer> CreateTimer(double hz, TEvent* event = nullptr);

} // namespace gui
