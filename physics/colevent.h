#pragma once
// TColEvent: one contact, offered to the collision hook chain and queued with
// at most one event per touching pair.

#include <cstddef>
#include <typeinfo>

#include "core/hook.h" // applications add their hooks under colHookId
#include "core/object.h"

namespace kel::tangle {

class TMass;
class TZoneBase;
class TZone;

class TColEvent final : public core::Object {
  public:
    static constexpr int MASS_CUSTOM = -1;
    static constexpr int MASS_MASS = 1;
    static constexpr int MASS_ZONE = 2;
    static constexpr int MASS_BOUNDS = 3;
    static constexpr int MODE_DISCARD = 0;
    static constexpr int MODE_UPDATE = 1;
    static constexpr int MODE_REPLACE = 2;

    int id = MASS_CUSTOM;
    core::Ref<TMass> obj1;
    core::Ref<core::Object> obj2;
    float x = 0, y = 0;
    float force = 0;

    // Class-wide state, made when the library starts. The queue and its pair
    // dictionary are internal (physics/detail/colpairs.h).
    static int colHookId;
    static int colMode;
    static core::Ref<TColEvent> colCurrent;

    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TColEvent); }

    static core::Ref<TColEvent> Create(TMass* mass, core::Object* other, float x, float y,
                                       float force);
    // The same with the kind already known to the caller (the step's own
    // emitters), sparing the class tests.
    static core::Ref<TColEvent> CreateOfKind(int id, TMass* mass, core::Object* other, float x,
                                             float y, float force);
    static int SetMode(int mode);
    static int Emit(TColEvent* event);
    static int Post(TColEvent* event, int mode);
    static core::Ref<TColEvent> Poll();
    static core::Ref<TColEvent> Peek();
    static core::Ref<TColEvent> Seek(core::Object* a, core::Object* b);
    static int Flush();
    static core::Ref<TColEvent> GetCurrent() { return colCurrent; }
    // Number of events waiting in the queue.
    static int QueueCount();

    int GetID() const { return id; }
    TMass* GetMass1() const { return obj1.Get(); }
    TMass* GetMass2() const;
    TZone* GetZone() const;
    float GetX() const { return x; }
    float GetY() const { return y; }
    float GetForce() const { return force; }

    // Events are made and dropped for every contact of every step: they come
    // from a free list instead of the general heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
};

} // namespace kel::tangle
