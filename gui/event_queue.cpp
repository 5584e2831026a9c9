#include "gui/event_queue.h"

#include <array>
#include <chrono>
#include <cstdint>

#include "gui/system_driver.h"

namespace gui {
namespace {

struct EventQueue {
    std::array<core::Ref<TEvent>, EVENT_QUEUE_SIZE> slots;
    std::uint32_t put = 0, get = 0; // empty when equal, full when 256 apart
    core::Ref<TEvent> current = core::Make<TEvent>();

    std::uint32_t Count() const { return put - get; }
    TEvent* Oldest() const { return slots[get % EVENT_QUEUE_SIZE]; }
    core::Ref<TEvent> Take() {
        core::Ref<TEvent> event = std::move(slots[get % EVENT_QUEUE_SIZE]);
        ++get;
        return event;
    }
};

EventQueue& Queue() {
    static EventQueue queue;
    return queue;
}

// The blank event stands for "no event"; one still held elsewhere is left alone.
void MakeCurrentBlank(EventQueue& queue) {
    if (queue.current->RefCount() > 1) {
        queue.current = core::Make<TEvent>();
        return;
    }
    TEvent& blank = *queue.current;
    blank.id = blank.data = blank.mods = blank.x = blank.y = 0;
    blank.source = nullptr;
    blank.extra = nullptr;
}

int TakeOldest(EventQueue& queue) {
    queue.current = queue.Take();
    return queue.current->id;
}

} // namespace

void PostEvent(TEvent* event, int update) {
    if (!event) return;
    EventQueue& queue = Queue();
    if (update) {
        for (std::uint32_t i = queue.get; i != queue.put; ++i) {
            TEvent* queued = queue.slots[i % EVENT_QUEUE_SIZE];
            if (queued->id == event->id && queued->source.Get() == event->source.Get()) {
                queued->data = event->data;
                queued->mods = event->mods;
                queued->x = event->x;
                queued->y = event->y;
                queued->extra = event->extra;
                return;
            }
        }
    }
    if (queue.Count() >= EVENT_QUEUE_SIZE) return;
    queue.slots[queue.put % EVENT_QUEUE_SIZE] = event;
    ++queue.put;
}

int WaitEvent() {
    EventQueue& queue = Queue();
    TSystemDriver* driver = SystemDriver();
    while (queue.Count() == 0) {
        if (!driver->MayReceive() || !driver->Wait()) {
            // Nothing could ever arrive (no source, or called from a hook
            // inside dispatch): waiting would never end.
            MakeCurrentBlank(queue);
            return 0;
        }
    }
    return TakeOldest(queue);
}

int WaitEventFor(double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    EventQueue& queue = Queue();
    TSystemDriver* driver = SystemDriver();
    if (queue.Count() == 0) driver->Poll();
    while (queue.Count() == 0) {
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0 || !driver->MayReceive() || !driver->WaitFor(left)) {
            MakeCurrentBlank(queue);
            return 0;
        }
    }
    return TakeOldest(queue);
}

int PollEvent() {
    EventQueue& queue = Queue();
    if (queue.Count() == 0) SystemDriver()->Poll();
    if (queue.Count() == 0) {
        MakeCurrentBlank(queue);
        return 0;
    }
    return TakeOldest(queue);
}

TEvent* PeekEvent() {
    EventQueue& queue = Queue();
    if (queue.Count() == 0) SystemDriver()->Poll();
    return queue.Count() ? queue.Oldest() : nullptr;
}

int QueuedEventCount() { return static_cast<int>(Queue().Count()); }

void FlushEvents() {
    EventQueue& queue = Queue();
    while (queue.Count()) queue.Take();
}

TEvent* CurrentEvent() { return Queue().current; }
int EventID() { return Queue().current->id; }
int EventData() { return Queue().current->data; }
int EventMods() { return Queue().current->mods; }
int EventX() { return Queue().current->x; }
int EventY() { return Queue().current->y; }
core::Object* EventSource() { return Queue().current->source; }
core::Object* EventExtra() { return Queue().current->extra; }

std::string EventText() {
    const auto* text = core::As<core::TString>(Queue().current->extra.Get());
    return text ? text->text : std::string();
}

} // namespace gui
