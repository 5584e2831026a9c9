#include "core/hook.h"

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "core/error.h"

namespace core {
namespace {

struct THook final : Object {
    Ref<THook> succ;
    int priority = 0;
    HookFunc func = nullptr;
    Ref<Object> context;
};

int hookIdCount = 0;
std::array<Ref<THook>, MAX_HOOK_IDS> chains;

Ref<THook>* Chain(int id) { return id >= 0 && id < MAX_HOOK_IDS ? &chains[id] : nullptr; }

// Chains run without counting references to their hooks, so that worlds
// stepped on several threads at once can run one chain together. A hook
// taken out of a chain while a chain runs (a hook may remove itself) is
// kept until no chain runs, since a run may still be on it.
std::atomic<int> running{0};
std::mutex retiredLock;
std::vector<Ref<THook>> retired;

void ReleaseRetired() {
    const std::lock_guard<std::mutex> hold(retiredLock);
    if (running.load(std::memory_order_acquire) == 0) retired.clear();
}

struct TRun {
    TRun() { running.fetch_add(1, std::memory_order_acq_rel); }
    ~TRun() {
        if (running.fetch_sub(1, std::memory_order_acq_rel) == 1) ReleaseRetired();
    }
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;
};

} // namespace

int AllocHookId() {
    if (hookIdCount >= MAX_HOOK_IDS) throw RuntimeError("Too many hook ids");
    return hookIdCount++;
}

void AddHook(int id, HookFunc func, Object* context, int priority) {
    Ref<THook>* at = Chain(id);
    if (!at || !func) return;
    while (*at && (*at)->priority >= priority) at = &(*at)->succ;
    Ref<THook> hook = Make<THook>();
    hook->priority = priority;
    hook->func = func;
    hook->context = context;
    hook->succ = *at;
    *at = hook;
}

void RemoveHook(int id, HookFunc func, Object* context) {
    Ref<THook>* at = Chain(id);
    if (!at) return;
    for (; *at; at = &(*at)->succ) {
        if ((*at)->func == func && (*at)->context.Get() == context) {
            Ref<THook> gone = *at;
            *at = gone->succ;
            {
                const std::lock_guard<std::mutex> hold(retiredLock);
                retired.push_back(std::move(gone));
            }
            ReleaseRetired();
            return;
        }
    }
}

bool HasHooks(int id) {
    Ref<THook>* at = Chain(id);
    return at && *at;
}

Ref<Object> RunHooks(int id, Object* data) {
    Ref<Object> current(data);
    Ref<THook>* at = Chain(id);
    if (!at) return current;
    // No counting on the hooks: another thread may run the chain too. A
    // hook that removes itself is retired, not freed, while the run lasts.
    const TRun run;
    for (THook* h = at->Get(); h; h = h->succ.Get()) current = h->func(id, current, h->context);
    return current;
}

} // namespace core
