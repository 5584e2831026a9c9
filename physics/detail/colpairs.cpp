#include "physics/detail/colpairs.h"

#include <functional>
#include <utility>

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

std::int64_t TColPairs::IndexOf(const Key& key) const {
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

void TColPairs::Add(const Key& key, TColEvent* event, const TContact& contact) {
    // Keep the table at most half full so probes stay short.
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = key.hash & mask;
    while (slots_[s] != 0) s = (s + 1) & mask;
    slots_[s] = SlotOf(key.hash, entries_.size());
    entries_.emplace_back(key, event, contact).slot = static_cast<std::uint32_t>(s);
}

void TColPairs::Record(const TContact& c, int mode) {
    if (batching_) {
        Defer(c, mode);
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

void TColPairs::PrefetchSlot(const Deferred& item) const {
    // The pair's slot, and the two objects a new entry takes a reference to.
    __builtin_prefetch(item.key.k1);
    __builtin_prefetch(item.key.k2);
    if (!slots_.empty()) __builtin_prefetch(&slots_[item.key.hash & (slots_.size() - 1)]);
}

void TColPairs::PrefetchEntry(const Deferred& item) const {
    // The entry the pair's slot names, if any: by now the slot has arrived.
    if (slots_.empty()) return;
    const SlotWord slot = slots_[item.key.hash & (slots_.size() - 1)];
    if (slot != 0) __builtin_prefetch(&entries_[(slot & 0xFFFFFFFF) - 1]);
}

void TColPairs::RecordBatch() {
    // Recording a contact reads its pair's slot, then the entry the slot
    // names: both lie anywhere in memory. They are fetched ahead in two
    // stages, the slot two distances ahead and the entry one distance ahead.
    const std::size_t n = batch_.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (k + 2 * kPrefetchAhead < n) PrefetchSlot(batch_[k + 2 * kPrefetchAhead]);
        if (k + kPrefetchAhead < n) PrefetchEntry(batch_[k + kPrefetchAhead]);
        RecordNow(batch_[k].contact, batch_[k].key, batchMode_);
    }
    batch_.clear();
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
        e.event = TColEvent::CreateOfKind(e.id, static_cast<TMass*>(mass), other, e.x, e.y,
                                          e.force);
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

void TColPairs::Grow() {
    const std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const std::uint64_t hash = Hash(entries_[e].k1, entries_[e].k2);
        std::size_t s = hash & mask;
        while (slots_[s] != 0) s = (s + 1) & mask;
        slots_[s] = SlotOf(hash, e);
        entries_[e].slot = static_cast<std::uint32_t>(s);
    }
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
    for (const Entry& e : dropped) slots_[e.slot] = 0;
    for (std::size_t e = 0; e < dropped.size(); ++e) {
        if (e + kPrefetchAhead < dropped.size()) {
            __builtin_prefetch(dropped[e + kPrefetchAhead].k1.Get());
            __builtin_prefetch(dropped[e + kPrefetchAhead].k2.Get());
        }
        dropped[e] = Entry{};
    }
    dropped.clear();
    entries_.swap(dropped);
}

const char* TColPairs::BrokenInvariant() const {
    if (!batch_.empty()) return "pair table: contacts left unrecorded";
    if (head_ > entries_.size()) return "pair table: queue head past its end";
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        if (std::less<const core::Object*>()(entry.k2.Get(), entry.k1.Get()))
            return "pair table: keys out of address order";
        if (entry.slot >= slots_.size() ||
            slots_[entry.slot] != SlotOf(Hash(entry.k1, entry.k2), e))
            return "pair table: entry not in its slot";
        if (IndexOf(KeyOf(entry.k1, entry.k2)) != static_cast<std::int64_t>(e))
            return "pair table: pair recorded twice or not found";
    }
    return nullptr;
}

} // namespace kel::tangle::detail
