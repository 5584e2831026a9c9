#pragma once
// The collision queue and its pair dictionary in one structure.
//
// Every queued event is recorded under its ordered pair, and the queue order
// is the order in which pairs were first recorded, so one array in insertion
// order serves as both: entries before `head` have been polled (their pair is
// still found), the rest are the queue. An open-addressing table on the pair
// finds an entry. Flushing keeps the capacity, so a steady stream of contacts
// allocates nothing.
//
// Contacts that the library finds while no collision hook is installed need
// no event object, as nobody sees them until the queue is read: the entry
// records the contact itself (kind, which key is the mass, position, force),
// and later contacts of the pair merge into that record. The event object is
// built when a reader asks for the entry (Peek, Pop, Find); from then on the
// pair's contacts merge into that object, which the reader may be holding.
//
// While a sweep runs that no outside code can interrupt, nobody can read the
// table at all: the sweep's contacts are kept in a batch and recorded when
// the sweep ends, in the same order, so that the look-ups can be fetched
// from memory ahead of their turn (a pile's contacts land all over the
// table). Every other operation records a waiting batch first.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/object.h"
#include "physics/colevent.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

// A contact as the library reports it: `mass` touched `other`.
struct TContact {
    int id;
    TMass* mass;
    core::Object* other;
    float x, y, force;
};

class TColPairs {
  public:
    // Queues the contact under its pair, or merges it into the pair's entry
    // as `mode` says; makes no event object.
    void Record(const TContact& contact, int mode);
    // Queues the event under its pair, or merges it into the pair's entry.
    void Post(TColEvent* event, int mode);
    // While a batch is open, Record keeps contacts for later; EndBatch
    // records them, in order.
    void BeginBatch() { batching_ = true; }
    void EndBatch() {
        batching_ = false;
        RecordBatch();
    }
    // Keeps a contact of an open batch.
    void Defer(const TContact& contact, int mode) {
        if (!batch_.empty() && mode != batchMode_) RecordBatch();
        batchMode_ = mode;
        batch_.push_back({contact, KeyOf(contact.mass, contact.other)});
    }
    // The event of the pair of a and b, in either order, or null.
    TColEvent* Find(core::Object* a, core::Object* b);
    TColEvent* Peek();
    // Takes the oldest queued event out of the queue (null if none); its pair
    // stays recorded.
    TColEvent* Pop();
    int QueuedCount() {
        RecordBatch();
        return static_cast<int>(entries_.size() - head_);
    }
    void Clear();

    // Checks that every entry is found under its own pair, once; the name of
    // the first broken rule, or null.
    const char* BrokenInvariant() const;

  private:
    // A pair as the table finds it: the two objects in address order, and
    // the hash of the two.
    struct Key {
        core::Object* k1;
        core::Object* k2;
        std::uint64_t hash;
    };
    struct Entry {
        Entry() = default;
        Entry(const Key& key, TColEvent* event, const TContact& c)
            : k1(key.k1), k2(key.k2), event(event), x(c.x), y(c.y), force(c.force), id(c.id),
              massIsK1(key.k1 == c.mass) {}
        // Held so that a key's address cannot be reused while it is recorded.
        core::Ref<core::Object> k1;
        core::Ref<core::Object> k2;
        core::Ref<TColEvent> event; // none until a reader asks; kept after polling
        float x = 0, y = 0, force = 0; // the merged contact while there is no event
        int id = 0;
        bool massIsK1 = false;
        std::uint32_t slot = 0;
    };
    struct Deferred {
        TContact contact;
        Key key;
    };
    // A slot of the table: an entry's index plus one (0 for none), and the
    // high half of its pair's hash, so that a probe touches an entry only
    // when the hash matches.
    using SlotWord = std::uint64_t;
    static std::uint64_t Hash(const core::Object* k1, const core::Object* k2);
    static Key KeyOf(core::Object* a, core::Object* b) {
        if (reinterpret_cast<std::uintptr_t>(b) < reinterpret_cast<std::uintptr_t>(a)) {
            core::Object* t = a;
            a = b;
            b = t;
        }
        return {a, b, Hash(a, b)};
    }
    static SlotWord SlotOf(std::uint64_t hash, std::size_t entry) {
        return (hash & ~std::uint64_t{0xFFFFFFFF}) | (entry + 1);
    }
    // The entry of the pair, or -1.
    std::int64_t IndexOf(const Key& key) const;
    void RecordNow(const TContact& contact, const Key& key, int mode);
    void RecordBatch();
    // A new entry for the pair, queued last.
    void Add(const Key& key, TColEvent* event, const TContact& contact);
    TColEvent* Built(Entry& entry);
    void Grow();
    void PrefetchSlot(const Deferred& item) const;
    void PrefetchEntry(const Deferred& item) const;

    std::vector<Entry> entries_;
    std::size_t head_ = 0;
    std::vector<SlotWord> slots_; // size a power of two, at most half in use
    std::vector<Deferred> batch_;
    int batchMode_ = TColEvent::MODE_UPDATE;
    bool batching_ = false;
};

// The class-wide queue of TColEvent.
extern TColPairs colPairs;

// How the library's own emitters (bounds, mass contacts, zones) hand over a
// contact: as an event object through the collision hook chain when a hook is
// installed, else straight into the pair table.
void ReportContact(const TContact& contact);

// The same, for a sweep in which no outside code can run, with a batch open
// for the whole sweep (TContactBatch).
inline void DeferContact(const TContact& contact) {
    if (TColEvent::colMode != TColEvent::MODE_DISCARD) colPairs.Defer(contact, TColEvent::colMode);
}

// Opens a batch of the pair table for as long as it lives. Only for code in
// which nothing outside the library runs: a deferred contact holds no
// reference to its objects.
class TContactBatch {
  public:
    TContactBatch() { colPairs.BeginBatch(); }
    ~TContactBatch() { colPairs.EndBatch(); }
    TContactBatch(const TContactBatch&) = delete;
    TContactBatch& operator=(const TContactBatch&) = delete;
};

} // namespace kel::tangle::detail
