#pragma once
// The makers of the scenes, one file each; the table (scene_table.cpp) lists
// them.

#include <memory>

#include "samples/scene.h"

namespace samples {

std::unique_ptr<Scene> MakePile();
std::unique_ptr<Scene> MakeJelly();
std::unique_ptr<Scene> MakeRopeBridge();
std::unique_ptr<Scene> MakeCloth();
std::unique_ptr<Scene> MakeZones();
std::unique_ptr<Scene> MakeEvents();
std::unique_ptr<Scene> MakeBodiesFromFiles();
std::unique_ptr<Scene> MakeView();
std::unique_ptr<Scene> MakeSoftBodies();
std::unique_ptr<Scene> MakeQueries();
std::unique_ptr<Scene> MakeSoftShapes();
std::unique_ptr<Scene> MakeCannon();

} // namespace samples
