#pragma once
// Hook chains: numbered chains of functions that see, change, replace or drop
// an object on its way through the system. They live in core because the
// drawing surface (Flip), the GUI (events) and the physics library
// (collisions) all run chains; gui/gui.h brings them into namespace gui.
//
// Several threads may run one chain at once (worlds stepped on two threads
// share the collision chain); each hook then runs on the thread that ran the
// chain, and must be safe there. Adding and removing hooks is for a time when
// no other thread runs the chain; a hook may remove itself while it runs.

#include "core/object.h"

namespace core {

constexpr int MAX_HOOK_IDS = 256;

/// Receives the current data and the context given to AddHook; its result is
/// the data for the next hook (null passes "none" on).
using HookFunc = Ref<Object> (*)(int id, Object* data, Object* context);

/// The next free id, from 0; the 257th call throws "Too many hook ids".
int AllocHookId();
/// Inserts after every hook of priority >= priority (higher runs earlier).
void AddHook(int id, HookFunc func, Object* context = nullptr, int priority = 0);
/// Unlinks the first hook with this function and context, if any.
void RemoveHook(int id, HookFunc func, Object* context = nullptr);
/// Passes `data` through the chain's hooks in order; their last result.
Ref<Object> RunHooks(int id, Object* data);
/// Whether the chain holds any hook, i.e. whether RunHooks may run outside code.
bool HasHooks(int id);

} // namespace core
