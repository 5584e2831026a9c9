#include "core/live_count.h"

#include <cxxabi.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "core/object.h"

namespace core {
namespace {

// An open-addressing table keyed by the address of the class's type_info:
// looking a class up takes no lock, and a class claims its slot once with a
// compare-and-swap. Slot 0 stays free: an object's slot 0 means "not counted".
constexpr int SLOT_BITS = 10;
constexpr std::uint32_t SLOTS = 1u << SLOT_BITS;
constexpr std::uint32_t SLOT_MASK = SLOTS - 1;
static_assert(SLOTS == MAX_COUNTED_CLASSES + 1);

// Both are constant-initialised and trivially destroyed, so objects made or
// destroyed while the program's statics start or end are counted safely.
std::array<std::atomic<const std::type_info*>, SLOTS> slotClass{};
std::array<std::atomic<std::int64_t>, SLOTS> slotLive{};

std::uint32_t HomeSlot(const std::type_info* type) {
    // Fibonacci hashing: the top bits of the address times 2^64 / phi.
    const std::uint64_t key = reinterpret_cast<std::uintptr_t>(type);
    return static_cast<std::uint32_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - SLOT_BITS));
}

// The slot of a class, claimed on first use; 0 when the table is full.
std::uint32_t ClaimSlot(const std::type_info* type) noexcept {
    const std::uint32_t home = HomeSlot(type);
    for (std::uint32_t probe = 0; probe < SLOTS; ++probe) {
        const std::uint32_t slot = (home + probe) & SLOT_MASK;
        if (slot == 0) continue;
        const std::type_info* held = slotClass[slot].load(std::memory_order_acquire);
        if (!held && slotClass[slot].compare_exchange_strong(held, type, std::memory_order_acq_rel))
            return slot;
        if (held == type) return slot; // also when another thread claimed it first
    }
    return 0;
}

// The slot a class already has, or 0.
std::uint32_t FindSlot(const std::type_info* type) {
    const std::uint32_t home = HomeSlot(type);
    for (std::uint32_t probe = 0; probe < SLOTS; ++probe) {
        const std::uint32_t slot = (home + probe) & SLOT_MASK;
        if (slot == 0) continue;
        const std::type_info* held = slotClass[slot].load(std::memory_order_acquire);
        if (held == type) return slot;
        if (!held) return 0;
    }
    return 0;
}

std::string ReadableName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

} // namespace

void Object::JoinLiveCount() const noexcept {
    liveSlot_ = ClaimSlot(&typeid(*this));
    if (liveSlot_) slotLive[liveSlot_].fetch_add(1, std::memory_order_relaxed);
}

void Object::LeaveLiveCount(std::uint32_t slot) noexcept {
    slotLive[slot].fetch_sub(1, std::memory_order_relaxed);
}

std::int64_t LiveObjectCount(const std::type_info& type) {
    const std::uint32_t slot = FindSlot(&type);
    return slot ? slotLive[slot].load(std::memory_order_relaxed) : 0;
}

std::map<std::string, std::int64_t> LiveObjectCounts() {
    std::map<std::string, std::int64_t> counts;
    for (std::uint32_t slot = 1; slot < SLOTS; ++slot) {
        // Two type_infos of one class (from two shared objects) add up under one name.
        if (const std::type_info* type = slotClass[slot].load(std::memory_order_acquire))
            counts[ReadableName(*type)] += slotLive[slot].load(std::memory_order_relaxed);
    }
    return counts;
}

} // namespace core
