#include "samples/figures.h"

#include <cmath>
#include <cstdio>

#include "physics/tangle.h"

namespace samples {

using namespace kel::tangle;

namespace {

bool Finite(float v) { return std::isfinite(v); }

std::string Where(const TMass& m) {
    char text[96];
    std::snprintf(text, sizeof text, "mass at (%g, %g)", static_cast<double>(m.posX),
                  static_cast<double>(m.posY));
    return text;
}

} // namespace

Figures Measure() {
    Figures f;
    if (massList) {
        for (TMass* m : massList->Each<TMass>()) {
            ++f.masses;
            f.maxSpeed = std::max(f.maxSpeed, m->GetVelocity());
        }
    }
    if (constraintList) {
        for ([[maybe_unused]] TConstraint* c : constraintList->Each<TConstraint>()) ++f.constraints;
    }
    f.events = TColEvent::QueueCount();
    return f;
}

std::string FormatFigures(const Figures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "masses=%d constraints=%d events=%d max_speed=%.4g", f.masses,
                  f.constraints, f.events, static_cast<double>(f.maxSpeed));
    return text;
}

std::string CheckWorld() {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TPhysics::GetBounds(x0, y0, x1, y1);
    if (massList) {
        for (TMass* m : massList->Each<TMass>()) {
            if (!Finite(m->posX) || !Finite(m->posY) || !Finite(m->oldPosX) || !Finite(m->oldPosY))
                return "a position is not finite: " + Where(*m);
            const float slack = std::abs(m->radius);
            if (m->posX < x0 - slack || m->posX > x1 + slack || m->posY < y0 - slack ||
                m->posY > y1 + slack)
                return "outside the world: " + Where(*m);
        }
    }
    if (constraintList) {
        for (TConstraint* c : constraintList->Each<TConstraint>()) {
            if (!Finite(c->restLength) || !Finite(c->GetLength()))
                return "a constraint's length is not finite";
        }
    }
    return {};
}

} // namespace samples
