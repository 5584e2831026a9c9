#pragma once
// Internal: the pair of drivers a back end installs, and how one is chosen.

#include "core/object.h"
#include "gui/gui_driver.h"
#include "gui/system_driver.h"

namespace gui {

struct TBackend {
    core::Ref<TSystemDriver> system;
    core::Ref<TPaneGUIDriver> gui;
};

using BackendMaker = TBackend (*)();

// Chooses the back end that `make` builds for this process, unless another
// was chosen before; true when `make`'s is the one in use. The back end is
// built on the first gadget, timer or dispatch.
bool UseBackend(BackendMaker make);

TBackend MakeHeadlessBackend();

} // namespace gui

namespace gui {

// Main thread, inside dispatch: a tick of native timer `handle` arrived.
// Ignored when that timer has been stopped meanwhile.
void DeliverTimerMessage(int handle);
int RunningTimerCount();
// Stops every running timer and joins its thread.
void StopAllTimers();
#ifdef __EMSCRIPTEN__
// The web build's timers have no threads: the back end calls this on each
// frame to post the tick of every timer whose period has come.
void DeliverDueTimers();
#endif

} // namespace gui
