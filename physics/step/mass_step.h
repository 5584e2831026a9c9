#pragma once
// Reaches what only the step keeps on a mass (TMassStepState), which TMass
// holds privately: the step's phases, the sleep phase and world snapshots.

#include "physics/mass.h"

namespace kel::tangle::detail {

struct TMassStepAccess {
    static TMassStepState& Of(TMass& m) { return m.step_; }
    static const TMassStepState& Of(const TMass& m) { return m.step_; }
};

// The step's state of m, for short.
inline TMassStepState& StepStateOf(TMass* m) { return TMassStepAccess::Of(*m); }
inline const TMassStepState& StepStateOf(const TMass* m) { return TMassStepAccess::Of(*m); }

} // namespace kel::tangle::detail
