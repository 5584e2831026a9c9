#include "physics/bodies/mass_extras.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "physics/advbody.h"
#include "physics/grid/grid.h"
#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle::detail {

namespace {

// Locked: worlds on several threads ask at once.
struct TExtras {
    std::mutex lock;
    std::unordered_map<const TMass*, TUserData> data;
    // Each body with the world that was current on its thread as it was
    // made: a lookup reads only the tables of the mass's own world's bodies,
    // which the thread that has that world is the one to change.
    std::unordered_map<const TAdvBody*, const TPhysics*> bodies;
    // Bodies found for masses, checked again at every lookup (a mass may
    // have left the table, or another body taken it).
    std::unordered_map<const TMass*, const TAdvBody*> found;
    std::atomic<bool> anyMass{false};
};

// Never destroyed: masses and bodies may outlive every other static object.
TExtras& Extras() {
    static auto* extras = new TExtras;
    return *extras;
}

bool Holds(const TAdvBody* b, const TMass* m) { return b->MassGet(m->GetIndex()) == m; }

} // namespace

TUserData UserDataOf(const TMass* m) {
    TExtras& x = Extras();
    if (!x.anyMass.load(std::memory_order_acquire)) return {};
    const std::lock_guard<std::mutex> hold(x.lock);
    const auto it = x.data.find(m);
    return it == x.data.end() ? TUserData{} : it->second;
}

void SetUserDataOf(const TMass* m, const TUserData& data) {
    TExtras& x = Extras();
    const std::lock_guard<std::mutex> hold(x.lock);
    if (!data.pointer && data.value == 0) {
        x.data.erase(m);
        return;
    }
    x.data[m] = data;
    x.anyMass.store(true, std::memory_order_release);
}

TAdvBody* BodyOf(const TMass* m) {
    if (!m || m->GetIndex() < 0) return nullptr;
    TExtras& x = Extras();
    const std::lock_guard<std::mutex> hold(x.lock);
    if (const auto it = x.found.find(m); it != x.found.end()) {
        if (x.bodies.count(it->second) && Holds(it->second, m))
            return const_cast<TAdvBody*>(it->second);
        x.found.erase(it);
    }
    const TPhysics* world = WorldOf(m);
    for (const auto& [b, of] : x.bodies) {
        if ((of && of != world) || !Holds(b, m)) continue;
        x.found[m] = b;
        x.anyMass.store(true, std::memory_order_release);
        return const_cast<TAdvBody*>(b);
    }
    return nullptr;
}

void ForgetMass(const TMass* m) noexcept {
    TExtras& x = Extras();
    if (!x.anyMass.load(std::memory_order_acquire)) return;
    const std::lock_guard<std::mutex> hold(x.lock);
    x.data.erase(m);
    x.found.erase(m);
}

void NoteBody(const TAdvBody* b) {
    TExtras& x = Extras();
    const std::lock_guard<std::mutex> hold(x.lock);
    x.bodies.emplace(b, currentWorld.Get());
}

void ForgetBody(const TAdvBody* b) noexcept {
    TExtras& x = Extras();
    const std::lock_guard<std::mutex> hold(x.lock);
    x.bodies.erase(b);
}

} // namespace kel::tangle::detail
