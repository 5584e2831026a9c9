#pragma once
// The GUI subsystem: hook chains, events and their queue, timers, and the
// window, canvas, button and labels behind a GUI driver.

#include "core/hook.h"
#include "gui/display.h"
#include "gui/event.h"
#include "gui/event_queue.h"
#include "gui/gadget.h"
#include "gui/gui_driver.h"
#include "gui/headless.h"
#include "gui/system_driver.h"
#include "gui/timer.h"

namespace gui {

using core::AddHook;
using core::AllocHookId;
using core::HookFunc;
using core::RemoveHook;
using core::RunHooks;

} // namespace gui
