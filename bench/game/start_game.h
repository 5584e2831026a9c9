#pragma once
// The game started once per benchmark program: headless GUI, recording
// drawing, the media of the source tree.

#include <unistd.h>

#include <cstdlib>

#include "game/frame.h"
#include "gui/gui.h"

inline void StartGameOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    gui::UseHeadlessDriver();
    if (chdir(QUORVEL_SOURCE_DIR) != 0) std::abort();
    game::StartUp();
}
