#include "physics/contacts/contact_tracker.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/step.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zonebase.h"

namespace kel::tangle::detail {

namespace {

// Lets the queue record pairs while it lives when its mode keeps none; then
// empties the queue, so that it keeps nothing after all, and puts the mode
// back, unless a hook chose another meanwhile. Even when a hook throws.
class TRecordingScope {
  public:
    explicit TRecordingScope(TPhysics& w) : world_(w), saved_(TStepAccess::QueueModeOf(w)) {
        if (saved_ == TColEvent::MODE_DISCARD)
            TStepAccess::SetQueueMode(w, TColEvent::MODE_UPDATE);
    }
    ~TRecordingScope() {
        if (saved_ != TColEvent::MODE_DISCARD) return;
        TStepAccess::Of(world_).Queue().Clear();
        if (world_.IsCurrent()) TColEvent::colCurrent = nullptr;
        if (TStepAccess::QueueModeOf(world_) == TColEvent::MODE_UPDATE)
            TStepAccess::SetQueueMode(world_, saved_);
    }
    TRecordingScope(const TRecordingScope&) = delete;
    TRecordingScope& operator=(const TRecordingScope&) = delete;

  private:
    TPhysics& world_;
    const int saved_;
};

bool Still(const TMass* m) { return m->InWorld() && !m->IsAwake(); }

} // namespace

bool TContactTracker::Key::operator<(const Key& o) const {
    const std::less<const core::Object*> less;
    if (a != o.a) return less(a, o.a);
    return less(b, o.b);
}

TContactTracker::Key TContactTracker::KeyOf(const TContactChange& c) {
    const core::Object* m = c.mass.Get();
    const core::Object* other = c.other.Get();
    if (std::less<const core::Object*>()(other, m)) return {other, m};
    return {m, other};
}

bool TContactTracker::Sorted(const std::vector<Key>& keys, const Key& key) {
    return std::binary_search(keys.begin(), keys.end(), key);
}

void TContactTracker::KeysOf(const std::vector<TContactChange>& pairs, std::vector<Key>& keys) {
    keys.clear();
    for (const TContactChange& c : pairs) keys.push_back(KeyOf(c));
    std::sort(keys.begin(), keys.end());
}

bool TContactTracker::Resting(const TContactChange& c) {
    if (!Still(c.mass)) return false;
    if (const TMass* other = c.GetMass2()) return Still(other);
    if (const auto* zone = core::As<TZoneBase>(c.other.Get())) return zone->link != nullptr;
    return true; // the bounds
}

void TContactTracker::Step(TPhysics& w) {
    TStepper& stepper = TStepAccess::Of(w);
    // A step started from inside a step does nothing: neither does this.
    if (stepping_) {
        stepper.Step(w);
        return;
    }
    begins_.clear();
    ends_.clear();
    {
        const TRecordingScope recording(w);
        stepping_ = true;
        try {
            stepper.Step(w);
        } catch (...) {
            stepping_ = false;
            throw;
        }
        stepping_ = false;
        if (on_) Collect(stepper.Queue()); // else a hook stopped the tracking
    }
    if (on_) Compare();
}

void TContactTracker::Start() {
    Stop();
    on_ = true;
}

void TContactTracker::Stop() {
    on_ = false;
    for (auto* pairs : {&touching_, &previous_, &begins_, &ends_}) pairs->clear();
    keys_.clear();
    previousKeys_.clear();
}

void TContactTracker::Capture(State& state) const {
    state.on = on_;
    state.previous = previous_;
    state.begins = begins_;
    state.ends = ends_;
}

void TContactTracker::Restore(const State& state) {
    Stop();
    on_ = state.on;
    previous_ = state.previous;
    begins_ = state.begins;
    ends_ = state.ends;
    KeysOf(previous_, previousKeys_);
}

void TContactTracker::Collect(TCollisionQueue& queue) {
    touching_.clear();
    queue.ForEachRecorded([&](int id, TMass* mass, core::Object* other, float x, float y,
                                 float) {
        if (!mass) return;
        if (id == TColEvent::MASS_BOUNDS)
            other = nullptr; // held, the world would hold itself
        else if (id != TColEvent::MASS_MASS && id != TColEvent::MASS_ZONE)
            return;
        touching_.push_back({id, mass, other, x, y});
    });
}

void TContactTracker::Compare() {
    KeysOf(touching_, keys_);
    for (const TContactChange& c : touching_) {
        if (!Sorted(previousKeys_, KeyOf(c))) begins_.push_back(c);
    }
    for (TContactChange& c : previous_) {
        if (Sorted(keys_, KeyOf(c))) continue;
        if (Resting(c))
            touching_.push_back(std::move(c));
        else
            ends_.push_back(std::move(c));
    }
    previous_.swap(touching_);
    touching_.clear();
    KeysOf(previous_, previousKeys_);
}

} // namespace kel::tangle::detail
