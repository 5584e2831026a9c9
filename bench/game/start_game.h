#pragma once
// The game started once per benchmark program: headless GUI, recording
// drawing, the media of the source tree; and how the scripted players find
// a blob to cut.

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <random>
#include <vector>

#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "gui/gui.h"

inline void StartGameOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    gui::UseHeadlessDriver();
    if (chdir(QUORVEL_SOURCE_DIR) != 0) std::abort();
    game::StartUp();
}

// The ooze's blobs a player may cut: those that exist and are active, by index.
inline std::vector<int> ActiveBlobs() {
    std::vector<int> blobs;
    kel::tangle::TAdvBody* ab = game::ooze->ab;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i)) blobs.push_back(i);
    return blobs;
}

// One of `items` (not empty), each as likely, drawn with `rng`.
template <class T> const T& PickAtRandom(const std::vector<T>& items, std::mt19937& rng) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}
