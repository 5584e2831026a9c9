#include "samples/scene_table.h"

#include <array>

#include "samples/scenes/scenes.h"

namespace samples {

namespace {

constexpr std::array kScenes{
    SceneEntry{"pile", "Pile", &MakePile},
    SceneEntry{"jelly", "Jelly", &MakeJelly},
    SceneEntry{"bridge", "Rope bridge", &MakeRopeBridge},
    SceneEntry{"cloth", "Cloth", &MakeCloth},
    SceneEntry{"zones", "Zones", &MakeZones},
    SceneEntry{"events", "Events", &MakeEvents},
    SceneEntry{"bodies", "Bodies from files", &MakeBodiesFromFiles},
    SceneEntry{"view", "View", &MakeView},
    SceneEntry{"soft", "Soft bodies", &MakeSoftBodies},
    SceneEntry{"queries", "Queries", &MakeQueries},
    SceneEntry{"shapes", "Soft shapes", &MakeSoftShapes},
    SceneEntry{"cannon", "Cannon", &MakeCannon},
};

} // namespace

std::span<const SceneEntry> Scenes() { return kScenes; }

int FindScene(const std::string& name) {
    for (std::size_t i = 0; i < kScenes.size(); ++i)
        if (name == kScenes[i].name) return static_cast<int>(i);
    return -1;
}

} // namespace samples
