#include "samples/scene.h"

#include <algorithm>

#include "physics/tangle.h"
#include "samples/world_draw.h"

namespace samples {

using kel::tangle::TPhysics;

void Scene::Step() { TPhysics::Update(); }

void Scene::Draw() const { DrawWorld(); }

void Scene::PlaceView(float width, float height) {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TPhysics::GetBounds(x0, y0, x1, y1);
    const float w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) return;
    TPhysics::SetDrawRotation(0);
    TPhysics::SetDrawZoom(std::min(width / w, height / h));
    TPhysics::SetDrawCoords((x0 + x1) / 2, (y0 + y1) / 2);
}

} // namespace samples
