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
// table at all: the sweep's contacts are kept in a batch, turn by turn, and
// recorded when the sweep ends, in the same order. Every other operation
// records a waiting batch first. A contact between two masses of the sweep
// is kept as their two turns and the contact's position and force: a third
// of the contact and its key, which matters in a pile's tens of thousands.
//
// The batch also knows where each turn's contacts lie, so that when the
// table held nothing before the sweep, no pair needs to be looked up by its
// hash: a walk meets each mass at most once, so a pair of masses meets at
// most once in each of their two turns, and the later turn finds the pair
// among the contacts of the earlier one; a mass meets any other object only
// in its own turn (the validation build checks that no pair is recorded
// twice).
// The table's index on the pairs is then built only if someone looks a pair
// up (Find, a later contact): entries [0, indexed_) are in the index.

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
    // as `mode` says; makes no event object. While a batch is open, keeps it
    // in the batch, in the turn under way.
    void Record(const TContact& contact, int mode);
    // Queues the event under its pair, or merges it into the pair's entry.
    void Post(TColEvent* event, int mode);
    // A batch for a sweep whose turns go over `order` (which must stay as it
    // is until EndBatch), in `mode`: the sweep names each turn before its
    // contacts, in order. EndBatch records the batch, in order.
    void BeginBatch(const std::vector<TMass*>& order, int mode);
    void BeginTurn(std::uint32_t k) { turn_ = k; }
    void EndBatch();
    // Keeps a contact of the turn under way with the mass of the sweep's
    // turn `other`, as the batch's mode says.
    void DeferMeeting(std::uint32_t other, float x, float y, float force) {
        batch_.push_back({turn_, other, x, y, force});
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
    // Calls f(id, mass, other, x, y) for every pair recorded since the last
    // Clear, polled or not, in the order the pairs were first recorded, with
    // the pair's merged contact; builds no event.
    template <class F> void ForEachRecorded(F&& f) {
        RecordBatch();
        for (const Entry& e : entries_) {
            if (const TColEvent* event = e.event.Get()) {
                f(event->id, event->obj1.Get(), event->obj2.Get(), event->x, event->y);
            } else {
                core::Object* mass = e.massIsK1 ? e.k1.Get() : e.k2.Get();
                f(e.id, static_cast<TMass*>(mass), e.massIsK1 ? e.k2.Get() : e.k1.Get(), e.x, e.y);
            }
        }
    }

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
        core::Ref<TColEvent> event;    // none until a reader asks; kept after polling
        float x = 0, y = 0, force = 0; // the merged contact while there is no event
        int id = 0;
        bool massIsK1 = false;
        std::uint32_t slot = 0;
    };
    // A contact of a batch, in the sweep's turn `turn`: with the mass of the
    // sweep's turn `other`, or when kOtherObject is set, the contact
    // general_[other & ~kOtherObject].
    struct Deferred {
        std::uint32_t turn, other;
        float x, y, force;
    };
    static constexpr std::uint32_t kOtherObject = 0x80000000u;
    // A slot of the table: an entry's index plus one (0 for none), and the
    // high half of its pair's hash, so that a probe touches an entry only
    // when the hash matches.
    using SlotWord = std::uint64_t;
    static std::uint64_t Hash(const core::Object* k1, const core::Object* k2);
    // The pair in address order, without its hash (for an entry that is not
    // indexed yet), and with it.
    static Key PairOf(core::Object* a, core::Object* b) {
        if (reinterpret_cast<std::uintptr_t>(b) < reinterpret_cast<std::uintptr_t>(a))
            return {b, a, 0};
        return {a, b, 0};
    }
    static Key KeyOf(core::Object* a, core::Object* b) {
        Key key = PairOf(a, b);
        key.hash = Hash(key.k1, key.k2);
        return key;
    }
    static SlotWord SlotOf(std::uint64_t hash, std::size_t entry) {
        return (hash & ~std::uint64_t{0xFFFFFFFF}) | (entry + 1);
    }
    // The entry of the pair, or -1.
    std::int64_t IndexOf(const Key& key);
    // Puts every entry in the index.
    void IndexAll();
    void RecordNow(const TContact& contact, const Key& key, int mode);
    // Records a waiting batch.
    void RecordBatch();
    // The contact that an item of the batch stands for.
    TContact ContactOf(const Deferred& item) const;
    // Records the batch into a table that held nothing, without the index.
    void RecordFirstBatch();
    // The entry of the pair that the batch's item `at` met before, if any:
    // the other mass's contact with this turn's in its own turn, or an
    // earlier contact with the same object in the same turn.
    std::int64_t EarlierMeeting(std::size_t at) const;
    // A new entry for the pair, queued last.
    void Add(const Key& key, TColEvent* event, const TContact& contact);
    TColEvent* Built(Entry& entry);

    std::vector<Entry> entries_;
    std::size_t head_ = 0;
    std::vector<SlotWord> slots_; // size a power of two, at most half in use
    std::size_t indexed_ = 0;
    // The open batch: its contacts, the contacts with other objects, the
    // turn under way, the sweep's masses and mode; and while it is recorded,
    // where each turn's contacts begin.
    std::vector<Deferred> batch_;
    std::uint32_t turn_ = 0;
    std::vector<std::uint32_t> turnStart_;
    std::vector<TContact> general_;
    std::vector<std::uint32_t> entryOf_; // per item of the batch being recorded
    const std::vector<TMass*>* order_ = nullptr;
    int batchMode_ = TColEvent::MODE_UPDATE;
    bool batching_ = false;
};

// The class-wide queue of TColEvent.
extern TColPairs colPairs;

// How the library's own emitters (bounds, mass contacts, zones) hand over a
// contact: as an event object through the collision hook chain when a hook is
// installed, else straight into the pair table.
void ReportContact(const TContact& contact);

// A sweep's batch of the pair table, for a sweep in which no outside code
// can run and whose turns go over `order`: a deferred contact holds no
// reference to its objects. Contacts between the sweep's masses are handed
// to Meet; the library's other emitters report as ever. Each worker of the
// step holds one (TStepWorker) and opens it for a sweep with TOpenBatch.
class TContactBatch {
  public:
    TContactBatch() = default;
    TContactBatch(const TContactBatch&) = delete;
    TContactBatch& operator=(const TContactBatch&) = delete;

    void BeginTurn(std::uint32_t k) { colPairs.BeginTurn(k); }
    // The mass of this turn met the sweep's mass of turn `other`.
    void Meet(std::uint32_t other, float x, float y, float force) {
        if (keep_) colPairs.DeferMeeting(other, x, y, force);
    }

  private:
    friend class TOpenBatch;
    void Open(const std::vector<TMass*>& order) {
        keep_ = TColEvent::colMode != TColEvent::MODE_DISCARD;
        if (keep_) colPairs.BeginBatch(order, TColEvent::colMode);
    }
    void Close() {
        if (keep_) colPairs.EndBatch();
        keep_ = false;
    }

    bool keep_ = false;
};

// Keeps a batch open for as long as it lives, also when the sweep throws.
class TOpenBatch {
  public:
    TOpenBatch(TContactBatch& batch, const std::vector<TMass*>& order) : batch_(batch) {
        batch_.Open(order);
    }
    ~TOpenBatch() { batch_.Close(); }
    TOpenBatch(const TOpenBatch&) = delete;
    TOpenBatch& operator=(const TOpenBatch&) = delete;

  private:
    TContactBatch& batch_;
};

} // namespace kel::tangle::detail
