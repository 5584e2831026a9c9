#pragma once
// The one table of scenes: names in the order the testbed shows them, and
// how to make each. A new scene is one file in scenes/ and one line here.

#include <memory>
#include <span>
#include <string>

#include "samples/scene.h"

namespace samples {

struct SceneEntry {
    const char* name;  // one word, for the command line
    const char* title; // shown in the window
    std::unique_ptr<Scene> (*make)();
};

std::span<const SceneEntry> Scenes();
// The index of the scene of that name, or -1.
int FindScene(const std::string& name);

} // namespace samples
