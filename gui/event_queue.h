#pragma once
// The event queue: a ring of 256 events fed by the last hook of
// emitEventHook, and the event the main loop took last (CurrentEvent).

#include <string>

#include "gui/event.h"

namespace gui {

inline constexpr int EVENT_QUEUE_SIZE = 256;

/// With update = 1 a queued event of the same id and source takes over the new
/// one's data, mods, x, y and extra instead of adding another. A full queue
/// drops the new event.
void PostEvent(TEvent* event, int update = 0);

/// Takes the oldest event, waiting for the system driver as long as the queue
/// is empty, and returns its id. Returns 0 (blank CurrentEvent) only when it is
/// called from inside message dispatch, where waiting could never end.
int WaitEvent();
/// Like WaitEvent, but gives up after `seconds` and returns 0 then.
int WaitEventFor(double seconds);
/// Takes the oldest event after dispatching pending messages; 0 when none.
int PollEvent();
/// The oldest event, without taking it; null when none.
TEvent* PeekEvent();
/// Number of events waiting.
int QueuedEventCount();
/// Empties the queue without touching CurrentEvent.
void FlushEvents();

/// The event last taken (a blank event with id 0 when there is none).
TEvent* CurrentEvent();
int EventID();
int EventData();
int EventMods();
int EventX();
int EventY();
core::Object* EventSource();
core::Object* EventExtra();
/// The extra object's text when it is a string, else empty.
std::string EventText();

} // namespace gui
