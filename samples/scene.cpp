#include "samples/scene.h"

#include <algorithm>

#include "physics/tangle.h"
#include "samples/world_draw.h"

namespace samples {

using kel::tangle::TPhysics;

namespace {

// Room round the world in the default view, in pixels, so that its bounds
// and whatever touches them stay in sight.
constexpr float kViewMargin = 12;

} // namespace

std::string OptionText(const SceneOption& option) {
    if (!option.isOn) return option.label;
    return option.label + (option.isOn() ? ": on" : ": off");
}

void Scene::Step() { TPhysics::Update(); }

void Scene::Draw() const { DrawWorld(); }

void Scene::PlaceView(float width, float height) {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TPhysics::GetBounds(x0, y0, x1, y1);
    const float w = x1 - x0, h = y1 - y0;
    // A canvas too small to spare the margin gives up some of it.
    const float margin = std::min({kViewMargin, width / 4, height / 4});
    const float roomX = width - 2 * margin, roomY = height - 2 * margin;
    if (w <= 0 || h <= 0 || roomX <= 0 || roomY <= 0) return;
    TPhysics::SetDrawRotation(0);
    TPhysics::SetDrawZoom(std::min(roomX / w, roomY / h));
    TPhysics::SetDrawCoords((x0 + x1) / 2, (y0 + y1) / 2);
}

} // namespace samples
