#include "samples/builders.h"

#include <cmath>

namespace samples {

using namespace kel::tangle;

core::Ref<TPhysics> BuildWorld(float width, float height, float gravity, int iterations,
                               int gridSize) {
    core::Ref<TPhysics> world = TPhysics::Create(width, height, gravity, 0, iterations);
    TPhysics::SetGridSize(gridSize);
    TPhysics::UseShiftedGrid(1);
    return world;
}

core::Ref<TMass> AddBall(float x, float y, const Material& m) {
    core::Ref<TMass> ball = TMass::Create(x, y, m.mass, m.radius, m.friction, m.colGroup);
    ball->AddRef();
    return ball;
}

float PolygonArea(const TAdvBody& body, int first, int count) {
    double twice = 0;
    for (int k = 0; k < count; ++k) {
        const int a = first + k, b = first + (k + 1) % count;
        twice += static_cast<double>(body.MassGetX(a)) * body.MassGetY(b) -
                 static_cast<double>(body.MassGetX(b)) * body.MassGetY(a);
    }
    return static_cast<float>(std::abs(twice) / 2);
}

} // namespace samples
