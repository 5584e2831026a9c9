#pragma once
// The collision queue and its pair dictionary in one structure.
//
// Every queued event is recorded under its ordered pair, and the queue order
// is the order in which pairs were first recorded, so one array in insertion
// order serves as both: entries before `head` have been polled (their pair is
// still found), the rest are the queue. An open-addressing table on the pair
// finds an entry. Flushing keeps the capacity, so a steady stream of contacts
// allocates nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/object.h"

namespace kel::tangle {

class TColEvent;

class TColPairs {
  public:
    // The event recorded for the ordered pair (k1, k2), or null.
    TColEvent* Find(core::Object* k1, core::Object* k2) const;
    // Records the event under the pair (which must not be recorded yet) and
    // appends it to the queue.
    void Add(core::Object* k1, core::Object* k2, TColEvent* event);

    TColEvent* Peek() const;
    // Takes the oldest queued event out of the queue (null if none); its pair
    // stays recorded.
    TColEvent* Pop();
    int QueuedCount() const { return static_cast<int>(entries_.size() - head_); }
    int PairCount() const { return static_cast<int>(entries_.size()); }
    void Clear();

  private:
    struct Entry {
        // Held so that a key's address cannot be reused while it is recorded.
        core::Ref<core::Object> k1;
        core::Ref<core::Object> k2;
        core::Ref<TColEvent> event; // kept after polling: the pair is still found
        std::uint32_t slot;
    };
    static std::size_t Hash(core::Object* k1, core::Object* k2);
    void Grow();

    std::vector<Entry> entries_;
    std::size_t head_ = 0;
    std::vector<std::int32_t> slots_; // entry index or -1; size a power of two
};

} // namespace kel::tangle
