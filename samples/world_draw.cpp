#include "samples/world_draw.h"

#include <algorithm>

#include "graphics/draw2d.h"
#include "physics/tangle.h"
#include "samples/palette.h"

namespace samples {

using namespace kel::tangle;

namespace {

// Stress at which a constraint is drawn fully red.
constexpr float kRedStress = 1.5f;

} // namespace

void DrawBounds() {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TPhysics::GetBounds(x0, y0, x1, y1);
    SetColour(palette::kBounds);
    TPhysics::DrawLine(x0, y0, x1, y0);
    TPhysics::DrawLine(x1, y0, x1, y1);
    TPhysics::DrawLine(x1, y1, x0, y1);
    TPhysics::DrawLine(x0, y1, x0, y0);
}

void DrawZones(const Colour& tint) {
    if (!zoneList) return;
    // A zone multiplies the drawing colour by its own: set it, or the zones
    // take whatever was drawn last.
    SetColour(tint);
    for (TZone* zone : zoneList->Each<TZone>()) zone->Draw();
}

void DrawConstraints() {
    if (!constraintList) return;
    for (TConstraint* c : constraintList->Each<TConstraint>()) {
        const float t = std::clamp((c->GetStress() - 1) / (kRedStress - 1), 0.0f, 1.0f);
        SetColour(Mix(palette::kConstraint, palette::kStretched, t));
        c->Draw();
    }
}

void DrawMasses() {
    if (!massList) return;
    for (TMass* m : massList->Each<TMass>()) {
        SetColour(m->IsFrozen() ? palette::kFrozenMass : palette::kMass);
        m->Draw();
    }
}

void DrawWorld() {
    DrawBounds();
    DrawZones();
    DrawConstraints();
    DrawMasses();
}

} // namespace samples
