#include "physics/contacts/collision_queue.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "physics/step/intrinsics.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

namespace {

// How far ahead the walks over many entries fetch what they will touch: far
// enough for a fetch from memory to arrive, near enough to stay in cache.
constexpr std::size_t kPrefetchAhead = 8;

// A later contact of a queued pair: the position is replaced, the force
// replaced or added.
void MergeContact(float& x, float& y, float& force, float newX, float newY, float newForce,
                  int mode) {
    x = newX;
    y = newY;
    if (mode == TColEvent::MODE_REPLACE)
        force = newForce;
    else
        force += newForce;
}

} // namespace

std::uint64_t TCollisionQueue::Hash(const core::Object* k1, const core::Object* k2) {
    // Addresses share their low bits; the multiplies move every bit upwards.
    // The table's mask looks at the low half after the fold, the slot's
    // check at the high half.
    const auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k1));
    const auto b = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k2));
    const std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

TCollisionQueue::Entry::Entry(const Key& key, TColEvent* event, const TContact& c)
    : k1(key.k1), k2(key.k2), force_(c.force), id_(0), massIsK1_(key.k1 == c.mass), hasEvent_(0),
      counted_(0) {
    if (event) {
        event->Retain();
        Adopt(event);
    } else if (FitsInline(c.id)) {
        at_.xy[0] = c.x;
        at_.xy[1] = c.y;
        id_ = c.id;
    } else {
        Adopt(TColEvent::CreateOfKind(c.id, c.mass, c.other, c.x, c.y, c.force).Detach());
    }
}

TCollisionQueue::Entry::Entry(const Key& key, const TContact& c, Counted)
    : k1(core::Ref<core::Object>::Adopt(key.k1)), k2(core::Ref<core::Object>::Adopt(key.k2)),
      force_(c.force), id_(c.id), massIsK1_(key.k1 == c.mass), hasEvent_(0), counted_(1) {
    at_.xy[0] = c.x;
    at_.xy[1] = c.y;
}

TColEvent* TCollisionQueue::Entry::Built() {
    if (!hasEvent_) {
        core::Object* mass = MassIsK1() ? k1.Get() : k2.Get();
        core::Object* other = MassIsK1() ? k2.Get() : k1.Get();
        // Only the library's own contacts are recorded, and their first
        // object is always a mass.
        Adopt(TColEvent::CreateOfKind(id_, static_cast<TMass*>(mass), other, at_.xy[0], at_.xy[1],
                                      force_)
                  .Detach());
    }
    return at_.event;
}

void TCollisionQueue::Entry::Merge(float x, float y, float force, int mode) {
    if (hasEvent_)
        MergeContact(at_.event->x, at_.event->y, at_.event->force, x, y, force, mode);
    else
        MergeContact(at_.xy[0], at_.xy[1], force_, x, y, force, mode);
}

std::int64_t TCollisionQueue::IndexOf(const Key& key) {
    IndexAll();
    if (slots_.empty()) return -1;
    const SlotWord check = SlotOf(key.hash, 0) - 1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = key.hash & mask;; s = (s + 1) & mask) {
        const SlotWord slot = slots_[s];
        if (slot == 0) return -1;
        if ((slot & ~std::uint64_t{0xFFFFFFFF}) != check) continue;
        const auto e = static_cast<std::int64_t>(slot & 0xFFFFFFFF) - 1;
        const Entry& entry = entries_[static_cast<std::size_t>(e)];
        if (entry.k1.Get() == key.k1 && entry.k2.Get() == key.k2) return e;
    }
}

void TCollisionQueue::IndexAll() {
    if (indexed_ == entries_.size()) return;
    // Keep the table at most half full so probes stay short.
    if (entries_.size() * 2 > slots_.size()) {
        std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
        while (entries_.size() * 2 > size) size *= 2;
        slots_.assign(size, 0);
        indexed_ = 0;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t e = indexed_; e < entries_.size(); ++e) {
        const std::uint64_t hash = Hash(entries_[e].k1, entries_[e].k2);
        std::size_t s = hash & mask;
        while (slots_[s] != 0) s = (s + 1) & mask;
        slots_[s] = SlotOf(hash, e);
    }
    indexed_ = entries_.size();
}

std::size_t TCollisionQueue::SlotOfEntry(std::size_t e) const {
    // The entry lies on its hash's probe path; slots freed meanwhile are
    // passed over, as the word sought is the entry's own.
    const std::uint64_t hash = Hash(entries_[e].k1, entries_[e].k2);
    const SlotWord word = SlotOf(hash, e);
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hash & mask;
    while (slots_[s] != word) s = (s + 1) & mask;
    return s;
}

TCollisionQueue::~TCollisionQueue() {
    if (ownerRefs_ == 0) return;
    // The world is ending: what the queue holds of it was never counted.
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        Entry& entry = entries_[e];
        if (entry.k1.Get() == owner_) entry.k1.Detach();
        if (entry.k2.Get() == owner_) entry.k2.Detach();
        if (TColEvent* event = entry.Event(); event && event->obj2.Get() == owner_)
            event->obj2.Detach();
    }
}

void TCollisionQueue::UncountOwner(Entry& e, bool eventOnly) {
    if (!owner_) return;
    std::int32_t n = 0;
    if (!eventOnly) n += int{e.k1.Get() == owner_} + int{e.k2.Get() == owner_};
    if (const TColEvent* event = e.Event(); event && event->obj2.Get() == owner_) ++n;
    if (n == 0) return;
    // Whoever works on the world holds it too: this never ends it.
    owner_->ReleaseMore(n);
    ownerRefs_ += static_cast<std::size_t>(n);
}

void TCollisionQueue::Add(const Key& key, TColEvent* event, const TContact& contact) {
    entries_.emplace_back(key, event, contact);
    UncountOwner(entries_[entries_.size() - 1]);
    IndexAll();
}

void TCollisionQueue::Record(const TContact& c, int mode) {
    if (batching_) {
        // Another object than a mass of the sweep: kept whole.
        batch_.push_back({kOtherObject | static_cast<std::uint32_t>(general_.size()), 0, 0, 0});
        general_.push_back(c);
        return;
    }
    RecordBatch();
    RecordNow(c, KeyOf(c.mass, c.other), mode);
}

void TCollisionQueue::RecordNow(const TContact& c, const Key& key, int mode) {
    const std::int64_t found = IndexOf(key);
    if (found < 0) {
        Add(key, nullptr, c);
        return;
    }
    entries_[static_cast<std::size_t>(found)].Merge(c.x, c.y, c.force, mode);
}

void TCollisionQueue::BeginBatch(const std::vector<TMass*>& order, int mode) {
    RecordBatch();
    order_ = &order;
    batchMode_ = mode;
    batching_ = true;
    // Turn 0 is under way from the start.
    turnStart_.resize(order.size() + 1);
    turnStart_[0] = 0;
    turnsBegun_ = 1;
}

void TCollisionQueue::EndBatch() {
    batching_ = false;
    const auto turns = static_cast<std::uint32_t>(order_->size());
    while (turnsBegun_ <= turns)
        turnStart_[turnsBegun_++] = static_cast<std::uint32_t>(batch_.size());
    RecordBatch();
}

TContact TCollisionQueue::ContactOf(const Deferred& item, std::uint32_t turn) const {
    if (item.other & kOtherObject) return general_[item.other & ~kOtherObject];
    const std::vector<TMass*>& masses = *order_;
    return {TColEvent::MASS_MASS, masses[turn], masses[item.other], item.x, item.y, item.force};
}

void TCollisionQueue::EmptyBatch() {
    batch_.clear();
    general_.clear();
}

void TCollisionQueue::RecordBatch() {
    // Nothing outside the library runs during a batch, so nobody can read
    // the table before it ends; recording part of it would lose its turns.
    if (batching_ || batch_.empty()) return;
    if (entries_.empty()) {
        RecordFirstBatch();
    } else {
        // Each contact looks its pair up, anywhere in the table: the slot is
        // fetched a few contacts ahead. The blocks of the batch go back to
        // the pool as they are passed, for the entries to take.
        IndexAll();
        const std::size_t items = batch_.size();
        std::uint32_t turn = 0, aheadTurn = 0;
        for (std::size_t b = 0; b < items; ++b) {
            if (b + kPrefetchAhead < items) {
                while (turnStart_[aheadTurn + 1] <= b + kPrefetchAhead) ++aheadTurn;
                const TContact c = ContactOf(batch_[b + kPrefetchAhead], aheadTurn);
                Prefetch(&slots_[KeyOf(c.mass, c.other).hash & (slots_.size() - 1)]);
            }
            while (turnStart_[turn + 1] <= b) ++turn;
            const TContact c = ContactOf(batch_[b], turn);
            batch_.DropBefore(b);
            RecordNow(c, KeyOf(c.mass, c.other), batchMode_);
        }
    }
    EmptyBatch();
}

std::int64_t TCollisionQueue::EntryAmong(std::size_t begin, std::size_t end, core::Object* a,
                                   core::Object* b) const {
    const Key pair = PairOf(a, b);
    for (std::size_t e = begin; e < end; ++e) {
        const Entry& entry = entries_[e];
        if (entry.k1.Get() == pair.k1 && entry.k2.Get() == pair.k2)
            return static_cast<std::int64_t>(e);
    }
    return -1;
}

std::int64_t TCollisionQueue::EarlierMeeting(const Deferred& item, std::uint32_t turn,
                                       const TContact& c) const {
    // An earlier contact with the same object in this turn made its entry
    // in this turn.
    if (item.other & kOtherObject)
        return EntryAmong(entryStart_[turn], entries_.size(), c.mass, c.other);
    // The other mass's turn came first when it stands earlier in the order;
    // its contact with this turn's mass made an entry then.
    if (item.other > turn) return -1;
    return EntryAmong(entryStart_[item.other], entryStart_[item.other + 1], c.mass, c.other);
}

void TCollisionQueue::RecordFirstBatch() {
    // A contact with a mass whose turn came first looks through the entries
    // made in that turn and may merge into one of them. Those entries, and
    // where the other mass stands in the order, lie anywhere in memory: they
    // are fetched a few contacts ahead. The masses themselves are not: the
    // entries of two masses are counted per mass, and the references added
    // when the batch is recorded, in list order. The blocks of the batch go
    // back to the pool as they are passed, for the entries to take.
    const std::vector<TMass*>& masses = *order_;
    const auto turns = static_cast<std::uint32_t>(masses.size());
    entryStart_.resize(turns + 1);
    BeginNaming(masses);
    const std::size_t items = batch_.size();
    for (std::uint32_t turn = 0; turn < turns; ++turn) {
        entryStart_[turn] = static_cast<std::uint32_t>(entries_.size());
        for (std::size_t b = turnStart_[turn]; b < turnStart_[turn + 1]; ++b) {
            if (b + kPrefetchAhead < items) {
                const Deferred& ahead = batch_[b + kPrefetchAhead];
                if (!(ahead.other & kOtherObject)) {
                    if (ahead.other < turn &&
                        entryStart_[ahead.other] < entryStart_[ahead.other + 1])
                        Prefetch(&entries_[entryStart_[ahead.other]]);
                    Prefetch(&masses[ahead.other]);
                }
            }
            const Deferred& item = batch_[b];
            const TContact c = ContactOf(item, turn);
            const std::int64_t met = EarlierMeeting(item, turn, c);
            batch_.DropBefore(b);
            if (met >= 0) {
                // The entry is this batch's own: nobody has asked for its event.
                entries_[static_cast<std::size_t>(met)].Merge(c.x, c.y, c.force, batchMode_);
            } else if (item.other & kOtherObject) {
                entries_.emplace_back(PairOf(c.mass, c.other), nullptr, c);
                UncountOwner(entries_[entries_.size() - 1]);
            } else {
                entries_.emplace_back(PairOf(c.mass, c.other), c, Entry::Counted{});
                ++named_[turn];
                ++named_[item.other];
            }
        }
    }
    entryStart_[turns] = static_cast<std::uint32_t>(entries_.size());
    RetainTurns(0, turns);
}

void TCollisionQueue::Post(TColEvent* event, int mode) {
    RecordBatch();
    const Key key = KeyOf(event->obj1.Get(), event->obj2.Get());
    const std::int64_t found = IndexOf(key);
    if (found < 0) {
        Add(key, event, TContact{event->id, nullptr, nullptr, 0, 0, 0});
        return;
    }
    Entry& e = entries_[static_cast<std::size_t>(found)];
    if (e.Event() == event) return; // posted twice: already recorded
    e.Merge(event->x, event->y, event->force, mode);
}

TColEvent* TCollisionQueue::EventOf(Entry& e) {
    if (TColEvent* event = e.Event()) return event;
    TColEvent* event = e.Built();
    UncountOwner(e, true);
    return event;
}

TColEvent* TCollisionQueue::Find(core::Object* a, core::Object* b) {
    RecordBatch();
    const std::int64_t found = IndexOf(KeyOf(a, b));
    return found < 0 ? nullptr : EventOf(entries_[static_cast<std::size_t>(found)]);
}

TColEvent* TCollisionQueue::Peek() {
    RecordBatch();
    return head_ < entries_.size() ? EventOf(entries_[head_]) : nullptr;
}

TColEvent* TCollisionQueue::Pop() {
    RecordBatch();
    return head_ < entries_.size() ? EventOf(entries_[head_++]) : nullptr;
}

void TCollisionQueue::Clear() {
    RecordBatch();
    // What leaves the queue counts its references to the world again.
    if (ownerRefs_ != 0) {
        owner_->RetainMore(static_cast<std::int32_t>(ownerRefs_));
        ownerRefs_ = 0;
    }
    // Entries may hold the last reference to masses whose destruction runs
    // arbitrary code: the table is emptied first (only the slots in use are
    // reset, so that clearing costs what was recorded), and the entries let
    // go of their objects after, with the objects fetched a few entries ahead.
    for (std::size_t e = 0; e < indexed_; ++e) slots_[SlotOfEntry(e)] = 0;
    indexed_ = 0;
    head_ = 0;
    // The entries of two masses whose references were counted per mass let
    // go of them without touching them; the masses are released after, in
    // list order.
    TChunkedArray<Entry> dropped(pool_);
    dropped.swap(entries_);
    const std::size_t count = dropped.size();
    dropped.clear([&dropped, count](std::size_t e) {
        if (e + kPrefetchAhead < count && !dropped[e + kPrefetchAhead].IsCounted()) {
            Prefetch(dropped[e + kPrefetchAhead].k1.Get());
            Prefetch(dropped[e + kPrefetchAhead].k2.Get());
        }
        dropped[e].ForgetCounted();
    });
    // The blocks went back to the pool; the list of them goes back to the
    // entries.
    entries_.swap(dropped);
    // Taken out first: a mass's destruction may record into the table again.
    std::vector<TMass*> masses;
    std::vector<std::uint32_t> counts;
    masses.swap(namedMasses_);
    counts.swap(named_);
    for (std::size_t k = 0; k < masses.size(); ++k)
        if (counts[k] != 0) masses[k]->ReleaseMore(static_cast<std::int32_t>(counts[k]));
    // Their room is kept for the next step's, unless that has begun.
    masses.clear();
    counts.clear();
    if (namedMasses_.empty()) namedMasses_.swap(masses);
    if (named_.empty()) named_.swap(counts);
}

bool TCollisionQueue::SlotHolds(std::size_t e) const {
    if (slots_.empty()) return false;
    const std::uint64_t hash = Hash(entries_[e].k1, entries_[e].k2);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = hash & mask; slots_[s] != 0; s = (s + 1) & mask)
        if (slots_[s] == SlotOf(hash, e)) return true;
    return false;
}

const char* TCollisionQueue::BrokenInvariant() const {
    if (!batch_.empty()) return "pair table: contacts left unrecorded";
    if (head_ > entries_.size()) return "pair table: queue head past its end";
    if (indexed_ > entries_.size()) return "pair table: index past the entries";
    std::vector<std::pair<const core::Object*, const core::Object*>> pairs;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        if (std::less<const core::Object*>()(entry.k2.Get(), entry.k1.Get()))
            return "pair table: keys out of address order";
        if (e < indexed_ && !SlotHolds(e)) return "pair table: entry not in its slot";
        pairs.emplace_back(entry.k1.Get(), entry.k2.Get());
    }
    std::sort(pairs.begin(), pairs.end(), std::less<>());
    if (std::adjacent_find(pairs.begin(), pairs.end()) != pairs.end())
        return "pair table: pair recorded twice";
    return nullptr;
}

} // namespace kel::tangle::detail
