#include "physics/constraints/constraint_record.h"

#include <cmath>

namespace kel::tangle::detail {

TConstraintRecord TConstraintRecord::Of(const TConstraint& c) {
    TConstraintRecord r;
    r.kind = c.kind_;
    if (c.ring_.empty()) {
        r.masses = {c.m[0].Get(), c.m[1].Get()};
    } else {
        for (const core::Ref<TMass>& m : c.ring_) r.masses.push_back(m.Get());
    }
    r.restLength = c.restLength;
    r.stiffness = c.stiffness;
    r.compliance = c.compliance_;
    r.damping = c.damping_;
    r.params = c.params_;
    r.name = c.name;
    return r;
}

bool TConstraintRecord::Fits(TConstraint::Kind kind, std::size_t masses, std::size_t params) {
    switch (kind) {
    case TConstraint::DISTANCE:
        return masses == 0 && params == 0;
    case TConstraint::PRESSURE:
        return masses >= 3 && params == 0;
    case TConstraint::ANGLE:
        return masses == 3 && params == 2;
    case TConstraint::SHAPE:
        return masses >= 3 && params == 2 * masses;
    case TConstraint::SKIN:
        return masses >= 2 && params == 1;
    }
    return false;
}

core::Ref<TConstraint> TConstraintRecord::Make() const {
    const std::size_t ring = kind == TConstraint::DISTANCE ? 0 : masses.size();
    if (!Fits(kind, ring, params.size()) || (kind == TConstraint::DISTANCE && masses.size() != 2))
        return nullptr;
    core::Ref<TConstraint> c;
    switch (kind) {
    case TConstraint::DISTANCE:
        c = TConstraint::Create(masses[0], masses[1], restLength, stiffness);
        break;
    case TConstraint::PRESSURE:
        c = TConstraint::CreatePressure(masses, restLength, stiffness);
        break;
    case TConstraint::ANGLE:
        c = TConstraint::CreateAngle(masses[0], masses[1], masses[2], restLength, stiffness);
        if (c && c->SetAngleLimits(params[0], params[1]) != 0) return nullptr;
        break;
    case TConstraint::SHAPE:
        c = TConstraint::CreateShape(masses, stiffness);
        for (float f : params)
            if (!std::isfinite(f)) return nullptr;
        if (c) c->params_ = params;
        break;
    case TConstraint::SKIN:
        c = TConstraint::CreateSkin(masses, params[0] != 0);
        break;
    }
    if (!c) return nullptr;
    c->SetName(name);
    if (c->SetCompliance(compliance, damping) != 0) return nullptr; // not finite
    return c;
}

} // namespace kel::tangle::detail
