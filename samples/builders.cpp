#include "samples/builders.h"

#include <cmath>
#include <numbers>

namespace samples {

using namespace kel::tangle;

namespace {

// A group shared by every mass of one shape.
int ShapeGroup(const Material& m) { return m.colGroup == -1 ? TakeAutoColGroup() : m.colGroup; }

int AddMass(TAdvBody& body, float x, float y, const Material& m, int group) {
    return body.MassAdd(x, y, m.mass, m.radius, m.friction, group);
}

} // namespace

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

core::Ref<TAdvBody> BuildJelly(float x, float y, float radius, int rim, const Material& m) {
    core::Ref<TAdvBody> body = core::Make<TAdvBody>();
    body->SetName("Jelly");
    const int group = ShapeGroup(m);
    AddMass(*body, x, y, m, group);
    for (int k = 0; k < rim; ++k) {
        const double a = 2 * std::numbers::pi * k / rim;
        AddMass(*body, x + radius * static_cast<float>(std::cos(a)),
                y + radius * static_cast<float>(std::sin(a)), m, group);
    }
    for (int k = 0; k < rim; ++k) {
        const int here = 1 + k;
        body->ConAdd(here, 1 + (k + 1) % rim, 0, m.stiffness);
        body->ConAdd(here, 1 + (k + 2) % rim, 0, m.stiffness);
        body->ConAdd(0, here, 0, m.stiffness);
    }
    body->Activate();
    return body;
}

core::Ref<TAdvBody> BuildChain(float x1, float y1, float x2, float y2, int count, bool freezeEnds,
                               const Material& m) {
    core::Ref<TAdvBody> body = core::Make<TAdvBody>();
    body->SetName("Chain");
    const int group = ShapeGroup(m);
    for (int k = 0; k < count; ++k) {
        const float t = count > 1 ? static_cast<float>(k) / static_cast<float>(count - 1) : 0;
        AddMass(*body, x1 + (x2 - x1) * t, y1 + (y2 - y1) * t, m, group);
    }
    for (int k = 0; k + 1 < count; ++k) body->ConAdd(k, k + 1, 0, m.stiffness);
    if (freezeEnds && count > 0) {
        body->MassFreeze(0);
        body->MassFreeze(count - 1);
    }
    body->Activate();
    return body;
}

core::Ref<TAdvBody> BuildCloth(float x, float y, int columns, int rows, float spacing,
                               const Material& m) {
    core::Ref<TAdvBody> body = core::Make<TAdvBody>();
    body->SetName("Cloth");
    const int group = ShapeGroup(m);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            AddMass(*body, x + c * spacing, y + r * spacing, m, group);
    auto slot = [columns](int c, int r) { return r * columns + c; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns) body->ConAdd(slot(c, r), slot(c + 1, r), 0, m.stiffness);
            if (r + 1 < rows) body->ConAdd(slot(c, r), slot(c, r + 1), 0, m.stiffness);
        }
    for (int c = 0; c < columns; ++c) body->MassFreeze(slot(c, 0));
    body->Activate();
    return body;
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
