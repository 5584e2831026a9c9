#include "core/hook.h"

#include <array>

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
            *at = Ref<THook>((*at)->succ); // copy first: the assignment frees the hook
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
    // Hold each hook while it runs: it may remove itself from its chain.
    for (Ref<THook> h = *at; h; h = h->succ) current = h->func(id, current, h->context);
    return current;
}

} // namespace core
