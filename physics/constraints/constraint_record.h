#pragma once
// What makes a constraint what it is, apart from the step's own state (its
// multiplier, its place in lists): the one record that body files, world
// files and copies write out and build again, so that a new kind of
// constraint is taught to all of them in one place.

#include <string>
#include <vector>

#include "core/object.h"
#include "physics/constraint.h"

namespace kel::tangle::detail {

struct TConstraintRecord {
    TConstraint::Kind kind = TConstraint::DISTANCE;
    // The two masses of a distance constraint, else GetRingMass's.
    std::vector<TMass*> masses;
    float restLength = 0, stiffness = 0;
    float compliance = -1, damping = 0;
    // An angle's limits, a shape's rest places (see TConstraint::params_).
    std::vector<float> params;
    std::string name;

    static TConstraintRecord Of(const TConstraint& c);
    // The constraint the record describes; none when it cannot be one (too
    // few or repeated masses, parameters that do not fit its kind, a number
    // that is not finite).
    core::Ref<TConstraint> Make() const;
    // Whether a kind's constraint may have `masses` masses in its ring (0
    // for a distance constraint) and `params` parameters.
    static bool Fits(TConstraint::Kind kind, std::size_t masses, std::size_t params);
    // Whether a kind is newer than the files that know only distance and
    // pressure (body files before 113, world files before 3).
    static bool NewKind(TConstraint::Kind kind) {
        return kind != TConstraint::DISTANCE && kind != TConstraint::PRESSURE;
    }
    // Whether a stored kind number names a kind.
    static bool KnownKind(int kind) {
        return kind >= TConstraint::DISTANCE && kind <= TConstraint::SKIN;
    }
};

} // namespace kel::tangle::detail
