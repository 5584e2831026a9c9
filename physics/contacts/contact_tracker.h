#pragma once
// Contacts that begin and end (TPhysics::ContactBegins, ContactEnds).
//
// The collision queue already holds one entry per pair that touched in a
// step, merged over every pass and substep. The tracker exists only once a
// program asks for it, and then wraps the step: it makes sure the queue
// records pairs (a queue in MODE_DISCARD records in MODE_UPDATE for the step
// and is emptied after it, so readers still find it empty), takes the step's
// pairs from it in the order they were first recorded, and compares them with
// the pairs of the step before. Pairs are matched by their two objects in
// address order; what is reported follows the recording order, so it is as
// deterministic as the step.
//
// Sleeping masses raise no contacts: a pair of the step before that is
// missing while its masses sleep (and are still in the world, as is its
// zone) is carried over unchanged rather than ended. A pair whose mass or
// zone left the world ends.

#include <cstdint>
#include <vector>

#include "physics/contact_change.h"

namespace kel::tangle {
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

class TCollisionQueue;

class TContactTracker {
  public:
    // One step of the world, with the pairs that began and ended in it.
    void Step(TPhysics& w);
    // Tracking starts afresh: the next step's pairs all begin.
    void Start();
    // Tracking stops and lets go of every pair. Safe from inside a step.
    void Stop();
    bool On() const { return on_; }

    // What a world snapshot keeps: whether tracking is on, the pairs of the
    // last step (which the next step compares with) and what began and
    // ended in it.
    struct State {
        bool on = false;
        std::vector<TContactChange> previous, begins, ends;
    };
    void Capture(State& state) const;
    void Restore(const State& state);

    const std::vector<TContactChange>& Begins() const { return begins_; }
    const std::vector<TContactChange>& Ends() const { return ends_; }

  private:
    struct Key {
        const core::Object* a; // the pair's two objects in address order
        const core::Object* b;
        bool operator<(const Key& o) const;
        bool operator==(const Key& o) const { return a == o.a && b == o.b; }
    };
    static Key KeyOf(const TContactChange& c);
    static bool Sorted(const std::vector<Key>& keys, const Key& key);
    static void KeysOf(const std::vector<TContactChange>& pairs, std::vector<Key>& keys);
    // Whether a pair missing from this step was kept out by sleep alone.
    static bool Resting(const TContactChange& c);

    void Collect(TCollisionQueue& queue);
    void Compare();

    std::vector<TContactChange> touching_, previous_, begins_, ends_;
    std::vector<Key> keys_, previousKeys_;
    bool on_ = false;
    bool stepping_ = false;
};

} // namespace kel::tangle::detail
