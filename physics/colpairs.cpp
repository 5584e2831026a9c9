#include "physics/colpairs.h"

#include "physics/colevent.h"

namespace kel::tangle {

std::size_t TColPairs::Hash(core::Object* k1, core::Object* k2) {
    // Addresses share their low bits; the multiply moves every bit upwards and
    // the fold brings the well-mixed high half down to where the mask looks.
    auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k1));
    auto b = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(k2));
    std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

TColEvent* TColPairs::Find(core::Object* k1, core::Object* k2) const {
    if (slots_.empty()) return nullptr;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t s = Hash(k1, k2) & mask;; s = (s + 1) & mask) {
        std::int32_t e = slots_[s];
        if (e < 0) return nullptr;
        const Entry& entry = entries_[static_cast<std::size_t>(e)];
        if (entry.k1.Get() == k1 && entry.k2.Get() == k2) return entry.event.Get();
    }
}

void TColPairs::Add(core::Object* k1, core::Object* k2, TColEvent* event) {
    // Keep the table at most half full so probes stay short.
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    std::size_t mask = slots_.size() - 1;
    std::size_t s = Hash(k1, k2) & mask;
    while (slots_[s] >= 0) s = (s + 1) & mask;
    slots_[s] = static_cast<std::int32_t>(entries_.size());
    entries_.push_back(Entry{k1, k2, event, static_cast<std::uint32_t>(s)});
}

void TColPairs::Grow() {
    std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(size, -1);
    std::size_t mask = size - 1;
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        std::size_t s = Hash(entries_[e].k1, entries_[e].k2) & mask;
        while (slots_[s] >= 0) s = (s + 1) & mask;
        slots_[s] = static_cast<std::int32_t>(e);
        entries_[e].slot = static_cast<std::uint32_t>(s);
    }
}

TColEvent* TColPairs::Peek() const {
    return head_ < entries_.size() ? entries_[head_].event.Get() : nullptr;
}

TColEvent* TColPairs::Pop() {
    return head_ < entries_.size() ? entries_[head_++].event.Get() : nullptr;
}

void TColPairs::Clear() {
    // Only the slots in use are reset: clearing costs what was recorded.
    for (const Entry& e : entries_) slots_[e.slot] = -1;
    // Events may hold the last reference to masses whose destruction runs
    // arbitrary code; empty the array first so nothing sees a half-cleared one.
    std::vector<Entry> dropped;
    dropped.swap(entries_);
    head_ = 0;
    dropped.clear();
    entries_.swap(dropped);
}

} // namespace kel::tangle
