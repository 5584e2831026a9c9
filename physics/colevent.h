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

/// One contact: a mass touched another mass, a zone, the world's bounds or
/// something of the application's (MASS_ constants). The step offers each
/// contact to the collision hook chain under colHookId and queues what comes
/// back, with at most one event per touching pair: later contacts of a queued
/// pair merge into its event as colMode says.
class TColEvent final : public core::Object {
  public:
    static constexpr int MASS_CUSTOM = -1; ///< with an object of the application's
    static constexpr int MASS_MASS = 1;    ///< with another mass
    static constexpr int MASS_ZONE = 2;    ///< with a zone
    static constexpr int MASS_BOUNDS = 3;  ///< with the world's bounds
    static constexpr int MODE_DISCARD = 0; ///< queue nothing
    /// Queue; a later contact of the pair takes over the position and adds its force.
    static constexpr int MODE_UPDATE = 1;
    /// Queue; a later contact of the pair takes over the position and the force.
    static constexpr int MODE_REPLACE = 2;

    /// The kind of contact, a MASS_ constant.
    int id = MASS_CUSTOM;
    /// The mass that touched.
    core::Ref<TMass> obj1;
    /// What it touched: a mass, a zone, the world (for the bounds) or an
    /// object of the application's.
    core::Ref<core::Object> obj2;
    ///@{
    /// Where the contact happened, world units.
    float x = 0, y = 0;
    ///@}
    /// How deep the overlap was, world units, summed over merged contacts in
    /// MODE_UPDATE.
    float force = 0;

    // Each world has a queue of its own (physics/contacts/collision_queue.h); the
    // class functions below work on the calling thread's current world's,
    // or without one on a queue of the thread's own.
    /// The hook id collision hooks are added under; taken once, when the
    /// library loads. The chain is the program's, one for every world: its
    /// hooks run on the thread that steps a world, and a program that steps
    /// worlds on several threads at once gives it hooks that are safe there.
    static const int colHookId;
    /// How the current world's contacts are queued: a MODE_ constant,
    /// MODE_UPDATE at start. Each world keeps its own; this is the calling
    /// thread's current world's (a new world takes on the value as it is).
    /// A step reads it once, as it starts.
    static inline thread_local int colMode = MODE_UPDATE;
    /// The event Poll took last on the calling thread, or none.
    static thread_local core::Ref<TColEvent> colCurrent;

    /// Exact class test for list walks.
    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TColEvent); }

    /// A new event of `mass` touching `other` at (x, y), world units; its kind
    /// follows from the class of `other` (MASS_CUSTOM for none or an unknown
    /// class). It is not queued. Never none.
    static core::Ref<TColEvent> Create(TMass* mass, core::Object* other, float x, float y,
                                       float force);
    /// The same with the kind already known to the caller (the step's own
    /// emitters), sparing the class tests.
    static core::Ref<TColEvent> CreateOfKind(int id, TMass* mass, core::Object* other, float x,
                                             float y, float force);
    /// Sets colMode, which the step's contacts are queued with. Returns 0.
    static int SetMode(int mode);
    /// Runs the collision hook chain on the event and queues the event the
    /// chain returns, in colMode; a chain that returns no event, or
    /// MODE_DISCARD, queues nothing. Returns 0.
    static int Emit(TColEvent* event);
    /// Queues the event under its pair, or merges it into the pair's queued
    /// event as `mode` says. Returns 0; does nothing for none or MODE_DISCARD.
    static int Post(TColEvent* event, int mode);
    /// Takes the oldest event out of the queue and makes it colCurrent; none
    /// when the queue is empty. Its pair stays recorded until Flush.
    static core::Ref<TColEvent> Poll();
    /// The oldest event, left in the queue; none when the queue is empty.
    static core::Ref<TColEvent> Peek();
    /// The event recorded for the pair of a and b, in either order, polled or
    /// not; a null `b` stands for the world (contacts with the bounds). None
    /// when the pair has none.
    static core::Ref<TColEvent> Seek(core::Object* a, core::Object* b);
    /// Empties the queue, forgets every pair and clears colCurrent. Returns 0.
    static int Flush();
    /// colCurrent: the event Poll took last, or none.
    static core::Ref<TColEvent> GetCurrent() { return colCurrent; }
    /// Number of events waiting in the queue.
    static int QueueCount();

    /// The kind of contact, a MASS_ constant.
    int GetID() const { return id; }
    /// The mass that touched.
    TMass* GetMass1() const { return obj1.Get(); }
    /// The other mass, or null when the mass touched something else.
    TMass* GetMass2() const;
    /// The zone touched, or null when the mass touched something else.
    TZone* GetZone() const;
    /// X of the contact, world units.
    float GetX() const { return x; }
    /// Y of the contact, world units.
    float GetY() const { return y; }
    /// How deep the overlap was, world units (see force).
    float GetForce() const { return force; }

    /// Events are made and dropped for every contact of every step: they come
    /// from a free list instead of the general heap.
    static void* operator new(std::size_t size);
    /// Returns the event's memory to the free list.
    static void operator delete(void* p, std::size_t size) noexcept;
};

} // namespace kel::tangle
