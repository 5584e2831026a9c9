#pragma once
// The collision queue and its pair dictionary in one structure.
//
// Every queued event is recorded under its ordered pair, and the queue order
// is the order in which pairs were first recorded, so one array in insertion
// order serves as both: entries before `head` have been polled (their pair is
// still found), the rest are the queue. An open-addressing table on the pair
// finds an entry. Flushing keeps the storage, so a steady stream of contacts
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
// The batch also knows where each turn's contacts lie, and recording it
// where each turn's entries lie, so that when the table held nothing before
// the sweep, no pair needs to be looked up by its hash: a walk meets each
// mass at most once, so a pair of masses meets at most once in each of their
// two turns, and the later turn finds the pair among the entries made in the
// earlier one; a mass meets any other object only in its own turn, whose
// entries are the last ones (the validation build checks that no pair is
// recorded twice).
// The table's index on the pairs is then built only if someone looks a pair
// up (Find, a later contact): entries [0, indexed_) are in the index.
//
// A world of a million masses queues millions of pairs in one step, so the
// bytes count: the batch and the entries are arrays of blocks from one pool
// (chunked_array.h), and recording gives back each block of the batch that
// it has passed, for the entries to fill. The batch's contacts are kept to
// 16 bytes and the entries to 32, the turns being where each one begins, and
// an entry's contact sharing its bytes with its event once one is built.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/object.h"
#include "physics/colevent.h"
#include "physics/contacts/chunked_array.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

class TStripLog;
struct TTurnSpan;

// A contact as the library reports it: `mass` touched `other`.
struct TContact {
    int id;
    TMass* mass;
    core::Object* other;
    float x, y, force;
};

class TCollisionQueue {
  public:
    // The queue of world `owner` (a contact with the bounds names it). The
    // queue counts no reference to its own world: a world whose queue holds
    // contacts with its bounds would otherwise hold itself and never end.
    // Such a reference counts again when it leaves the queue while the world
    // lives; an event that outlives the world's end loses its object.
    explicit TCollisionQueue(core::Object* owner = nullptr) : owner_(owner) {}
    ~TCollisionQueue();
    TCollisionQueue(const TCollisionQueue&) = delete;
    TCollisionQueue& operator=(const TCollisionQueue&) = delete;

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
    void BeginTurn(std::uint32_t k) {
        while (turnsBegun_ <= k)
            turnStart_[turnsBegun_++] = static_cast<std::uint32_t>(batch_.size());
    }
    void EndBatch();
    // Keeps a contact of the turn under way with the mass of the sweep's
    // turn `other`, as the batch's mode says.
    void DeferMeeting(std::uint32_t other, float x, float y, float force) {
        batch_.push_back({other, x, y, force});
    }
    // Filling a table that holds nothing from a pass of the strip schedule
    // (strip_schedule.h), on several threads, with the entries, the order
    // and the merged contacts that recording the same turns in list order
    // gives (collision_queue_fill.cpp). BeginFill tells whether the table can be
    // filled so: it must hold nothing once a waiting batch is recorded. Then
    // come CountTurns, PlaceTurns, FillTurns, RetainTurns and EndFill, each
    // done for every turn before the next begins; the three that take a
    // range of turns may run on any thread for each range, the others run
    // on the calling thread. FillTurns leaves the contacts with other
    // objects than masses in `others`, which EndFill records (all ranges'
    // lists, in list order). The table must not be read meanwhile.
    // Set in the turn a contact names (in a batch or the schedule's logs)
    // when the contact is with another object than a mass of the sweep.
    static constexpr std::uint32_t kOtherObject = 0x80000000u;
    struct TOtherContact {
        std::uint32_t entry; // its own entry, or the earlier one of the pair
        bool fresh;          // the pair's first contact: it makes the entry
        const TContact* contact;
    };
    bool BeginFill(const std::vector<TMass*>& order, int mode, TStripLog* logs,
                   const TTurnSpan* spans);
    void CountTurns(std::uint32_t from, std::uint32_t to);
    void PlaceTurns();
    void FillTurns(std::uint32_t from, std::uint32_t to, std::vector<TOtherContact>& others);
    void RetainTurns(std::uint32_t from, std::uint32_t to);
    void EndFill(const std::vector<TOtherContact>* others, std::size_t lists);
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
    // Calls f(id, mass, other, x, y, force) for every pair recorded since
    // the last Clear, polled or not, in the order the pairs were first
    // recorded, with the pair's merged contact; builds no event.
    template <class F> void ForEachRecorded(F&& f) {
        RecordBatch();
        for (std::size_t k = 0; k < entries_.size(); ++k) {
            const Entry& e = entries_[k];
            if (const TColEvent* event = e.Event()) {
                f(event->id, event->obj1.Get(), event->obj2.Get(), event->x, event->y,
                  event->force);
            } else {
                core::Object* mass = e.MassIsK1() ? e.k1.Get() : e.k2.Get();
                f(e.Id(), static_cast<TMass*>(mass), e.MassIsK1() ? e.k2.Get() : e.k1.Get(), e.X(),
                  e.Y(), e.Force());
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
    // A recorded pair. Until a reader asks for its event, the entry holds
    // the merged contact itself; the event then takes the place of the
    // position, and the pair's contacts merge into the event.
    class Entry {
      public:
        // With `event` (retained), or else the contact.
        Entry(const Key& key, TColEvent* event, const TContact& c);
        // A contact between two masses, whose references the caller adds
        // for them (named_).
        struct Counted {};
        Entry(const Key& key, const TContact& c, Counted);
        ~Entry() { DropEvent(); }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

        TColEvent* Event() const { return hasEvent_ ? at_.event : nullptr; }
        // The event, built from the contact if there is none yet.
        TColEvent* Built();
        // Merges a later contact of the pair, as `mode` says.
        void Merge(float x, float y, float force, int mode);
        // The contact, while there is no event.
        int Id() const { return id_; }
        bool MassIsK1() const { return massIsK1_ != 0; }
        float X() const { return at_.xy[0]; }
        float Y() const { return at_.xy[1]; }
        float Force() const { return force_; }
        // Lets go of the masses without releasing them, when the entry's
        // references are counted in named_ and released from there.
        void ForgetCounted() {
            if (!counted_) return;
            k1.Detach();
            k2.Detach();
        }
        bool IsCounted() const { return counted_ != 0; }

        // Held so that a key's address cannot be reused while it is recorded.
        core::Ref<core::Object> k1;
        core::Ref<core::Object> k2;

      private:
        // Ids that fit the contact's bit field; a contact of another id gets
        // its event at once.
        static bool FitsInline(int id) { return id >= -(1 << 28) && id < (1 << 28); }
        void DropEvent() {
            if (hasEvent_) at_.event->Release();
            hasEvent_ = 0;
        }
        void Adopt(TColEvent* event) {
            at_.event = event; // already retained
            hasEvent_ = 1;
        }

        union {
            float xy[2];
            TColEvent* event; // owned: one reference, when hasEvent_
        } at_;
        float force_;
        int id_ : 29;
        unsigned massIsK1_ : 1;
        unsigned hasEvent_ : 1;
        unsigned counted_ : 1; // its references are counted in named_
    };
    static_assert(sizeof(void*) != 8 || sizeof(Entry) == 32, "an entry fills half a cache line");
    // A contact of a batch, with the mass of the sweep's turn `other`, or
    // when kOtherObject is set, the contact general_[other & ~kOtherObject].
    // Its turn is the one whose contacts' range holds it (turnStart_).
    struct Deferred {
        std::uint32_t other;
        float x, y, force;
    };
    static_assert(sizeof(Deferred) == 16);
    // A slot of the table: an entry's index plus one (0 for none), and the
    // high half of its pair's hash, so that a probe touches an entry only
    // when the hash matches.
    using SlotWord = std::uint64_t;
    static std::uint64_t Hash(const core::Object* k1, const core::Object* k2);
    // Stops counting what a new entry, or an event its entry just took,
    // holds of the owner.
    void UncountOwner(Entry& e, bool eventOnly = false);
    // The entry's event, built if it has none yet.
    TColEvent* EventOf(Entry& e);
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
    // The slot of the index that holds entry `e`, which is indexed.
    std::size_t SlotOfEntry(std::size_t e) const;
    // Whether a probe for entry `e`'s pair meets its slot.
    bool SlotHolds(std::size_t e) const;
    // The contact that an item of the batch, in turn `turn`, stands for.
    TContact ContactOf(const Deferred& item, std::uint32_t turn) const;
    // Records the batch into a table that held nothing, without the index.
    void RecordFirstBatch();
    // The entry of the pair that the batch's `item` of turn `turn` met
    // before, if any: the other mass's contact with this turn's in its own
    // turn, or an earlier contact with the same object in the same turn.
    std::int64_t EarlierMeeting(const Deferred& item, std::uint32_t turn, const TContact& c) const;
    // The entry made in [begin, end) for the pair of a and b, or -1.
    std::int64_t EntryAmong(std::size_t begin, std::size_t end, core::Object* a,
                            core::Object* b) const;
    // A new entry for the pair, queued last.
    void Add(const Key& key, TColEvent* event, const TContact& contact);
    // Ends recording the batch: empties it and gives its blocks back.
    void EmptyBatch();

    // The blocks of the entries and the batch (declared first: the arrays
    // give their blocks back to it when they go).
    core::Object* owner_;
    std::size_t ownerRefs_ = 0; // references to owner_ held and not counted

    TBlockPool pool_;
    TChunkedArray<Entry> entries_{pool_};
    std::size_t head_ = 0;
    std::vector<SlotWord> slots_; // size a power of two, at most half in use
    std::size_t indexed_ = 0;
    // The open batch: its contacts, the contacts with other objects, where
    // each turn's contacts begin (turn k's are [turnStart_[k],
    // turnStart_[k + 1])) and how many turns have begun, the sweep's masses
    // and mode; and while it is recorded, where each turn's entries begin.
    TChunkedArray<Deferred> batch_{pool_};
    std::vector<std::uint32_t> turnStart_;
    std::uint32_t turnsBegun_ = 0;
    std::vector<TContact> general_;
    std::vector<std::uint32_t> entryStart_;
    // While filling (BeginFill): the logs and where each turn's lie.
    TStripLog* fillLogs_ = nullptr;
    const TTurnSpan* fillSpans_ = nullptr;
    // While recording into a table that held nothing (RecordFirstBatch, or
    // filling on several threads), and until the next Clear: per turn, how
    // many entries of two masses name its mass, and the mass, so that their
    // references are added and released in list order.
    std::vector<std::uint32_t> named_;
    std::vector<TMass*> namedMasses_;
    // Counts from none, for the masses of `order`.
    void BeginNaming(const std::vector<TMass*>& order);
    const std::vector<TMass*>* order_ = nullptr;
    int batchMode_ = TColEvent::MODE_UPDATE;
    bool batching_ = false;
};

struct TStepContext;

// The queue of TColEvent's class functions: the calling thread's current
// world's, or without one a queue of the thread's own.
TCollisionQueue& CurrentQueue();

// How the library's own emitters (bounds, mass contacts, zones) hand over a
// contact found in `step`: into the step's task log when it has one, else
// into the step's world's queue, as an event object through the collision
// hook chain when a hook is installed, else straight into the pair table. A
// contact made outside a step (an empty context) goes to the calling
// thread's current world.
void ReportContact(const TStepContext& step, const TContact& contact);

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

    void BeginTurn(std::uint32_t k) {
        if (queue_) queue_->BeginTurn(k);
    }
    // The mass of this turn met the sweep's mass of turn `other`.
    void Meet(std::uint32_t other, float x, float y, float force) {
        if (queue_) queue_->DeferMeeting(other, x, y, force);
    }

  private:
    friend class TOpenBatch;
    void Open(const std::vector<TMass*>& order, TCollisionQueue& queue, int mode) {
        if (mode == TColEvent::MODE_DISCARD) return;
        queue_ = &queue;
        queue_->BeginBatch(order, mode);
    }
    void Close() {
        if (queue_) queue_->EndBatch();
        queue_ = nullptr;
    }

    TCollisionQueue* queue_ = nullptr; // while open and keeping contacts
};

// Keeps a batch open for as long as it lives, also when the sweep throws.
class TOpenBatch {
  public:
    TOpenBatch(TContactBatch& batch, const std::vector<TMass*>& order, TCollisionQueue& queue, int mode)
        : batch_(batch) {
        batch_.Open(order, queue, mode);
    }
    ~TOpenBatch() { batch_.Close(); }
    TOpenBatch(const TOpenBatch&) = delete;
    TOpenBatch& operator=(const TOpenBatch&) = delete;

  private:
    TContactBatch& batch_;
};

} // namespace kel::tangle::detail
