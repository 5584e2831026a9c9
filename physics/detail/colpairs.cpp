#include "physics/detail/colpairs.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "physics/detail/intrinsics.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

TColPairs colPairs;

namespace {

// How far ahead the walks over many entries fetch what they will touch: far
// enough for a fetch from memory to arrive, near enough to stay in cache.
constexpr std::size_t kPrefetchAhead = 8;

// A later contact of a queued pair: the position is replaced, the force
// replaced or added.
void Merge(float& x, float& y, float& force, float newX, float newY, float newForce, int mode) {
    x = newX;
    y = newY;
    if (mode == TColEvent::MODE_REPLACE)
        force = newForce;
    else
        force += newForce;
}

} // namespace

std::uint64_t TColPairs::Hash(const core::Object* k1, const core::Object* k2) {
    // Addresses share their low bits; the multiplies move every bit upwards.
    // The table's mask looks at the low half after the fold, the slot's
    // check at the high half.
    const auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k1));
    const auto b = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k2));
    const std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

std::int64_t TColPairs::IndexOf(const Key& key) {
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

void TColPairs::IndexAll() {
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
        entries_[e].slot = static_cast<std::uint32_t>(s);
    }
    indexed_ = entries_.size();
}

void TColPairs::Add(const Key& key, TColEvent* event, const TContact& contact) {
    entries_.emplace_back(key, event, contact);
    IndexAll();
}

void TColPairs::Record(const TContact& c, int mode) {
    if (batching_) {
        // Another object than a mass of the sweep: kept whole.
        batch_.push_back(
            {turn_, kOtherObject | static_cast<std::uint32_t>(general_.size()), 0, 0, 0});
        general_.push_back(c);
        return;
    }
    RecordBatch();
    RecordNow(c, KeyOf(c.mass, c.other), mode);
}

void TColPairs::RecordNow(const TContact& c, const Key& key, int mode) {
    const std::int64_t found = IndexOf(key);
    if (found < 0) {
        Add(key, nullptr, c);
        return;
    }
    Entry& e = entries_[static_cast<std::size_t>(found)];
    if (TColEvent* event = e.event.Get())
        Merge(event->x, event->y, event->force, c.x, c.y, c.force, mode);
    else
        Merge(e.x, e.y, e.force, c.x, c.y, c.force, mode);
}

void TColPairs::BeginBatch(const std::vector<TMass*>& order, int mode) {
    RecordBatch();
    order_ = &order;
    turn_ = 0;
    batchMode_ = mode;
    batching_ = true;
}

void TColPairs::EndBatch() {
    batching_ = false;
    RecordBatch();
}

TContact TColPairs::ContactOf(const Deferred& item) const {
    if (item.other & kOtherObject) return general_[item.other & ~kOtherObject];
    const std::vector<TMass*>& masses = *order_;
    return {
        TColEvent::MASS_MASS, masses[item.turn], masses[item.other], item.x, item.y, item.force};
}

void TColPairs::RecordBatch() {
    // Nothing outside the library runs during a batch, so nobody can read
    // the table before it ends; recording part of it would lose its turns.
    if (batching_ || batch_.empty()) return;
    if (entries_.empty()) {
        RecordFirstBatch();
    } else {
        // Each contact looks its pair up, anywhere in the table: the slot is
        // fetched a few contacts ahead.
        IndexAll();
        for (std::size_t b = 0; b < batch_.size(); ++b) {
            if (b + kPrefetchAhead < batch_.size()) {
                const TContact c = ContactOf(batch_[b + kPrefetchAhead]);
                Prefetch(&slots_[KeyOf(c.mass, c.other).hash & (slots_.size() - 1)]);
            }
            const TContact c = ContactOf(batch_[b]);
            RecordNow(c, KeyOf(c.mass, c.other), batchMode_);
        }
    }
    batch_.clear();
    general_.clear();
}

std::int64_t TColPairs::EarlierMeeting(std::size_t at) const {
    const Deferred& item = batch_[at];
    const std::uint32_t turn = item.turn;
    if (item.other & kOtherObject) {
        const core::Object* other = general_[item.other & ~kOtherObject].other;
        for (std::size_t b = turnStart_[turn]; b < at; ++b) {
            if ((batch_[b].other & kOtherObject) &&
                general_[batch_[b].other & ~kOtherObject].other == other)
                return entryOf_[b];
        }
        return -1;
    }
    // The other mass's turn came first when it stands earlier in the order.
    if (item.other > turn) return -1;
    for (std::size_t b = turnStart_[item.other]; b < turnStart_[item.other + 1]; ++b) {
        if (batch_[b].other == turn) return entryOf_[b];
    }
    return -1;
}

void TColPairs::RecordFirstBatch() {
    // Where each turn's contacts begin: turn k's are [turnStart_[k],
    // turnStart_[k + 1]).
    const std::size_t turns = order_->size();
    turnStart_.resize(turns + 1);
    std::size_t next = 0;
    for (std::size_t b = 0; b < batch_.size(); ++b) {
        while (next <= batch_[b].turn) turnStart_[next++] = static_cast<std::uint32_t>(b);
    }
    while (next <= turns) turnStart_[next++] = static_cast<std::uint32_t>(batch_.size());

    // A contact with a mass whose turn came first looks through that turn's
    // contacts and may merge into one of its entries; a new entry takes a
    // reference to the other mass. All of them lie anywhere in memory: they
    // are fetched a few contacts ahead.
    entryOf_.resize(batch_.size());
    for (std::size_t b = 0; b < batch_.size(); ++b) {
        if (b + kPrefetchAhead < batch_.size()) {
            const Deferred& ahead = batch_[b + kPrefetchAhead];
            if (!(ahead.other & kOtherObject)) {
                if (ahead.other < ahead.turn) {
                    const std::uint32_t first = turnStart_[ahead.other];
                    Prefetch(&batch_[first]);
                    if (ahead.other < batch_[b].turn && first < turnStart_[ahead.other + 1])
                        Prefetch(&entries_[entryOf_[first]]);
                }
                Prefetch((*order_)[ahead.other]);
            }
        }
        const Deferred& item = batch_[b];
        const TContact c = ContactOf(item);
        const std::int64_t met = EarlierMeeting(b);
        if (met >= 0) {
            // The entry is this batch's own: nobody has asked for its event.
            Entry& e = entries_[static_cast<std::size_t>(met)];
            Merge(e.x, e.y, e.force, c.x, c.y, c.force, batchMode_);
            entryOf_[b] = static_cast<std::uint32_t>(met);
        } else {
            entryOf_[b] = static_cast<std::uint32_t>(entries_.size());
            entries_.emplace_back(PairOf(c.mass, c.other), nullptr, c);
        }
    }
}

void TColPairs::Post(TColEvent* event, int mode) {
    RecordBatch();
    const Key key = KeyOf(event->obj1.Get(), event->obj2.Get());
    const std::int64_t found = IndexOf(key);
    if (found < 0) {
        Add(key, event, TContact{event->id, nullptr, nullptr, 0, 0, 0});
        return;
    }
    Entry& e = entries_[static_cast<std::size_t>(found)];
    if (TColEvent* queued = e.event.Get()) {
        if (queued == event) return; // posted twice: already recorded
        Merge(queued->x, queued->y, queued->force, event->x, event->y, event->force, mode);
    } else {
        Merge(e.x, e.y, e.force, event->x, event->y, event->force, mode);
    }
}

TColEvent* TColPairs::Built(Entry& e) {
    if (!e.event) {
        core::Object* mass = e.massIsK1 ? e.k1.Get() : e.k2.Get();
        core::Object* other = e.massIsK1 ? e.k2.Get() : e.k1.Get();
        // Only the library's own contacts are recorded, and their first
        // object is always a mass.
        e.event =
            TColEvent::CreateOfKind(e.id, static_cast<TMass*>(mass), other, e.x, e.y, e.force);
    }
    return e.event.Get();
}

TColEvent* TColPairs::Find(core::Object* a, core::Object* b) {
    RecordBatch();
    const std::int64_t found = IndexOf(KeyOf(a, b));
    return found < 0 ? nullptr : Built(entries_[static_cast<std::size_t>(found)]);
}

TColEvent* TColPairs::Peek() {
    RecordBatch();
    return head_ < entries_.size() ? Built(entries_[head_]) : nullptr;
}

TColEvent* TColPairs::Pop() {
    RecordBatch();
    return head_ < entries_.size() ? Built(entries_[head_++]) : nullptr;
}

void TColPairs::Clear() {
    RecordBatch();
    // Entries may hold the last reference to masses whose destruction runs
    // arbitrary code: the table is emptied first (only the slots in use are
    // reset, so that clearing costs what was recorded), and the entries let
    // go of their objects after, with the objects fetched a few entries ahead.
    std::vector<Entry> dropped;
    dropped.swap(entries_);
    head_ = 0;
    for (std::size_t e = 0; e < indexed_; ++e) slots_[dropped[e].slot] = 0;
    indexed_ = 0;
    for (std::size_t e = 0; e < dropped.size(); ++e) {
        if (e + kPrefetchAhead < dropped.size()) {
            Prefetch(dropped[e + kPrefetchAhead].k1.Get());
            Prefetch(dropped[e + kPrefetchAhead].k2.Get());
        }
        dropped[e] = Entry{};
    }
    dropped.clear();
    entries_.swap(dropped);
}

const char* TColPairs::BrokenInvariant() const {
    if (!batch_.empty()) return "pair table: contacts left unrecorded";
    if (head_ > entries_.size()) return "pair table: queue head past its end";
    if (indexed_ > entries_.size()) return "pair table: index past the entries";
    std::vector<std::pair<const core::Object*, const core::Object*>> pairs;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        if (std::less<const core::Object*>()(entry.k2.Get(), entry.k1.Get()))
            return "pair table: keys out of address order";
        if (e < indexed_ && (entry.slot >= slots_.size() ||
                             slots_[entry.slot] != SlotOf(Hash(entry.k1, entry.k2), e)))
            return "pair table: entry not in its slot";
        pairs.emplace_back(entry.k1.Get(), entry.k2.Get());
    }
    std::sort(pairs.begin(), pairs.end(), std::less<>());
    if (std::adjacent_find(pairs.begin(), pairs.end()) != pairs.end())
        return "pair table: pair recorded twice";
    return nullptr;
}

} // namespace kel::tangle::detail
