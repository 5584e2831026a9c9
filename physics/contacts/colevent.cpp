#include "physics/colevent.h"

#include <functional>
#include <mutex>
#include <new>
#include <vector>

#include "core/hook.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/step.h"
#include "physics/threads/strip_log.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zone.h"
#include "physics/zonebase.h"

namespace kel::tangle {

// The library's start-up: the hook id is taken once, when the library loads.
const int TColEvent::colHookId = core::AllocHookId();
thread_local core::Ref<TColEvent> TColEvent::colCurrent;

namespace {

// Sanitizer builds use the general heap so that use-after-free stays visible.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPoolEvents = false;
#else
constexpr bool kPoolEvents = true;
#endif

struct FreeBlock {
    FreeBlock* next;
};

// Blocks of freed events, each thread's own: an event is made and dropped
// on the thread that steps its world, and one dropped on another thread
// serves that thread next. Chunks are never returned, so a block stays
// valid whichever list it is on.
thread_local FreeBlock* freeEvents = nullptr;
struct TEventChunks {
    std::mutex lock;
    std::vector<void*> chunks; // reachable, so leak checkers stay quiet
};
TEventChunks& EventChunks() {
    static auto* chunks = new TEventChunks;
    return *chunks;
}

constexpr std::size_t kChunkEvents = 256;

void RefillEvents() {
    constexpr std::size_t size = sizeof(TColEvent);
    static_assert(size >= sizeof(FreeBlock));
    static_assert(alignof(TColEvent) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    char* chunk = static_cast<char*>(::operator new(size* kChunkEvents));
    {
        TEventChunks& all = EventChunks();
        const std::lock_guard<std::mutex> hold(all.lock);
        all.chunks.push_back(chunk);
    }
    for (std::size_t k = kChunkEvents; k-- > 0;) {
        auto* block = reinterpret_cast<FreeBlock*>(chunk + k * size);
        block->next = freeEvents;
        freeEvents = block;
    }
}

} // namespace

void* TColEvent::operator new(std::size_t size) {
    if (!kPoolEvents || size != sizeof(TColEvent)) return ::operator new(size);
    if (!freeEvents) RefillEvents();
    FreeBlock* block = freeEvents;
    freeEvents = block->next;
    return block;
}

void TColEvent::operator delete(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (!kPoolEvents || size != sizeof(TColEvent)) {
        ::operator delete(p);
        return;
    }
    auto* block = static_cast<FreeBlock*>(p);
    block->next = freeEvents;
    freeEvents = block;
}

core::Ref<TColEvent> TColEvent::CreateOfKind(int id, TMass* mass, core::Object* other, float x,
                                             float y, float force) {
    core::Ref<TColEvent> e(new TColEvent);
    e->id = id;
    e->obj1 = mass;
    e->obj2 = other;
    e->x = x;
    e->y = y;
    e->force = force;
    return e;
}

core::Ref<TColEvent> TColEvent::Create(TMass* mass, core::Object* other, float x, float y,
                                       float force) {
    int id = MASS_CUSTOM;
    if (core::As<TMass>(other))
        id = MASS_MASS;
    else if (core::As<TZoneBase>(other))
        id = MASS_ZONE;
    else if (core::As<TPhysics>(other))
        id = MASS_BOUNDS;
    return CreateOfKind(id, mass, other, x, y, force);
}

int TColEvent::SetMode(int mode) {
    colMode = mode;
    return 0;
}

detail::TCollisionQueue& detail::CurrentQueue() {
    if (TPhysics* w = currentWorld) return TStepAccess::Of(*w).Queue();
    thread_local TCollisionQueue worldless;
    return worldless;
}

namespace {

// Runs the hooks on the event and queues what they return into `queue`.
void EmitInto(detail::TCollisionQueue& queue, int mode, TColEvent* event) {
    core::Ref<core::Object> out = core::RunHooks(TColEvent::colHookId, event);
    if (TColEvent* e = core::As<TColEvent>(out.Get()); e && mode != TColEvent::MODE_DISCARD)
        queue.Post(e, mode);
}

} // namespace

int TColEvent::Emit(TColEvent* event) {
    EmitInto(detail::CurrentQueue(), colMode, event);
    return 0;
}

int TColEvent::Post(TColEvent* event, int mode) {
    // A caller's own mode is honoured: discard queues nothing, replace and
    // update merge as their names say.
    if (!event || mode == MODE_DISCARD) return 0;
    detail::CurrentQueue().Post(event, mode);
    return 0;
}

core::Ref<TColEvent> TColEvent::Poll() {
    colCurrent = detail::CurrentQueue().Pop();
    return colCurrent;
}

core::Ref<TColEvent> TColEvent::Peek() { return detail::CurrentQueue().Peek(); }

core::Ref<TColEvent> TColEvent::Seek(core::Object* a, core::Object* b) {
    if (!b) b = currentWorld.Get();
    return detail::CurrentQueue().Find(a, b);
}

int TColEvent::Flush() {
    colCurrent = nullptr;
    detail::CurrentQueue().Clear();
    return 0;
}

int TColEvent::QueueCount() { return detail::CurrentQueue().QueuedCount(); }

void detail::ReportContact(const TStepContext& step, const TContact& c) {
    // A task of a step on several threads: its own log, read in list order
    // when the pass ends (no hook is installed then).
    if (step.log) {
        if (step.queueMode != TColEvent::MODE_DISCARD) step.log->Report(c);
        return;
    }
    // Outside a step (TMass::Collide, a zone's Collide called by the program)
    // the contact goes to the current world, as TColEvent::Emit's would.
    TCollisionQueue& queue = step.queue ? *step.queue : detail::CurrentQueue();
    const int mode = step.queue ? step.queueMode : TColEvent::colMode;
    if (core::HasHooks(TColEvent::colHookId))
        EmitInto(queue, mode, TColEvent::CreateOfKind(c.id, c.mass, c.other, c.x, c.y, c.force));
    else if (mode != TColEvent::MODE_DISCARD)
        queue.Record(c, mode);
}

TMass* TColEvent::GetMass2() const { return core::As<TMass>(obj2.Get()); }

TZone* TColEvent::GetZone() const { return core::As<TZone>(obj2.Get()); }

} // namespace kel::tangle
